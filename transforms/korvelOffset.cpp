// korvelOffset: points minus a position, R = korvelOffset(P, POS).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"
#include "../gateway/simd.h"

namespace {

enum Input { kPoints, kPosition, kInputCount };

// Each coordinate of each of the n points minus the same coordinate of the
// position: one rounded subtraction per element. With SSE2, two points (six
// doubles) at a time, as three pairs against the position's coordinates in
// the same rotation; the same subtractions, so the same bits, in fewer
// instructions (docs/performance.md: Figures behind the kernels).
void offsetRange(const double *points, const double *position, double *result,
                 gateway::Count n) {
  const double px = position[0];
  const double py = position[1];
  const double pz = position[2];
  gateway::Count j = 0;
#if defined(KORVEL_HAVE_SSE2)
  const __m128d xy = _mm_set_pd(py, px);  // low element first: (px, py)
  const __m128d zx = _mm_set_pd(px, pz);
  const __m128d yz = _mm_set_pd(pz, py);
  for (; j + 2 <= n; j += 2) {
    const double *from = points + 3 * j;
    double *to = result + 3 * j;
    _mm_storeu_pd(to, _mm_sub_pd(_mm_loadu_pd(from), xy));
    _mm_storeu_pd(to + 2, _mm_sub_pd(_mm_loadu_pd(from + 2), zx));
    _mm_storeu_pd(to + 4, _mm_sub_pd(_mm_loadu_pd(from + 4), yz));
  }
#endif
  for (; j < n; ++j) {
    result[3 * j] = points[3 * j] - px;
    result[3 * j + 1] = points[3 * j + 1] - py;
    result[3 * j + 2] = points[3 * j + 2] - pz;
  }
}

// Memory-bound: threads pay only on large matrices, where the pages of the
// fresh output are first touched (one fault each) and several cores fetch
// from memory at once.
void offsetPoints(const double *points, const double *position, double *result,
                  gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kOffsetSplit, n,
      [points, position, result](gateway::Count first, gateway::Count end, unsigned) {
        offsetRange(points + 3 * first, position, result + 3 * first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelOffset", "R = korvelOffset(P, POS)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double *position = gateway::doubleElements(call, kPosition, "POS", 3).data;
  const gateway::Count n = points.columns;

  // Do the job.
  double *result = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  offsetPoints(points.data, position, result, n);
}
