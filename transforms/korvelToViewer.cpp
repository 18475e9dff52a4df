// korvelToViewer: points moved and turned into a viewer's frame in one pass,
// R = korvelToViewer(P, POS, THETA), the same bits as
// korvelSpin(korvelOffset(P, POS), THETA) with one result instead of two.
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"
#include "point_steps.h"

namespace {

enum Input { kPoints, kPosition, kAngle, kInputCount };

// Points per block: the moved points of a block wait on the stack (12 KiB,
// in the first-level cache) for their turn, so memory is read once and
// written once, and the two steps are the very functions of the two commands.
const gateway::Count kBlock = 512;

void viewerRange(const double *points, const double *position, steps::Turn turn, double *result,
                 gateway::Count n) {
  double moved[3 * kBlock];
  for (gateway::Count first = 0; first < n; first += kBlock) {
    const gateway::Count count = n - first < kBlock ? n - first : kBlock;
    steps::offsetRange(points + 3 * first, position, moved, count);
    steps::turnRange(moved, turn, result + 3 * first, count);
  }
}

// Memory-bound, as korvelOffset: threads only for large matrices.
void viewerPoints(const double *points, const double *position, steps::Turn turn, double *result,
                  gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kViewerSplit, n,
      [points, position, turn, result](gateway::Count first, gateway::Count end, unsigned) {
        viewerRange(points + 3 * first, position, turn, result + 3 * first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"korvelToViewer", "R = korvelToViewer(P, POS, THETA)", 1, kInputCount}, nlhs, plhs, nrhs,
      prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double *position = gateway::doubleElements(call, kPosition, "POS", 3).data;
  const double angle = gateway::doubleElements(call, kAngle, "THETA", 1).data[0];
  const gateway::Count n = points.columns;

  // Do the job: the cosine and sine first, whatever the number of points.
  const steps::Turn turn = steps::turnByMinus(angle);
  double *result = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  viewerPoints(points.data, position, turn, result, n);
}
