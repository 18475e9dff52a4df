// coneScreenMex and korvelConeScreen: points in the viewer's frame
// projected onto a conical screen, S = coneScreenMex(P) for the fixed
// screen, S = korvelConeScreen(P, RADIAL, VERTICAL) for a screen of the
// caller's. One source and one kernel for both; built under a name of its
// own (MEX_COMMAND_NAME, korvelConeScreen), it takes the constants as
// inputs.
#include "mex.h"

#include "../gateway/checks.h"
#include "cone_screen.h"

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

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(kCommand, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  // A radial coefficient of 0 is a flat screen below the eye, a negative
  // vertical one a cone above it; a vertical coefficient of 0 leaves no
  // apex, and every point would land at one radius.
  korvel::ConeScreen screen = korvel::kFixedConeScreen;
  if (kOwnScreen) {
    screen.radial =
        gateway::screenConstant(call, kRadial, "RADIAL", korvel::ZeroConstant::allowed);
    screen.vertical =
        gateway::screenConstant(call, kVertical, "VERTICAL", korvel::ZeroConstant::refused);
  }

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 3, points.columns);
  korvel::coneScreen(points.data, points.columns, screen, result, 0);
}
