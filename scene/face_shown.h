// The draw flag of every triangle: the kernel of korvelFaceShown.
#ifndef KORVEL_SCENE_FACE_SHOWN_H
#define KORVEL_SCENE_FACE_SHOWN_H

#include <cstdint>
#include <cstdlib>

#include "../core/fault.h"
#include "../core/simd.h"
#include "../core/threads.h"

namespace korvel {

namespace face_detail {

// Triangle t is drawn when its enable byte is exactly 1 and one of its corners,
// tested in order, has visibility flag exactly 1.0 (row 3 of the screen
// matrix). Corners are read only as far as the first pass, and not at all for
// a disabled triangle; each one read is checked against the screen's column
// count before its flag is, so no read leaves the caller's arrays.
// IsOnScreen(point) answers the flag test for a point inside the screen.
// Decides triangles first to end - 1 and stops at the first fault among them.
template <typename IsOnScreen, typename FetchAhead>
inline Fault decideFaces(const std::int32_t *faces, Count screenColumns,
                        const unsigned char *mask, Count first, Count end,
                        double *shown, IsOnScreen isOnScreen, FetchAhead fetchAhead) {
  for (Count t = first; t < end; ++t) {
    fetchAhead(t);
    shown[t] = 0.0;
    if (mask[t] != 1) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const std::int32_t index = faces[3 * t + corner];
      if (index < 0 || static_cast<Count>(index) >= screenColumns)
        return Fault{Reason::badIndex, 0, t, corner, static_cast<double>(index), 0, 0};
      if (isOnScreen(static_cast<Count>(index))) {
        shown[t] = 1.0;
        break;
      }
    }
  }
  return kNoFault;
}

// Corners index the screen at random, and a large screen matrix is far from
// the cache, one miss (often a page walk too) per corner read. When the
// triangles are many for the points, the flags are first packed into one bit
// per point: one pass over the screen, and then every corner's flag is looked
// up in a table an eighth of a megabyte per million points, which stays in
// the cache (docs/performance.md: Figures behind the kernels).
const Count kPackedFlagsMinColumns = 1 << 14;

inline bool worthPackingFlags(Count screenColumns, Count triangles) {
  return screenColumns >= kPackedFlagsMinColumns && triangles >= screenColumns / 4;
}

using FlagWord = std::uint64_t;
const Count kFlagsPerWord = 64;

// Words firstWord to endWord - 1 of the packed flags.
inline void packFlags(const double *screen, Count screenColumns, FlagWord *packed,
               Count firstWord, Count endWord) {
  for (Count w = firstWord; w < endWord; ++w) {
    const Count first = w * kFlagsPerWord;
    const Count count =
        screenColumns - first < kFlagsPerWord ? screenColumns - first : kFlagsPerWord;
    FlagWord word = 0;
    for (Count b = 0; b < count; ++b)
      word |= static_cast<FlagWord>(screen[3 * (first + b) + 2] == 1.0) << b;
    packed[w] = word;
  }
}

// Without packed flags, while triangle t is decided the flags of the corners
// of triangle t + kPrefetchAhead are asked for, so that many misses are under
// way at once. A corner out of range is fetched as point 0 instead; it is
// reported only if a test reaches it.
const Count kPrefetchAhead = 64;

// Triangles are independent: pieces of them go to the threads, and so do
// pieces of the screen while its flags are packed. Each thread keeps the
// first fault it met; the one of the lowest triangle is the one a single
// thread deciding in order stops at, since every piece before it ran to its
// end without one.
inline Fault decideAllFaces(const std::int32_t *faces, const double *screen,
                            Count screenColumns, const unsigned char *mask, Count triangles,
                            double *shown, unsigned requested) {
  const unsigned threads = threadsFor(triangles, kFaceSplit.threshold, requested);
  Fault faults[kMaxThreads];
  for (unsigned t = 0; t < threads; ++t) faults[t] = kNoFault;
  auto keepFirst = [&faults](unsigned thread, const Fault &fault) {
    if (fault.found() && (!faults[thread].found() || fault.element < faults[thread].element))
      faults[thread] = fault;
  };

  FlagWord *packed = nullptr;
  if (worthPackingFlags(screenColumns, triangles))
    packed = static_cast<FlagWord *>(
        std::malloc((screenColumns + kFlagsPerWord - 1) / kFlagsPerWord * sizeof(FlagWord)));
  if (packed != nullptr) {
    static_assert(kFaceSplit.piece % kFlagsPerWord == 0, "pieces of whole words");
    runParallelRanges(
        kFaceSplit, requested, screenColumns,
        [screen, screenColumns, packed](Count first, Count end, unsigned) {
          packFlags(screen, screenColumns, packed, first / kFlagsPerWord,
                    (end + kFlagsPerWord - 1) / kFlagsPerWord);
        });
    runParallelRanges(
        threads, triangles, kFaceSplit.piece,
        [&](Count first, Count end, unsigned thread) {
          keepFirst(thread, decideFaces(
                                faces, screenColumns, mask, first, end, shown,
                                [packed](Count point) {
                                  return ((packed[point / kFlagsPerWord] >>
                                           (point % kFlagsPerWord)) & 1u) != 0;
                                },
                                [](Count) {}));
        });
    std::free(packed);
  } else {
    // Too few triangles to pay for packing, or no memory for it.
    runParallelRanges(
        threads, triangles, kFaceSplit.piece,
        [&](Count first, Count end, unsigned thread) {
          keepFirst(thread,
                    decideFaces(
                        faces, screenColumns, mask, first, end, shown,
                        [screen](Count point) { return screen[3 * point + 2] == 1.0; },
                        [faces, screen, screenColumns, triangles](Count t) {
                          // No screen: no address to form, even of point 0.
                          if (t + kPrefetchAhead >= triangles || screenColumns == 0) return;
                          const std::int32_t *ahead = faces + 3 * (t + kPrefetchAhead);
                          for (int corner = 0; corner < 3; ++corner) {
                            const auto index = static_cast<std::uint32_t>(ahead[corner]);
                            const Count point = index < screenColumns ? index : 0;
                            prefetchForRead(screen + 3 * point + 2);
                          }
                        }));
        });
  }
  Fault first = kNoFault;
  for (unsigned t = 0; t < threads; ++t)
    if (faults[t].found() && (!first.found() || faults[t].element < first.element))
      first = faults[t];
  return first;
}

}  // namespace face_detail

// shown[t] for each of the `triangles` faces (3-by-triangles zero-based
// corner indices into the screen, 3-by-screenColumns): 1.0 when mask[t] is
// exactly 1 and one of its corners, tested in order, has flag (row 3 of the
// screen) exactly 1.0; else 0.0. Corners are read only as far as the first
// that passes, and not at all for a disabled triangle; each is checked
// against screenColumns before its flag is read, so no read leaves the
// caller's arrays, whatever the indices. The first corner outside the screen
// (of the lowest triangle, as one thread deciding in order meets it) comes
// back as a badIndex fault of input 0: element is the triangle, row the
// corner, value the index; shown is then written in part. shown must not
// overlap the inputs; triangles may be 0. At most `threads` threads (0: the
// process's policy). May take a scratch table of one bit per screen point
// from the C heap, and does without it when none can be had.
inline Fault faceShown(const std::int32_t *faces, Count triangles, const double *screen,
                       Count screenColumns, const unsigned char *mask, double *shown,
                       unsigned threads) {
  if (triangles == 0) return kNoFault;
  return face_detail::decideAllFaces(faces, screen, screenColumns, mask, triangles, shown, threads);
}

}  // namespace korvel

#endif  // KORVEL_SCENE_FACE_SHOWN_H
