// korvelSpin: points turned about the z axis by minus an angle,
// R = korvelSpin(P, THETA).
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"

namespace {

enum Input { kPoints, kAngle, kInputCount };

// Each of the n points turned with c = cos(-theta) and s = sin(-theta):
// x' = x*c - y*s, y' = x*s + y*c, z copied. Both products of a row are
// always formed, so an infinite coordinate makes the other row NaN even at
// angle 0.
void turnRange(const double *__restrict points, double c, double s, double *__restrict result,
               gateway::Count n) {
  for (gateway::Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    result[3 * j] = x * c - y * s;
    result[3 * j + 1] = x * s + y * c;
    result[3 * j + 2] = points[3 * j + 2];
  }
}

// Memory-bound, as korvelOffset: threads only for large matrices.
void turnPoints(const double *points, double c, double s, double *result, gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kSpinSplit, n,
      [points, c, s, result](gateway::Count first, gateway::Count end, unsigned) {
        turnRange(points + 3 * first, c, s, result + 3 * first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelSpin", "R = korvelSpin(P, THETA)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double angle = gateway::doubleElements(call, kAngle, "THETA", 1).data[0];
  const gateway::Count n = points.columns;

  // Do the job. The angle is negated exactly before the cosine and sine are
  // taken; cos(-t) and sin(-t) need not be cos(t) and -sin(t) to the last bit.
  const double turn = -angle;
  const double c = std::cos(turn);
  const double s = std::sin(turn);
  double *result = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  turnPoints(points.data, c, s, result, n);
}
