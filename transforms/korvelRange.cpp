// korvelRange: distance of every point from the origin, D = korvelRange(P).
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"

namespace {

enum Input { kPoints, kInputCount };

// The plain Euclidean norm of each of the n points: the three squares, summed
// as (x*x + y*y) + z*z, then the square root. No scaling, so a square that
// overflows gives +Inf and one that underflows counts as zero.
void distancesOf(const double *__restrict points, double *__restrict ranges, gateway::Count n) {
  for (gateway::Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    const double z = points[3 * j + 2];
    ranges[j] = std::sqrt((x * x + y * y) + z * z);
  }
}

// Memory-bound, as korvelOffset: threads only for large matrices.
void pointRanges(const double *points, double *ranges, gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kRangeSplit, n,
      [points, ranges](gateway::Count first, gateway::Count end, unsigned) {
        distancesOf(points + 3 * first, ranges + first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelRange", "D = korvelRange(P)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const gateway::Count n = points.columns;

  // Do the job.
  double *ranges = gateway::createOutput(call, 1, n);
  if (n == 0) return;
  pointRanges(points.data, ranges, n);
}
