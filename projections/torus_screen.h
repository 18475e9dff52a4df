// Points in the viewer's frame projected onto a toroidal screen: the kernel
// of torusScreenMex and korvelTorusScreen, one kernel for both so that the
// two give the same bits at the fixed screen's constants.
#ifndef KORVEL_PROJECTIONS_TORUS_SCREEN_H
#define KORVEL_PROJECTIONS_TORUS_SCREEN_H

#include <cmath>

#include "../core/fault.h"
#include "../core/rounded_math.h"
#include "../core/threads.h"
#include "screen_constants.h"

namespace korvel {

// A toroidal screen: screen radius = elevation * gain + horizon, left
// unclamped from the lower to the upper bound.
struct TorusScreen {
  double gain;
  double horizon;
};

// The fixed screen of torusScreenMex.
const TorusScreen kFixedTorusScreen = {0.4625, 0.4929};

namespace detail {

const double kTorusLowerBound = 0.0;
const double kTorusUpperBound = 1.0;

// Points are projected a tile at a time so that the arc tangent (the
// toolbox's own, correctly rounded: the same bits on every target) runs as a
// tight loop of its own (two at a time with SSE2, the same bits) while the
// arithmetic before and after it vectorizes. Each point still gets exactly the operations, in
// the order, of projecting it on its own.
const Count kTorusTile = 256;

inline void torusRange(const double *__restrict points, double *__restrict screen, Count n,
                       double gain, double horizon) {
  double rho[kTorusTile];
  double elevation[kTorusTile];
  for (Count start = 0; start < n; start += kTorusTile) {
    const Count count = n - start < kTorusTile ? n - start : kTorusTile;
    const double *__restrict tilePoints = points + 3 * start;
    double *__restrict tileScreen = screen + 3 * start;

    for (Count i = 0; i < count; ++i) {
      const double x = tilePoints[3 * i];
      const double y = tilePoints[3 * i + 1];
      rho[i] = std::sqrt(x * x + y * y);
      elevation[i] = tilePoints[3 * i + 2] / rho[i];  // the quotient, for now
    }
    Count next = 0;
#if defined(KORVEL_HAVE_SSE2)
    for (; next + 2 <= count; next += 2) rounded::atanTwo(elevation + next);
#endif
    for (; next < count; ++next) elevation[next] = rounded::atan(elevation[next]);
    for (Count i = 0; i < count; ++i) {
      const double sigma = elevation[i] * gain + horizon;
      // The lower test first, the upper only when it fails; both are false
      // for a NaN sigma.
      const double radius = sigma < kTorusLowerBound   ? kTorusLowerBound
                            : sigma > kTorusUpperBound ? kTorusUpperBound
                                                       : sigma;
      const double flag = sigma < kTorusLowerBound ? 0.0 : sigma > kTorusUpperBound ? 0.0 : 1.0;
      tileScreen[3 * i] = (radius * tilePoints[3 * i]) / rho[i];
      tileScreen[3 * i + 1] = (radius * tilePoints[3 * i + 1]) / rho[i];
      tileScreen[3 * i + 2] = flag;
    }
  }
}

}  // namespace detail

// For each of the n points (3-by-n): rho = sqrt(x*x + y*y), elevation =
// atan(z / rho) with the quotient rounded first (one-argument arc tangent: on
// the z axis it gives +-pi/2, and NaN at the origin), sigma = elevation *
// gain + horizon, clamped to the centre below the lower bound 0 or else to
// the rim above the upper one 1 (flag 0; a NaN sigma stays, with flag 1), and
// the screen position (sigma * x) / rho, (sigma * y) / rho, flag into
// `result` (3-by-n), which must not overlap points. Any constants are
// computed with; the commands accept only those screenConstantFault allows.
// n may be 0. At most `threads` threads (0: the process's policy); points are
// independent, so pieces of them go to the threads.
inline void torusScreen(const double *points, Count n, TorusScreen screen, double *result,
                        unsigned threads) {
  runParallelRanges(kTorusSplit, threads, n,
                    [points, result, screen](Count first, Count end, unsigned) {
                      detail::torusRange(points + 3 * first, result + 3 * first, end - first,
                                         screen.gain, screen.horizon);
                    });
}

// The first of the screen's constants that no screen has (GAIN 0, then
// HORIZON; either not finite), as a badValue fault of input 1 or 2; else
// kNoFault.
inline Fault torusScreenFault(TorusScreen screen) {
  Fault fault = screenConstantFault(screen.gain, ZeroConstant::refused, 1);
  return fault.found() ? fault : screenConstantFault(screen.horizon, ZeroConstant::allowed, 2);
}

}  // namespace korvel

#endif  // KORVEL_PROJECTIONS_TORUS_SCREEN_H
