// Points minus a position: the kernel of korvelOffset.
#ifndef KORVEL_TRANSFORMS_OFFSET_H
#define KORVEL_TRANSFORMS_OFFSET_H

#include "../core/fault.h"
#include "../core/threads.h"
#include "point_steps.h"

namespace korvel {

// result (3-by-n, column-major) = each of the n points (3-by-n) minus the
// three coordinates at `position`, one rounded subtraction per element.
// result must not overlap points; n may be 0. At most
// `threads` threads (0: the process's policy).
//
// Memory-bound: threads pay only on large matrices, where the pages of a
// fresh output are first touched (one fault each) and several cores fetch
// from memory at once.
inline void offset(const double *points, Count n, const double *position, double *result,
                   unsigned threads) {
  runParallelRanges(kOffsetSplit, threads, n,
                    [points, position, result](Count first, Count end, unsigned) {
                      steps::offsetRange(points + 3 * first, position, result + 3 * first,
                                         end - first);
                    });
}

}  // namespace korvel

#endif  // KORVEL_TRANSFORMS_OFFSET_H
