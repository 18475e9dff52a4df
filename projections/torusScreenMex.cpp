// torusScreenMex and korvelTorusScreen: points in the viewer's frame
// projected onto a toroidal screen, S = torusScreenMex(P) for the fixed
// screen, S = korvelTorusScreen(P, GAIN, HORIZON) for a screen of the
// caller's. One source and one kernel for both; built under a name of its
// own (MEX_COMMAND_NAME, korvelTorusScreen), it takes the constants as
// inputs.
#include "mex.h"

#include "../gateway/checks.h"
#include "torus_screen.h"

namespace {

enum Input { kPoints, kGain, kHorizon };

#ifdef MEX_COMMAND_NAME
#define COMMAND_NAME KORVEL_NAME_OF(MEX_COMMAND_NAME)
const bool kOwnScreen = true;
const gateway::Command kCommand = {COMMAND_NAME, "S = " COMMAND_NAME "(P, GAIN, HORIZON)", 1,
                                   kHorizon + 1};
#else
const bool kOwnScreen = false;
const gateway::Command kCommand = {"torusScreenMex", "S = torusScreenMex(P)", 1, kPoints + 1};
#endif

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(kCommand, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  // A negative gain is a screen whose centre shows the highest elevation (a
  // dome seen from below); any horizon radius is a screen, the horizon off
  // it where it lies outside 0 to 1.
  korvel::TorusScreen screen = korvel::kFixedTorusScreen;
  if (kOwnScreen) {
    screen.gain = gateway::screenConstant(call, kGain, "GAIN", korvel::ZeroConstant::refused);
    screen.horizon =
        gateway::screenConstant(call, kHorizon, "HORIZON", korvel::ZeroConstant::allowed);
  }

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 3, points.columns);
  korvel::torusScreen(points.data, points.columns, screen, result, 0);
}
