// The two steps that bring points into a viewer's frame, shared by
// korvelOffset, korvelSpin and korvelToViewer so that the one-pass command
// gives the same bits as the two commands chained, by construction.
#ifndef KORVEL_POINT_STEPS_H
#define KORVEL_POINT_STEPS_H

#include "../core/fault.h"
#include "../core/rounded_math.h"
#include "../core/simd.h"

namespace korvel {
namespace steps {

// Each coordinate of each of the n points minus the same coordinate of the
// position: one rounded subtraction per element. With SSE2, two points (six
// doubles) at a time, as three pairs against the position's coordinates in
// the same rotation; the same subtractions, so the same bits, in fewer
// instructions (docs/performance.md: Figures behind the kernels).
inline void offsetRange(const double *points, const double *position, double *result,
                        Count n) {
  const double px = position[0];
  const double py = position[1];
  const double pz = position[2];
  Count j = 0;
#if defined(KORVEL_HAVE_SSE2)
  const __m128d xy = _mm_set_pd(py, px);  // low element first: (px, py)
  const __m128d zx = _mm_set_pd(px, pz);
  const __m128d yz = _mm_set_pd(pz, py);
  for (; j + 2 <= n; j += 2) {
    const double *from = points + 3 * j;
    double *to = result + 3 * j;
    _mm_storeu_pd(to, _mm_sub_pd(_mm_loadu_pd(from), xy));
    _mm_storeu_pd(to + 2, _mm_sub_pd(_mm_loadu_pd(from + 2), zx));
    _mm_storeu_pd(to + 4, _mm_sub_pd(_mm_loadu_pd(from + 4), yz));
  }
#endif
  for (; j < n; ++j) {
    result[3 * j] = points[3 * j] - px;
    result[3 * j + 1] = points[3 * j + 1] - py;
    result[3 * j + 2] = points[3 * j + 2] - pz;
  }
}

// The cosine and sine of a turn by minus an angle: the toolbox's own,
// correctly rounded, so the same bits on every target. The angle is negated
// exactly before they are taken.
struct Turn {
  double c;
  double s;
};
inline Turn turnByMinus(double angle) {
  const double turn = -angle;
  const double c = rounded::cos(turn);
  const double s = rounded::sin(turn);
  return {c, s};
}

// Each of the n points turned: x' = x*c - y*s, y' = x*s + y*c, z copied.
// Both products of a row are always formed, so an infinite coordinate makes
// the other row NaN even at angle 0.
inline void turnRange(const double *__restrict points, Turn turn, double *__restrict result,
                      Count n) {
  const double c = turn.c;
  const double s = turn.s;
  for (Count j = 0; j < n; ++j) {
    const double x = points[3 * j];
    const double y = points[3 * j + 1];
    result[3 * j] = x * c - y * s;
    result[3 * j + 1] = x * s + y * c;
    result[3 * j + 2] = points[3 * j + 2];
  }
}

}  // namespace steps
}  // namespace korvel

#endif  // KORVEL_POINT_STEPS_H
