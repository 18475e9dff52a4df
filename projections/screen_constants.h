// Which constants make a screen: finite, and for some not 0.
#ifndef KORVEL_PROJECTIONS_SCREEN_CONSTANTS_H
#define KORVEL_PROJECTIONS_SCREEN_CONSTANTS_H

#include <cfloat>

#include "../core/fault.h"

namespace korvel {

// Whether a screen's constant may be 0: a torus's gain or a cone's vertical
// coefficient of 0 maps every point to one screen radius, which no screen
// does.
enum class ZeroConstant { allowed, refused };

// A badValue fault of input `argument` holding `value` when it is not
// finite, or 0 where 0 is refused; else kNoFault.
inline Fault screenConstantFault(double value, ZeroConstant zero, int argument) {
  if (value >= -DBL_MAX && value <= DBL_MAX && !(zero == ZeroConstant::refused && value == 0))
    return kNoFault;
  return Fault{Reason::badValue, argument, 0, 0, value, 0, 0};
}

}  // namespace korvel

#endif  // KORVEL_PROJECTIONS_SCREEN_CONSTANTS_H
