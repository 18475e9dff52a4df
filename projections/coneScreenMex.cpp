// coneScreenMex: points in the viewer's frame projected onto a conical
// screen, S = coneScreenMex(P).
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"

namespace {

enum Input { kPoints, kInputCount };

// The screen cone is 2.0349*rho - 0.98988*z = 1; its rim lies at horizontal
// distance 1.
const double kRadialCoefficient = 2.0349;
const double kVerticalCoefficient = 0.98988;

// Each of the n points scaled along its ray onto the screen cone by
// lambda = 1/delta, or onto the rim's circle by mu = 1/rho (flag 0) when the
// ray meets the cone beyond the rim (lambda > mu) or not going forward
// (lambda < 0). Both are reciprocals rounded on their own and the point is
// multiplied by them: x/delta and x/rho differ in the last bit. Written
// without branches so that the loop vectorizes; every operation is the same.
void projectRange(const double *__restrict points, double *__restrict screen,
                  gateway::Count n) {
  for (gateway::Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    const double z = points[3 * j + 2];
    const double rho = std::sqrt(x * x + y * y);
    const double delta = rho * kRadialCoefficient - z * kVerticalCoefficient;
    const double rayScale = 1.0 / delta;
    const double rimScale = 1.0 / rho;
    // The test below 0 first, the one above the rim scale only when it
    // fails; a NaN ray scale fails both and stays, with flag 1.
    const double scale = rayScale < 0          ? rimScale
                         : rayScale > rimScale ? rimScale
                                               : rayScale;
    const double flag = rayScale < 0 ? 0.0 : rayScale > rimScale ? 0.0 : 1.0;
    screen[3 * j] = scale * x;
    screen[3 * j + 1] = scale * y;
    screen[3 * j + 2] = flag;
  }
}

// Points are independent: pieces of them go to the threads.
void projectOntoCone(const double *points, double *screen, gateway::Count n) {
  gateway::runParallelRanges(
      gateway::kConeSplit, n,
      [points, screen](gateway::Count first, gateway::Count end, unsigned) {
        projectRange(points + 3 * first, screen + 3 * first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"coneScreenMex", "S = coneScreenMex(P)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const gateway::Count n = points.columns;

  // Do the job.
  double *screen = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  projectOntoCone(points.data, screen, n);
}
