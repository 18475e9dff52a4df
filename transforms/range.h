// The distance of every point from the origin: the kernel of korvelRange.
#ifndef KORVEL_TRANSFORMS_RANGE_H
#define KORVEL_TRANSFORMS_RANGE_H

#include <cmath>

#include "../core/fault.h"
#include "../core/threads.h"

namespace korvel {

namespace detail {

inline void distancesOf(const double *__restrict points, double *__restrict ranges, Count n) {
  for (Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    const double z = points[3 * j + 2];
    ranges[j] = std::sqrt((x * x + y * y) + z * z);
  }
}

}  // namespace detail

// ranges[j] = the plain Euclidean norm of point j of the n points (3-by-n):
// the three squares, summed as (x*x + y*y) + z*z, then the square root. No
// scaling, so a square that overflows gives +Inf and one that underflows
// counts as zero. ranges (n elements) must not overlap points; n may be 0.
// At most `threads` threads (0: the process's policy). Memory-bound, as
// offset: threads only for large matrices.
inline void pointRanges(const double *points, Count n, double *ranges, unsigned threads) {
  runParallelRanges(kRangeSplit, threads, n, [points, ranges](Count first, Count end, unsigned) {
    detail::distancesOf(points + 3 * first, ranges + first, end - first);
  });
}

}  // namespace korvel

#endif  // KORVEL_TRANSFORMS_RANGE_H
