// korvelToViewer: points moved and turned into a viewer's frame in one pass,
// R = korvelToViewer(P, POS, THETA), the same bits as
// korvelSpin(korvelOffset(P, POS), THETA) with one result instead of two.
#include "mex.h"

#include "../gateway/checks.h"
#include "to_viewer.h"

namespace {
enum Input { kPoints, kPosition, kAngle, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelToViewer", "R = korvelToViewer(P, POS, THETA)", 1, kInputCount}, nlhs, plhs, nrhs,
      prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double *position = gateway::doubleElements(call, kPosition, "POS", 3).data;
  const double angle = gateway::doubleElements(call, kAngle, "THETA", 1).data[0];

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 3, points.columns);
  korvel::toViewer(points.data, points.columns, position, angle, result, 0);
}
