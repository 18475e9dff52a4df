// korvelFaceShown: the draw flag of every triangle, D = korvelFaceShown(F, S, MASK).
#include "mex.h"

#include <cstdint>
#include <cstdlib>

#include "../gateway/checks.h"
#include "../gateway/errors.h"
#include "../gateway/parallel.h"
#include "../gateway/simd.h"

namespace {

enum Input { kFaces, kScreen, kMask, kInputCount };

// The first corner index that lay outside the screen matrix, if any.
struct CornerFault {
  bool found;
  gateway::Count triangle;  // zero-based column of the face matrix
  int corner;               // zero-based row of the face matrix
  std::int32_t index;
};

// Triangle t is drawn when its enable byte is exactly 1 and one of its corners,
// tested in order, has visibility flag exactly 1.0 (row 3 of the screen
// matrix). Corners are read only as far as the first pass, and not at all for
// a disabled triangle; each one read is checked against the screen's column
// count before its flag is, so no read leaves the caller's arrays.
// IsOnScreen(point) answers the flag test for a point inside the screen.
// Decides triangles first to end - 1 and stops at the first fault among them.
template <typename IsOnScreen, typename FetchAhead>
CornerFault decideFaces(const std::int32_t *faces, gateway::Count screenColumns,
                        const unsigned char *mask, gateway::Count first, gateway::Count end,
                        double *shown, IsOnScreen isOnScreen, FetchAhead fetchAhead) {
  for (gateway::Count t = first; t < end; ++t) {
    fetchAhead(t);
    shown[t] = 0.0;
    if (mask[t] != 1) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const std::int32_t index = faces[3 * t + corner];
      if (index < 0 || static_cast<gateway::Count>(index) >= screenColumns)
        return CornerFault{true, t, corner, index};
      if (isOnScreen(static_cast<gateway::Count>(index))) {
        shown[t] = 1.0;
        break;
      }
    }
  }
  return CornerFault{false, 0, 0, 0};
}

// Corners index the screen at random, and a large screen matrix is far from
// the cache, one miss (often a page walk too) per corner read. When the
// triangles are many for the points, the flags are first packed into one bit
// per point: one pass over the screen, and then every corner's flag is looked
// up in a table an eighth of a megabyte per million points, which stays in
// the cache (docs/performance.md: Figures behind the kernels).
const gateway::Count kPackedFlagsMinColumns = 1 << 14;

bool worthPackingFlags(gateway::Count screenColumns, gateway::Count triangles) {
  return screenColumns >= kPackedFlagsMinColumns && triangles >= screenColumns / 4;
}

using FlagWord = std::uint64_t;
const gateway::Count kFlagsPerWord = 64;

// Words firstWord to endWord - 1 of the packed flags.
void packFlags(const double *screen, gateway::Count screenColumns, FlagWord *packed,
               gateway::Count firstWord, gateway::Count endWord) {
  for (gateway::Count w = firstWord; w < endWord; ++w) {
    const gateway::Count first = w * kFlagsPerWord;
    const gateway::Count count =
        screenColumns - first < kFlagsPerWord ? screenColumns - first : kFlagsPerWord;
    FlagWord word = 0;
    for (gateway::Count b = 0; b < count; ++b)
      word |= static_cast<FlagWord>(screen[3 * (first + b) + 2] == 1.0) << b;
    packed[w] = word;
  }
}

// Without packed flags, while triangle t is decided the flags of the corners
// of triangle t + kPrefetchAhead are asked for, so that many misses are under
// way at once. A corner out of range is fetched as point 0 instead; it is
// reported only if a test reaches it.
const gateway::Count kPrefetchAhead = 64;

