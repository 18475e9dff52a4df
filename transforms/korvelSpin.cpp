// korvelSpin: points turned about the z axis by minus an angle,
// R = korvelSpin(P, THETA).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"
#include "point_steps.h"

namespace {

enum Input { kPoints, kAngle, kInputCount };

// Memory-bound, as korvelOffset: threads only for large matrices.
void turnPoints(const double *points, steps::Turn turn, double *result, gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kSpinSplit, n,
      [points, turn, result](gateway::Count first, gateway::Count end, unsigned) {
        steps::turnRange(points + 3 * first, turn, result + 3 * first, end - first);
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

  // Do the job: the cosine and sine first, whatever the number of points.
  const steps::Turn turn = steps::turnByMinus(angle);
  double *result = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  turnPoints(points.data, turn, result, n);
}
