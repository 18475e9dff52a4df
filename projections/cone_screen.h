// Points in the viewer's frame projected onto a conical screen: the kernel
// of coneScreenMex and korvelConeScreen, one kernel for both so that the two
// give the same bits at the fixed screen's constants.
#ifndef KORVEL_PROJECTIONS_CONE_SCREEN_H
#define KORVEL_PROJECTIONS_CONE_SCREEN_H

#include <cmath>

#include "../core/fault.h"
#include "../core/threads.h"
#include "screen_constants.h"

namespace korvel {

// A conical screen radial*rho - vertical*z = 1.
struct ConeScreen {
  double radial;
  double vertical;
};

// The fixed screen of coneScreenMex; its rim lies at horizontal distance 1.
const ConeScreen kFixedConeScreen = {2.0349, 0.98988};

namespace detail {

// Written without branches so that the loop vectorizes; every operation is
// the one coneScreen names.
inline void coneRange(const double *__restrict points, double *__restrict screen, Count n,
                      double radial, double vertical) {
  for (Count j = 0; j < n; ++j) {
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

}  // namespace detail

// Each of the n points (3-by-n) scaled along its ray onto the screen cone by
// lambda = 1/delta (delta = rho*radial - z*vertical), or onto the rim's
// circle by mu = 1/rho (flag 0) when the ray meets the cone beyond the rim
// (lambda > mu) or not going forward (lambda < 0), into `result` (3-by-n),
// which must not overlap points. Both are reciprocals rounded on their own
// and the point is multiplied by them: x/delta and x/rho differ in the last
// bit. Any constants are computed with; the commands accept only those
// coneScreenFault allows. n may be 0. At most `threads` threads (0: the
// process's policy).
inline void coneScreen(const double *points, Count n, ConeScreen screen, double *result,
                       unsigned threads) {
  runParallelRanges(kConeSplit, threads, n,
                    [points, result, screen](Count first, Count end, unsigned) {
                      detail::coneRange(points + 3 * first, result + 3 * first, end - first,
                                        screen.radial, screen.vertical);
                    });
}

// The first of the screen's constants that no screen has (RADIAL not
// finite, then VERTICAL not finite or 0), as a badValue fault of input 1 or
// 2; else kNoFault.
inline Fault coneScreenFault(ConeScreen screen) {
  Fault fault = screenConstantFault(screen.radial, ZeroConstant::allowed, 1);
  return fault.found() ? fault : screenConstantFault(screen.vertical, ZeroConstant::refused, 2);
}

}  // namespace korvel

#endif  // KORVEL_PROJECTIONS_CONE_SCREEN_H
