// korvelSpin: points turned about the z axis by minus an angle,
// R = korvelSpin(P, THETA).
#include "mex.h"

#include "../gateway/checks.h"
#include "spin.h"

namespace {
enum Input { kPoints, kAngle, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelSpin", "R = korvelSpin(P, THETA)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double angle = gateway::doubleElements(call, kAngle, "THETA", 1).data[0];

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 3, points.columns);
  korvel::spin(points.data, points.columns, angle, result, 0);
}
