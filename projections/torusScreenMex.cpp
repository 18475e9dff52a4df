// torusScreenMex and korvelTorusScreen: points in the viewer's frame
// projected onto a toroidal screen, S = torusScreenMex(P) for the default
// screen, S = korvelTorusScreen(P, GAIN, HORIZON) for a screen of the
// caller's. One source and one kernel for both, so that the two give the
// same bits at the default constants; built under a name of its own
// (MEX_COMMAND_NAME, korvelTorusScreen), it takes the constants as inputs.
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/parallel.h"

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

// The default screen. Screen radius = elevation * gain + horizon radius,
// left unclamped from the lower to the upper bound.
const double kElevationGain = 0.4625;
const double kHorizonRadius = 0.4929;
const double kLowerBound = 0.0;
const double kUpperBound = 1.0;

// Points are projected a tile at a time so that the arc tangent, a library
// call per point, runs as a tight loop of its own while the arithmetic before
// and after it vectorizes. Each point still gets exactly the operations, in
// the order, of projecting it on its own.
const gateway::Count kTile = 256;

// For each of the n points: rho = sqrt(x*x + y*y), elevation = atan(z / rho)
// with the quotient rounded first (one-argument arc tangent: on the z axis it
// gives +-pi/2, and NaN at the origin), sigma = elevation * gain + horizon,
// clamped to the centre below the lower bound or else to the rim above the
// upper one (flag 0; a NaN sigma stays, with flag 1), and the screen position
// (sigma * x) / rho, (sigma * y) / rho.
void projectRange(const double *__restrict points, double *__restrict screen, gateway::Count n,
                  double gain, double horizon) {
  double rho[kTile];
  double elevation[kTile];
  for (gateway::Count start = 0; start < n; start += kTile) {
    const gateway::Count count = n - start < kTile ? n - start : kTile;
    const double *__restrict tilePoints = points + 3 * start;
    double *__restrict tileScreen = screen + 3 * start;

    for (gateway::Count i = 0; i < count; ++i) {
      const double x = tilePoints[3 * i];
      const double y = tilePoints[3 * i + 1];
      rho[i] = std::sqrt(x * x + y * y);
      elevation[i] = tilePoints[3 * i + 2] / rho[i];  // the quotient, for now
    }
    for (gateway::Count i = 0; i < count; ++i) elevation[i] = std::atan(elevation[i]);
    for (gateway::Count i = 0; i < count; ++i) {
      const double sigma = elevation[i] * gain + horizon;
      // The lower test first, the upper only when it fails; both are false
      // for a NaN sigma.
      const double radius = sigma < kLowerBound   ? kLowerBound
                            : sigma > kUpperBound ? kUpperBound
                                                  : sigma;
      const double flag = sigma < kLowerBound ? 0.0 : sigma > kUpperBound ? 0.0 : 1.0;
      tileScreen[3 * i] = (radius * tilePoints[3 * i]) / rho[i];
      tileScreen[3 * i + 1] = (radius * tilePoints[3 * i + 1]) / rho[i];
      tileScreen[3 * i + 2] = flag;
    }
  }
}

// Points are independent: pieces of them go to the threads, each projected
// exactly as above.
void projectOntoTorus(const double *points, double *screen, gateway::Count n, double gain,
                      double horizon) {
  gateway::runParallelRanges(
      gateway::kTorusSplit, n,
      [points, screen, gain, horizon](gateway::Count first, gateway::Count end, unsigned) {
        projectRange(points + 3 * first, screen + 3 * first, end - first, gain, horizon);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(kCommand, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> points = gateway::doubleMatrix(call, kPoints, "P", 3);
  const gateway::Count n = points.columns;
  // A negative gain is a screen whose centre shows the highest elevation (a
  // dome seen from below); any horizon radius is a screen, the horizon off
  // it where it lies outside 0 to 1.
  const double gain = kOwnScreen ? gateway::screenConstant(call, kGain, "GAIN", gateway::Zero::refused)
                                 : kElevationGain;
  const double horizon =
      kOwnScreen ? gateway::screenConstant(call, kHorizon, "HORIZON", gateway::Zero::allowed)
                 : kHorizonRadius;

  // Do the job.
  double *screen = gateway::createOutput(call, 3, n);
  if (n == 0) return;
  projectOntoTorus(points.data, screen, n, gain, horizon);
}
