// korvelFaceShown: the draw flag of every triangle, D = korvelFaceShown(F, S, MASK).
#include "mex.h"

#include <cstdlib>

#include "../gateway/gateway.h"
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
template <typename IsOnScreen, typename FetchAhead>
CornerFault decideFaces(const std::int32_t *faces, gateway::Count screenColumns,
                        const unsigned char *mask, gateway::Count triangles, double *shown,
                        IsOnScreen isOnScreen, FetchAhead fetchAhead) {
  for (gateway::Count t = 0; t < triangles; ++t) {
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
// the cache (README: Figures behind the kernels).
const gateway::Count kPackedFlagsMinColumns = 1 << 14;

bool worthPackingFlags(gateway::Count screenColumns, gateway::Count triangles) {
  return screenColumns >= kPackedFlagsMinColumns && triangles >= screenColumns / 4;
}

using FlagWord = std::uint64_t;
const gateway::Count kFlagsPerWord = 64;

void packFlags(const double *screen, gateway::Count screenColumns, FlagWord *packed) {
  const gateway::Count words = (screenColumns + kFlagsPerWord - 1) / kFlagsPerWord;
  for (gateway::Count w = 0; w < words; ++w) {
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

CornerFault decideAllFaces(const std::int32_t *faces, const double *screen,
                           gateway::Count screenColumns, const unsigned char *mask,
                           gateway::Count triangles, double *shown) {
  FlagWord *packed = nullptr;
  if (worthPackingFlags(screenColumns, triangles))
    packed = static_cast<FlagWord *>(
        std::malloc((screenColumns + kFlagsPerWord - 1) / kFlagsPerWord * sizeof(FlagWord)));
  if (packed != nullptr) {
    packFlags(screen, screenColumns, packed);
    const CornerFault fault = decideFaces(
        faces, screenColumns, mask, triangles, shown,
        [packed](gateway::Count point) {
          return ((packed[point / kFlagsPerWord] >> (point % kFlagsPerWord)) & 1u) != 0;
        },
        [](gateway::Count) {});
    std::free(packed);
    return fault;
  }
  // Too few triangles to pay for packing, or no memory for it.
  return decideFaces(
      faces, screenColumns, mask, triangles, shown,
      [screen](gateway::Count point) { return screen[3 * point + 2] == 1.0; },
      [faces, screen, screenColumns, triangles](gateway::Count t) {
        if (t + kPrefetchAhead >= triangles) return;
        const std::int32_t *ahead = faces + 3 * (t + kPrefetchAhead);
        for (int corner = 0; corner < 3; ++corner) {
          const auto index = static_cast<std::uint32_t>(ahead[corner]);
          const gateway::Count point = index < screenColumns ? index : 0;
          gateway::prefetchForRead(screen + 3 * point + 2);
        }
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"korvelFaceShown", "D = korvelFaceShown(F, S, MASK)", 1,
                           nlhs, plhs, nrhs, prhs};

  // Check arguments. The corner indices are checked as they are read.
  gateway::requireInputs(call, kInputCount);
  const std::int32_t *faces = gateway::int32Matrix(call, kFaces, "F", 3);
  const double *screen = gateway::doubleMatrix(call, kScreen, "S", 3);
  const gateway::Count triangles = gateway::columns(call, kFaces);
  const unsigned char *mask = gateway::byteElements(call, kMask, "MASK", triangles);
  const gateway::Count screenColumns = gateway::columns(call, kScreen);

  // Do the job.
  double *shown = gateway::createOutput(call, 1, triangles);
  if (triangles == 0) return;
  const CornerFault fault = decideAllFaces(faces, screen, screenColumns, mask, triangles, shown);
  if (fault.found)
    gateway::fail(call, gateway::Reason::badIndex,
                  "F(%d, %.0f), a corner of an enabled triangle, must be a zero-based column "
                  "index of S, 0 or more and below its %.0f column%s; got %ld",
                  fault.corner + 1, gateway::asDouble(fault.triangle + 1),
                  gateway::asDouble(screenColumns),
                  gateway::plural(gateway::asDouble(screenColumns)), static_cast<long>(fault.index));
}