// Triangles are independent: pieces of them go to the threads, and so do
// pieces of the screen while its flags are packed. Each thread keeps the
// first fault it met; the one of the lowest triangle is the one a single
// thread deciding in order stops at, since every piece before it ran to its
// end without one.
CornerFault decideAllFaces(const std::int32_t *faces, const double *screen,
                           gateway::Count screenColumns, const unsigned char *mask,
                           gateway::Count triangles, double *shown) {
  const unsigned threads = gateway::threadsFor(triangles, gateway::kFaceSplit.threshold);
  CornerFault faults[gateway::kMaxThreads];
  for (unsigned t = 0; t < threads; ++t) faults[t] = CornerFault{false, 0, 0, 0};
  auto keepFirst = [&faults](unsigned thread, const CornerFault &fault) {
    if (fault.found && (!faults[thread].found || fault.triangle < faults[thread].triangle))
      faults[thread] = fault;
  };

  FlagWord *packed = nullptr;
  if (worthPackingFlags(screenColumns, triangles))
    packed = static_cast<FlagWord *>(
        std::malloc((screenColumns + kFlagsPerWord - 1) / kFlagsPerWord * sizeof(FlagWord)));
  if (packed != nullptr) {
    static_assert(gateway::kFaceSplit.piece % kFlagsPerWord == 0, "pieces of whole words");
    gateway::runParallelRanges(
        gateway::kFaceSplit, screenColumns,
        [screen, screenColumns, packed](gateway::Count first, gateway::Count end, unsigned) {
          packFlags(screen, screenColumns, packed, first / kFlagsPerWord,
                    (end + kFlagsPerWord - 1) / kFlagsPerWord);
        });
    gateway::runParallelRanges(
        threads, triangles, gateway::kFaceSplit.piece,
        [&](gateway::Count first, gateway::Count end, unsigned thread) {
          keepFirst(thread, decideFaces(
                                faces, screenColumns, mask, first, end, shown,
                                [packed](gateway::Count point) {
                                  return ((packed[point / kFlagsPerWord] >>
                                           (point % kFlagsPerWord)) & 1u) != 0;
                                },
                                [](gateway::Count) {}));
        });
    std::free(packed);
  } else {
    // Too few triangles to pay for packing, or no memory for it.
    gateway::runParallelRanges(
        threads, triangles, gateway::kFaceSplit.piece,
        [&](gateway::Count first, gateway::Count end, unsigned thread) {
          keepFirst(thread,
                    decideFaces(
                        faces, screenColumns, mask, first, end, shown,
                        [screen](gateway::Count point) { return screen[3 * point + 2] == 1.0; },
                        [faces, screen, screenColumns, triangles](gateway::Count t) {
                          if (t + kPrefetchAhead >= triangles) return;
                          const std::int32_t *ahead = faces + 3 * (t + kPrefetchAhead);
                          for (int corner = 0; corner < 3; ++corner) {
                            const auto index = static_cast<std::uint32_t>(ahead[corner]);
                            const gateway::Count point = index < screenColumns ? index : 0;
                            gateway::prefetchForRead(screen + 3 * point + 2);
                          }
                        }));
        });
  }
  CornerFault first{false, 0, 0, 0};
  for (unsigned t = 0; t < threads; ++t)
    if (faults[t].found && (!first.found || faults[t].triangle < first.triangle)) first = faults[t];
  return first;
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments. The corner indices are checked as they are read.
  const gateway::Call call = gateway::startCall(
      {"korvelFaceShown", "D = korvelFaceShown(F, S, MASK)", 1, kInputCount}, nlhs, plhs, nrhs,
      prhs);
  const gateway::Array<const std::int32_t> faces = gateway::int32Matrix(call, kFaces, "F", 3);
  const gateway::Array<const double> screen = gateway::doubleMatrix(call, kScreen, "S", 3);
  const gateway::Count triangles = faces.columns;
  const unsigned char *mask = gateway::byteElements(call, kMask, "MASK", triangles).data;

  // Do the job.
  double *shown = gateway::createOutput(call, 1, triangles);
  if (triangles == 0) return;
  const CornerFault fault =
      decideAllFaces(faces.data, screen.data, screen.columns, mask, triangles, shown);
  if (fault.found)
    gateway::failCornerIndex(call, fault.corner, fault.triangle, screen.columns, fault.index);
}
