// coneScreenMex and korvelConeScreen: points in the viewer's frame
// projected onto a conical screen, S = coneScreenMex(P) for the default
// screen, S = korvelConeScreen(P, RADIAL, VERTICAL) for a screen of the
// caller's. One source and one kernel for both, so that the two give the
// same bits at the default constants; built under a name of its own
// (MEX_COMMAND_NAME, korvelConeScreen), it takes the constants as inputs.
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"

namespace {

enum Input { kPoints, kRadial, kVertical };

#ifdef MEX_COMMAND_NAME
#define COMMAND_NAME KORVEL_NAME_OF(MEX_COMMAND_NAME)
const bool kOwnScreen = true;
const gateway::Command kCommand = {COMMAND_NAME, "S = " COMMAND_NAME "(P, RADIAL, VERTICAL)", 1,
                                   kVertical + 1};
#else
const bool kOwnScreen = false;
const gateway::Command kCommand = {"coneScreenMex", "S = coneScreenMex(P)", 1, kPoints + 1};
#endif

// The default screen cone is 2.0349*rho - 0.98988*z = 1; its rim lies at
// horizontal distance 1.
const double kRadialCoefficient = 2.0349;
const double kVerticalCoefficient = 0.98988;

// Each of the n points scaled along its ray onto the screen cone by
// lambda = 1/delta, or onto the rim's circle by mu = 1/rho (flag 0) when the
// ray meets the cone beyond the rim (lambda > mu) or not going forward
// (lambda < 0). Both are reciprocals rounded on their own and the point is
// multiplied by them: x/delta and x/rho differ in the last bit. Written
// without branches so that the loop vectorizes; every operation is the same.
void projectRange(const double *__restrict points, double *__restrict screen, gateway::Count n,
                  double radial, double vertical) {
  for (gateway::Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    const double z = points[3 * j + 2];
    const double rho = std::sqrt(x * x + y * y);
    const double delta = rho * radial - z * vertical;
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
void projectOntoCone(const double *points, double *screen, gateway::Count n, double radial,
                     double vertical) {
  gateway::runParallelRanges(
      gateway::kConeSplit, n,
      [points, screen, radial, vertical](gateway::Count first, gateway::Count end, unsigned) {
        projectRange(points + 3 * first, screen + 3 * first, end - first, radial, vertical);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(kCommand, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const gateway::Count n = points.columns;
  // A radial coefficient of 0 is a flat screen below the eye, a negative
  // vertical one a cone above it; a vertical coefficient of 0 leaves no
  // apex, and every point would land at one radius.
  const double radial =
      kOwnScreen ? gateway::screenConstant(call, kRadial, "RADIAL", gateway::Zero::allowed)
                 : kRadialCoefficient;
  const double vertical =
      kOwnScreen ? gateway::screenConstant(call, kVertical, "VERTICAL", gateway::Zero::refused)
                 : kVerticalCoefficient;

  // Do the job.
  double *screen = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  projectOntoCone(points.data, screen, n, radial, vertical);
}
