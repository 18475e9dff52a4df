// korvelRange: distance of every point from the origin, D = korvelRange(P).
#include "mex.h"

#include "../gateway/checks.h"
#include "range.h"

namespace {
enum Input { kPoints, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelRange", "D = korvelRange(P)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);

  // Create the output, then do the job.
  double *ranges = gateway::createOutput(call, 1, points.columns);
  korvel::pointRanges(points.data, points.columns, ranges, 0);
}
