// Points turned about the z axis by minus an angle: the kernel of korvelSpin.
#ifndef KORVEL_TRANSFORMS_SPIN_H
#define KORVEL_TRANSFORMS_SPIN_H

#include "../core/fault.h"
#include "../core/threads.h"
#include "point_steps.h"

namespace korvel {

// result (3-by-n) = each of the n points (3-by-n) turned by -angle:
// x' = x*c - y*s, y' = x*s + y*c, z copied, with c and s the cosine and sine
// of -angle. result must not overlap points; n may be 0.
// At most `threads` threads (0: the process's policy). Memory-bound, as
// offset: threads only for large matrices.
inline void spin(const double *points, Count n, double angle, double *result,
                 unsigned threads) {
  const steps::Turn turn = steps::turnByMinus(angle);
  runParallelRanges(kSpinSplit, threads, n,
                    [points, turn, result](Count first, Count end, unsigned) {
                      steps::turnRange(points + 3 * first, turn, result + 3 * first, end - first);
                    });
}

}  // namespace korvel

#endif  // KORVEL_TRANSFORMS_SPIN_H
