// korvelOffset: points minus a position, R = korvelOffset(P, POS).
#include "mex.h"

#include "../gateway/gateway.h"

namespace {

enum Input { kPoints, kPosition, kInputCount };

// Each coordinate of each of the n points minus the same coordinate of the
// position: one rounded subtraction per element.
void offsetPoints(const double *points, const double *position, double *result,
                  gateway::Count n) {
  const double px = position[0];
  const double py = position[1];
  const double pz = position[2];
  for (gateway::Count j = 0; j < n; ++j) {
    result[3 * j] = points[3 * j] - px;
    result[3 * j + 1] = points[3 * j + 1] - py;
    result[3 * j + 2] = points[3 * j + 2] - pz;
  }
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"korvelOffset", "R = korvelOffset(P, POS)", nlhs, plhs, nrhs, prhs};

  // Check arguments.
  gateway::requireInputs(call, kInputCount);
  const double *points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const double *position = gateway::doubleElements(call, kPosition, "POS", 3);
  const gateway::Count n = gateway::columns(call, kPoints);

  // Do the job.
  double *result = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  offsetPoints(points, position, result, n);
}
