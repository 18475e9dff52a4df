// korvelOffset: points minus a position, R = korvelOffset(P, POS).
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"
#include "point_steps.h"

namespace {

enum Input { kPoints, kPosition, kInputCount };

// Memory-bound: threads pay only on large matrices, where the pages of the
// fresh output are first touched (one fault each) and several cores fetch
// from memory at once.
void offsetPoints(const double *points, const double *position, double *result,
                  gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kOffsetSplit, n,
      [points, position, result](gateway::Count first, gateway::Count end, unsigned) {
        steps::offsetRange(points + 3 * first, position, result + 3 * first, end - first);
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
