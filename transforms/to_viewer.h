// Points moved and turned into a viewer's frame in one pass: the kernel of
// korvelToViewer, the same bits as spin(offset(points)) with one result
// instead of two.
#ifndef KORVEL_TRANSFORMS_TO_VIEWER_H
#define KORVEL_TRANSFORMS_TO_VIEWER_H

#include "../core/fault.h"
#include "../core/threads.h"
#include "point_steps.h"

namespace korvel {

namespace detail {

// Points per block: the moved points of a block wait on the stack (12 KiB,
// in the first-level cache) for their turn, so memory is read once and
// written once, and the two steps are the very functions of the two commands.
const Count kViewerBlock = 512;

inline void viewerRange(const double *points, const double *position, steps::Turn turn,
                        double *result, Count n) {
  double moved[3 * kViewerBlock];
  for (Count first = 0; first < n; first += kViewerBlock) {
    const Count count = n - first < kViewerBlock ? n - first : kViewerBlock;
    steps::offsetRange(points + 3 * first, position, moved, count);
    steps::turnRange(moved, turn, result + 3 * first, count);
  }
}

}  // namespace detail

// result (3-by-n) = each of the n points (3-by-n) minus the three
// coordinates at `position`, then turned by -angle, with exactly the
// operations of offset and spin. result must not overlap points; n may be 0.
// At most `threads` threads (0: the process's policy).
inline void toViewer(const double *points, Count n, const double *position, double angle,
                     double *result, unsigned threads) {
  const steps::Turn turn = steps::turnByMinus(angle);
  runParallelRanges(kViewerSplit, threads, n,
                    [points, position, turn, result](Count first, Count end, unsigned) {
                      detail::viewerRange(points + 3 * first, position, turn, result + 3 * first,
                                          end - first);
                    });
}

}  // namespace korvel

#endif  // KORVEL_TRANSFORMS_TO_VIEWER_H
