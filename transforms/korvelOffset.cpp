// korvelOffset: points minus a position, R = korvelOffset(P, POS).
#include "mex.h"

#include "../gateway/checks.h"
#include "offset.h"

namespace {
enum Input { kPoints, kPosition, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelOffset", "R = korvelOffset(P, POS)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double *position = gateway::doubleElements(call, kPosition, "POS", 3).data;

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 3, points.columns);
  korvel::offset(points.data, points.columns, position, result, 0);
}
