// The toolbox's own sine, cosine and arc tangent (and the arithmetic under
// them), correctly rounded: the double nearest the exact value, ties to even.
// Pure IEEE double and 64-bit integer arithmetic under the exact flags, so
// every target gives the same bits; no platform maths call, no fused
// multiply-add.
//
// Each function first evaluates in double-double arithmetic (Dekker's exact
// sum and Veltkamp's split product) with a known error bound; when the
// rounding of that result is not certain at the bound (Ziv's test), it
// evaluates again with expansions of several doubles (Shewchuk's exact sums)
// to about 200 bits, and to about 300 beyond that. Sine and cosine of
// arguments past 2^20 go to that evaluation directly, after an exact
// reduction by 2/pi's bits.
#ifndef KORVEL_CORE_ROUNDED_MATH_H
#define KORVEL_CORE_ROUNDED_MATH_H

#include <cstdint>
#include <cstring>

#include "rounded_tables.h"
#include "simd.h"

namespace korvel {
namespace rounded {

inline std::uint64_t bitsOf(double x) {
  std::uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}
inline double doubleOf(std::uint64_t u) {
  double x;
  std::memcpy(&x, &u, sizeof x);
  return x;
}
inline double magnitude(double x) { return doubleOf(bitsOf(x) & 0x7fffffffffffffffULL); }

// A value as hi + lo, |lo| at most half an ulp of hi.
struct Twin {
  double hi;
  double lo;
};

// a + b exactly, any magnitudes.
inline Twin exactSum(double a, double b) {
  const double s = a + b;
  const double bPart = s - a;
  const double aPart = s - bPart;
  return {s, (a - aPart) + (b - bPart)};
}
// a + b exactly when |a| >= |b| (or a is 0).
inline Twin exactSumOrdered(double a, double b) {
  const double s = a + b;
  return {s, b - (s - a)};
}
// a * b exactly (no overflow, no underflow of the low part): Veltkamp's split
// into halves of 26 bits, whose products are exact.
inline Twin splitHalves(double a) {
  const double scaled = 134217729.0 * a;  // 2^27 + 1
  const double hi = scaled - (scaled - a);
  return {hi, a - hi};
}
inline Twin exactProduct(double a, double b) {
  const double p = a * b;
  const Twin as = splitHalves(a);
  const Twin bs = splitHalves(b);
  const double err = ((as.hi * bs.hi - p) + as.hi * bs.lo + as.lo * bs.hi) + as.lo * bs.lo;
  return {p, err};
}

// Ziv's test: hi + lo is within hi * relativeError of the exact value; returns
// true and the rounded value when both ends of that interval round alike.
inline bool roundsSurely(double hi, double lo, double relativeError, double &rounded) {
  const double err = magnitude(hi) * relativeError;
  const double up = hi + (lo + err);
  const double down = hi + (lo - err);
  rounded = up;
  return up == down;
}

// An expansion of up to N doubles, largest first, non-overlapping: the
// accurate path's numbers. Every operation forms the exact sum of its terms
// (Shewchuk's growth and compression) and keeps the N largest parts, a
// relative error below 2^(-50N).
template <int N>
struct Multi {
  double part[N];
};

namespace detail {

// Sums count terms exactly into an expansion and keeps its N largest parts.
// terms is overwritten.
template <int N>
Multi<N> exactSumOf(double *terms, int count) {
  // Growth: the expansion so far, smallest first, no zero parts.
  double *grown = terms;
  int length = 0;
  for (int k = 0; k < count; ++k) {
    double carry = terms[k];
    if (carry == 0) continue;
    int kept = 0;
    for (int i = 0; i < length; ++i) {
      const Twin s = exactSum(carry, grown[i]);
      if (s.lo != 0) grown[kept++] = s.lo;
      carry = s.hi;
    }
    if (carry != 0) grown[kept++] = carry;
    length = kept;
  }
  Multi<N> result;
  for (int i = 0; i < N; ++i) result.part[i] = 0;
  if (length == 0) return result;
  // Compression: from the top down, then from the bottom up, so that each
  // part is far below an ulp of the one above it.
  int bottom = length - 1;
  double carry = grown[length - 1];
  for (int i = length - 2; i >= 0; --i) {
    const Twin s = exactSumOrdered(carry, grown[i]);
    if (s.lo != 0) {
      grown[bottom--] = s.hi;
      carry = s.lo;
    } else {
      carry = s.hi;
    }
  }
  grown[bottom] = carry;
  double compressed[4 * N * N + 8];
  int top = 0;
  carry = grown[bottom];
  for (int i = bottom + 1; i < length; ++i) {
    const Twin s = exactSumOrdered(grown[i], carry);
    if (s.lo != 0) compressed[top++] = s.lo;
    carry = s.hi;
  }
  compressed[top++] = carry;
  for (int i = 0; i < N && i < top; ++i) result.part[i] = compressed[top - 1 - i];
  return result;
}

template <int N>
Multi<N> multiOf(double x) {
  Multi<N> r;
  r.part[0] = x;
  for (int i = 1; i < N; ++i) r.part[i] = 0;
  return r;
}
template <int N>
Multi<N> multiOf(const double (&table)[kTableParts]) {
  Multi<N> r;
  for (int i = 0; i < N; ++i) r.part[i] = table[i];
  return r;
}
template <int N>
Multi<N> add(const Multi<N> &a, const Multi<N> &b) {
  double terms[2 * N];
  for (int i = 0; i < N; ++i) {
    terms[i] = a.part[N - 1 - i];
    terms[N + i] = b.part[N - 1 - i];
  }
  return exactSumOf<N>(terms, 2 * N);
}
template <int N>
Multi<N> negated(Multi<N> a) {
  for (int i = 0; i < N; ++i) a.part[i] = -a.part[i];
  return a;
}
template <int N>
Multi<N> addDouble(const Multi<N> &a, double b) {
  double terms[N + 1];
  for (int i = 0; i < N; ++i) terms[i] = a.part[N - 1 - i];
  terms[N] = b;
  return exactSumOf<N>(terms, N + 1);
}
// The products of parts whose orders sum past N are below the kept precision.
template <int N>
Multi<N> multiply(const Multi<N> &a, const Multi<N> &b) {
  double terms[2 * N * N];
  int count = 0;
  for (int order = N; order >= 0; --order) {
    for (int i = 0; i <= order && i < N; ++i) {
      const int j = order - i;
      if (j >= N) continue;
      const Twin p = exactProduct(a.part[i], b.part[j]);
      terms[count++] = p.lo;
      terms[count++] = p.hi;
    }
  }
  return exactSumOf<N>(terms, count);
}
template <int N>
Multi<N> multiplyDouble(const Multi<N> &a, double b) {
  double terms[2 * N];
  for (int i = 0; i < N; ++i) {
    const Twin p = exactProduct(a.part[N - 1 - i], b);
    terms[2 * i] = p.lo;
    terms[2 * i + 1] = p.hi;
  }
  return exactSumOf<N>(terms, 2 * N);
}
// Long division: each quotient digit takes about 50 more bits, the remainder
// formed exactly from the digit's products.
template <int N>
Multi<N> divide(const Multi<N> &a, const Multi<N> &b) {
  double digits[N + 1];
  Multi<N> remainder = a;
  for (int k = 0; k <= N; ++k) {
    const double digit = remainder.part[0] / b.part[0];
    digits[N - k] = digit;
    if (k == N) break;
    remainder = add(remainder, negated(multiplyDouble(b, digit)));
  }
  return exactSumOf<N>(digits, N + 1);
}

// The nearest double to a, or false when a's error (relative, at most
// relativeError) leaves its rounding uncertain.
template <int N>
bool roundsSurely(const Multi<N> &a, double relativeError, double &result) {
  double rest = 0;
  for (int i = N - 1; i >= 1; --i) rest += a.part[i];
  return rounded::roundsSurely(a.part[0], rest, relativeError, result);
}

// ---- Arc tangent ------------------------------------------------------

// Below this, atan(x) rounds to x; above the other bound, to pi/2's nearest
// double (1/|x| stays under an eighth of its ulp, and pi/2 lies 0.28 of an
// ulp above that double).
const double kAtanTiny = 0x1p-27;
const double kAtanHuge = 0x1p55;
const double kAtanFastError = 0x1p-68;

// atan(y), 0 <= y <= 1 (y = 1/|x| past 1), as a Multi<N>: the grid point c
// = i/256 nearest y, atan(y) = atan(c) + atan(t) with t = (y - c)/(1 + y c),
// |t| <= 1/512, and atan(t) by its series.
template <int N>
Multi<N> atanAccurate(double ax) {
  const bool inverted = ax > 1;
  const Multi<N> one = multiOf<N>(1.0);
  const Multi<N> y = inverted ? divide(one, multiOf<N>(ax)) : multiOf<N>(ax);
  const int i = static_cast<int>(y.part[0] * 256 + 0.5);
  const double c = i / 256.0;
  const Multi<N> t = divide(addDouble(y, -c), addDouble(multiplyDouble(y, c), 1.0));
  const Multi<N> t2 = multiply(t, t);
  // |t|^(2K) below 2^(-53N - 10): t2 is at most 2^-18.
  const int terms = (53 * N + 10) / 18 + 1;
  Multi<N> sum = divide(one, multiOf<N>(2.0 * terms + 1));
  for (int k = terms - 1; k >= 0; --k) {
    sum = add(divide(one, multiOf<N>(2.0 * k + 1)), negated(multiply(t2, sum)));
  }
  Multi<N> result = add(multiply(t, sum), multiOf<N>(kAtanGrid[i]));
  if (inverted) result = add(multiOf<N>(kHalfPi), negated(result));
  return result;
}

// The accurate path's error bound, 2^(20 - 50N): 2^-50N for each operation,
// with room for the few dozen operations of an evaluation.
template <int N>
double accurateError() {
  return 0x1p20 * doubleOf(static_cast<std::uint64_t>(1023 - 50 * N) << 52);
}

template <int N>
bool atanAccurateRounded(double ax, double &result) {
  return roundsSurely(atanAccurate<N>(ax), accurateError<N>(), result);
}

// atan(|x|) in double-double, error below kAtanFastError relative, for
// kAtanTiny <= |x| <= kAtanHuge. With y = |x| up to 1 and y = 1/|x| past it,
// t = (y - c)/(1 + y c) is (|x| - c)/(1 + c|x|), or (1 - c|x|)/(|x| + c):
// one division, and c (9 bits) times |x| needs |x|'s split alone.
inline Twin atanFast(double ax) {
  const bool inverted = ax > 1;
  const int i = static_cast<int>((inverted ? 256 / ax : ax * 256) + 0.5);
  const double c = i / 256.0;
  const Twin axSplit = splitHalves(ax);
  const double cx = c * ax;
  const double cxErr = (c * axSplit.hi - cx) + c * axSplit.lo;  // c * ax - cx, exact
  Twin num, den;
  if (inverted) {
    num = exactSum(1 - cx, -cxErr);  // 1 - cx is exact: cx lies near 1
    den = exactSum(ax, c);
  } else {
    num = {ax - c, 0};  // exact: within a factor 2 of each other, or c = 0
    const Twin head = exactSumOrdered(1.0, cx);
    den = exactSumOrdered(head.hi, head.lo + cxErr);
  }
  const double th = num.hi / den.hi;
  const Twin q = exactProduct(th, den.hi);
  const double tl = (((num.hi - q.hi) - q.lo) + num.lo - th * den.lo) / den.hi;
  // atan(t) - t, |t| <= 1/512: its rounding errors count at t^2/3 < 2^-19.5
  // of t, twice that where atan(c) and t nearly cancel (c = 1/256).
  const double t2 = th * th;
  const double tail =
      th * t2 *
      (-0x1.5555555555555p-2 +
       t2 * (0x1.999999999999ap-3 + t2 * (-0x1.2492492492492p-3 + t2 * 0x1.c71c71c71c71cp-4)));
  const Twin head = exactSum(kAtanGrid[i][0], th);
  const Twin sum = exactSumOrdered(head.hi, head.lo + (kAtanGrid[i][1] + (tl + tail)));
  if (!inverted) return sum;
  const Twin diff = exactSumOrdered(kHalfPi[0], -sum.hi);
  return exactSumOrdered(diff.hi, (diff.lo + kHalfPi[1]) - sum.lo);
}

// Whether the fast evaluation settles atan(x) (for the checks' figures).
inline bool atanSettlesFast(double x) {
  const double ax = magnitude(x);
  if (!(ax >= kAtanTiny && ax <= kAtanHuge)) return true;
  const Twin fast = atanFast(ax);
  double result;
  return rounded::roundsSurely(fast.hi, fast.lo, kAtanFastError, result);
}

inline double atanOfMagnitude(double ax, bool forceAccurate) {
  double result;
  if (!forceAccurate) {
    const Twin fast = atanFast(ax);
    if (rounded::roundsSurely(fast.hi, fast.lo, kAtanFastError, result)) return result;
  }
  if (atanAccurateRounded<4>(ax, result)) return result;
  atanAccurateRounded<7>(ax, result);
  return result;
}


// ---- Sine and cosine ---------------------------------------------------

// Below these, sin(x) rounds to x and cos(x) to 1; past the other bound the
// reduction by 2/pi's bits serves every argument.
const double kSinTiny = 0x1p-26;
const double kCosTiny = 0x1p-27;
const double kSinCosReduced = 0x1p20;
// The fast evaluation's error: relative, plus the reduction's absolute error
// (pi/2 to about 160 bits times a quotient below 2^20) against |r|.
const double kSinCosFastError = 0x1p-85;
const double kSinCosReductionError = 0x1p-135;

inline Twin twinAdd(Twin a, Twin b) {
  const Twin s = exactSum(a.hi, b.hi);
  return exactSumOrdered(s.hi, s.lo + (a.lo + b.lo));
}
inline Twin twinMultiply(Twin a, Twin b) {
  const Twin p = exactProduct(a.hi, b.hi);
  return exactSumOrdered(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}
inline Twin inverseFactorial(int n) { return {kInverseFactorial[n][0], kInverseFactorial[n][1]}; }

// sin(r) and cos(r) for |r| <= pi/4 (a little past it), as double-doubles:
// their series by Horner's rule, relative error about 2^-100.
inline Twin sinOfReduced(Twin r) {
  const Twin r2 = twinMultiply(r, r);
  Twin s = {0, 0};
  for (int n = 25; n >= 1; n -= 2) {
    const Twin c = inverseFactorial(n);
    s = twinAdd(n % 4 == 1 ? c : Twin{-c.hi, -c.lo}, twinMultiply(r2, s));
  }
  return twinMultiply(r, s);
}
inline Twin cosOfReduced(Twin r) {
  const Twin r2 = twinMultiply(r, r);
  Twin s = {0, 0};
  for (int n = 26; n >= 0; n -= 2) {
    const Twin c = inverseFactorial(n);
    s = twinAdd(n % 4 == 0 ? c : Twin{-c.hi, -c.lo}, twinMultiply(r2, s));
  }
  return s;
}

// x = k pi/2 + r with |x| <= kSinCosReduced (Cody and Waite's reduction): the
// products of k and pi/2's first three parts exact, their sum with x exact
// and then rounded to a double-double.
inline Twin reduceByHalfPi(double x, int &quadrant) {
  const double shifter = 0x1.8p52;
  const double k = (x * 0x1.45f306dc9c883p-1 + shifter) - shifter;  // nearest to x 2/pi
  const Twin p0 = exactProduct(k, kHalfPi[0]);
  const Twin p1 = exactProduct(k, kHalfPi[1]);
  const Twin p2 = exactProduct(k, kHalfPi[2]);
  // x - p0.hi is exact: within a factor 2 of each other, or k = 0.
  double terms[6] = {-p2.lo, -p2.hi, -p1.lo, -p1.hi, -p0.lo, x - p0.hi};
  const Multi<2> r = exactSumOf<2>(terms, 6);
  quadrant = static_cast<int>(static_cast<std::int64_t>(k) & 3);
  return {r.part[0], r.part[1]};
}

// sin(x) (cosine false) or cos(x) of kSinTiny or kCosTiny <= |x| <=
// kSinCosReduced, in double-double, with its error bound relative to it.
inline Twin sinCosFast(double x, bool cosine, double &relativeError) {
  int quadrant;
  const Twin r = reduceByHalfPi(x, quadrant);
  if (cosine) quadrant += 1;  // cos(x) = sin(x + pi/2)
  Twin v = quadrant & 1 ? cosOfReduced(r) : sinOfReduced(r);
  if (quadrant & 2) v = {-v.hi, -v.lo};
  // The reduction's absolute error passes to sin(r) as it is; cos(r) >= 0.7.
  relativeError = kSinCosFastError + kSinCosReductionError / magnitude(v.hi);
  return v;
}

// 24 bits of 2/pi's, those from bit 24 j after the point.
inline double twoOverPiChunk(int j) {
  const int first = 24 * j;
  const std::uint64_t pair = (static_cast<std::uint64_t>(kTwoOverPiBits[first / 32]) << 32) |
                             kTwoOverPiBits[first / 32 + 1];
  return static_cast<double>((pair >> (64 - 24 - first % 32)) & 0xffffff);
}

// v mod 4, a value in (-4, 4) that differs from v by a multiple of 4: exact.
inline double offMultiplesOfFour(double v) {
  if (magnitude(v) >= 0x1p54) return 0;  // a multiple of 4 already
  const double q = static_cast<double>(static_cast<std::int64_t>(v * 0.25));
  return v - 4 * q;
}

// x = k pi/2 + r for any finite x >= kCosTiny (Payne and Hanek's reduction):
// x 2/pi from the bits of 2/pi that do not make multiples of 4 (x's exponent
// tells where they start), each chunk's product with x exact, the sum exact;
// its fraction times pi/2.
template <int N>
Multi<N> reduceByHalfPiExactly(double x, int &quadrant) {
  const int exponent = static_cast<int>((bitsOf(x) >> 52) & 0x7ff) - 1023;
  const double mantissa = doubleOf((bitsOf(x) & 0x800fffffffffffffULL) | 0x3ff0000000000000ULL);
  // Chunk j times x has its lowest bit at 2^(exponent - 52 - 24 (j + 1)).
  int first = 0;
  while (exponent - 52 - 24 * (first + 1) >= 2) ++first;
  // Enough bits past the point for the fraction to N parts even where x lies
  // within 2^-70 of a multiple of pi/2.
  const int chunks = (53 * N + 130) / 24 + 2;
  double terms[2 * ((53 * 7 + 130) / 24 + 2)];
  int count = 0;
  for (int j = first + chunks - 1; j >= first; --j) {
    const double scale = doubleOf(static_cast<std::uint64_t>(exponent - 24 * (j + 1) + 1023) << 52);
    const Twin p = exactProduct(mantissa, twoOverPiChunk(j) * scale);
    terms[count++] = offMultiplesOfFour(p.lo);
    terms[count++] = offMultiplesOfFour(p.hi);
  }
  Multi<N + 3> sum = exactSumOf<N + 3>(terms, count);
  const double top = sum.part[0] + sum.part[1];
  const std::int64_t k = static_cast<std::int64_t>(top < 0 ? top - 0.5 : top + 0.5);
  quadrant = static_cast<int>(k & 3);
  sum = addDouble(sum, -static_cast<double>(k));
  Multi<N> fraction;
  for (int i = 0; i < N; ++i) fraction.part[i] = sum.part[i];
  return multiply(fraction, multiOf<N>(kHalfPi));
}

// sin(r) or cos(r) for |r| <= pi/4 (a little past it) by the series, each
// term from the one before by Horner's rule.
template <int N>
Multi<N> sinCosOfReduced(const Multi<N> &r, bool cosine) {
  const Multi<N> r2 = multiply(r, r);
  // (pi/4)^n / n! below 2^(-53N - 10).
  int last = 2;
  for (double size = 1; size > doubleOf(static_cast<std::uint64_t>(1023 - 53 * N - 10) << 52); ++last) {
    size *= 0.8 / last;
  }
  last += (last % 2 == 0) == cosine ? 0 : 1;
  Multi<N> sum = multiOf<N>(1.0);
  for (int n = last; n >= 2; n -= 2) {
    const Multi<N> step = negated(multiply(r2, sum));
    sum = addDouble(divide(step, multiOf<N>(static_cast<double>(n) * (n - 1))), 1.0);
  }
  return cosine ? sum : multiply(r, sum);
}

template <int N>
bool sinCosAccurateRounded(double ax, bool cosine, double &result) {
  int quadrant;
  const Multi<N> r = reduceByHalfPiExactly<N>(ax, quadrant);
  if (cosine) quadrant += 1;
  Multi<N> v = sinCosOfReduced(r, quadrant & 1);
  if (quadrant & 2) v = negated(v);
  return roundsSurely(v, accurateError<N>(), result);
}

inline bool sinCosSettlesFast(double x, bool cosine) {
  const double ax = magnitude(x);
  if (!(ax >= (cosine ? kCosTiny : kSinTiny) && ax <= kSinCosReduced)) return ax != ax || ax < 1;
  double error;
  const Twin v = sinCosFast(ax, cosine, error);
  double result;
  return rounded::roundsSurely(v.hi, v.lo, error, result);
}

// sin(|x|) or cos(|x|) past the tiny bounds, finite.
inline double sinCosOfMagnitude(double ax, bool cosine, bool forceAccurate) {
  double result;
  if (!forceAccurate && ax <= kSinCosReduced) {
    double error;
    const Twin v = sinCosFast(ax, cosine, error);
    if (rounded::roundsSurely(v.hi, v.lo, error, result)) return result;
  }
  if (sinCosAccurateRounded<4>(ax, cosine, result)) return result;
  sinCosAccurateRounded<6>(ax, cosine, result);
  return result;
}

}  // namespace detail

// The arc tangent of x, correctly rounded. atan(+-0) = +-0, a NaN comes back
// quieted, atan(+-Inf) = +-(pi/2 rounded). forceAccurate skips the fast
// evaluation (for the checks of the slow one).
inline double atan(double x, bool forceAccurate = false) {
  const double ax = magnitude(x);
  if (!(ax == ax)) return x + x;
  if (ax < detail::kAtanTiny) return x;
  double r;
  if (ax > detail::kAtanHuge) {
    r = kHalfPi[0];
  } else {
    r = detail::atanOfMagnitude(ax, forceAccurate);
  }
  return x < 0 ? -r : r;
}

// The sine and cosine of x, correctly rounded, with an exact reduction for
// every argument up to the largest double. sin(+-0) = +-0, cos(+-0) = 1, a
// NaN comes back quieted, +-Inf gives the NaN of an invalid operation.
inline double sin(double x, bool forceAccurate = false) {
  const double ax = magnitude(x);
  if (!(ax - ax == 0)) return x - x;  // NaN, Inf
  if (ax < detail::kSinTiny) return x;
  const double r = detail::sinCosOfMagnitude(ax, false, forceAccurate);
  return x < 0 ? -r : r;
}
inline double cos(double x, bool forceAccurate = false) {
  const double ax = magnitude(x);
  if (!(ax - ax == 0)) return x - x;  // NaN, Inf
  if (ax < detail::kCosTiny) return 1.0;
  return detail::sinCosOfMagnitude(ax, true, forceAccurate);
}


#if defined(KORVEL_HAVE_SSE2)
// atan of two values at once: atanFast's operations, in its order, on both
// lanes of SSE2 registers (the two branches computed and blended). A lane
// its rounding test settles holds the correctly rounded value, so the same
// bits as atan(x); a lane outside the fast range or unsettled is taken
// again by atan(x) alone.
inline void atanTwo(double *values) {
  const double x0 = values[0];
  const double x1 = values[1];
  const __m128d x = _mm_loadu_pd(values);
  const __m128d signBit = _mm_set1_pd(-0.0);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d rawAbs = _mm_andnot_pd(signBit, x);
  const __m128d inRange = _mm_and_pd(_mm_cmpge_pd(rawAbs, _mm_set1_pd(detail::kAtanTiny)),
                                     _mm_cmple_pd(rawAbs, _mm_set1_pd(detail::kAtanHuge)));
  // Lanes out of range (NaN too) compute on 1 and are redone alone.
  const __m128d ax = _mm_or_pd(_mm_and_pd(inRange, rawAbs), _mm_andnot_pd(inRange, one));
  const __m128d inverted = _mm_cmpgt_pd(ax, one);
  auto pick = [](__m128d mask, __m128d yes, __m128d no) {
    return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
  };
  auto sum = [](__m128d a, __m128d b, __m128d &lo) {
    const __m128d s = _mm_add_pd(a, b);
    const __m128d bPart = _mm_sub_pd(s, a);
    const __m128d aPart = _mm_sub_pd(s, bPart);
    lo = _mm_add_pd(_mm_sub_pd(a, aPart), _mm_sub_pd(b, bPart));
    return s;
  };
  auto sumOrdered = [](__m128d a, __m128d b, __m128d &lo) {
    const __m128d s = _mm_add_pd(a, b);
    lo = _mm_sub_pd(b, _mm_sub_pd(s, a));
    return s;
  };
  auto split = [](__m128d a, __m128d &lo) {
    const __m128d scaled = _mm_mul_pd(_mm_set1_pd(134217729.0), a);
    const __m128d hi = _mm_sub_pd(scaled, _mm_sub_pd(scaled, a));
    lo = _mm_sub_pd(a, hi);
    return hi;
  };

  const __m128d scaledIndex = pick(inverted, _mm_div_pd(_mm_set1_pd(256.0), ax),
                                   _mm_mul_pd(ax, _mm_set1_pd(256.0)));
  const __m128i index = _mm_cvttpd_epi32(_mm_add_pd(scaledIndex, _mm_set1_pd(0.5)));
  const int i0 = _mm_cvtsi128_si32(index);
  const int i1 = _mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1));
  const __m128d c = _mm_div_pd(_mm_cvtepi32_pd(index), _mm_set1_pd(256.0));
  __m128d axLo;
  const __m128d axHi = split(ax, axLo);
  const __m128d cx = _mm_mul_pd(c, ax);
  const __m128d cxErr = _mm_add_pd(_mm_sub_pd(_mm_mul_pd(c, axHi), cx), _mm_mul_pd(c, axLo));
  __m128d numLoInv, denLoInv, headLo;
  const __m128d numHiInv = sum(_mm_sub_pd(one, cx), _mm_xor_pd(cxErr, signBit), numLoInv);
  const __m128d denHiInv = sum(ax, c, denLoInv);
  const __m128d head = sumOrdered(one, cx, headLo);
  __m128d denLoDirect;
  const __m128d denHiDirect = sumOrdered(head, _mm_add_pd(headLo, cxErr), denLoDirect);
  const __m128d numHi = pick(inverted, numHiInv, _mm_sub_pd(ax, c));
  const __m128d numLo = _mm_and_pd(inverted, numLoInv);
  const __m128d denHi = pick(inverted, denHiInv, denHiDirect);
  const __m128d denLo = pick(inverted, denLoInv, denLoDirect);

  const __m128d th = _mm_div_pd(numHi, denHi);
  const __m128d qHi = _mm_mul_pd(th, denHi);
  __m128d thLo, denHiLo;
  const __m128d thHi = split(th, thLo);
  const __m128d denHiHi = split(denHi, denHiLo);
  const __m128d qLo = _mm_add_pd(
      _mm_add_pd(_mm_add_pd(_mm_sub_pd(_mm_mul_pd(thHi, denHiHi), qHi), _mm_mul_pd(thHi, denHiLo)),
                 _mm_mul_pd(thLo, denHiHi)),
      _mm_mul_pd(thLo, denHiLo));
  const __m128d tl = _mm_div_pd(
      _mm_sub_pd(_mm_add_pd(_mm_sub_pd(_mm_sub_pd(numHi, qHi), qLo), numLo), _mm_mul_pd(th, denLo)),
      denHi);
  const __m128d t2 = _mm_mul_pd(th, th);
  __m128d poly = _mm_add_pd(_mm_set1_pd(-0x1.2492492492492p-3), _mm_mul_pd(t2, _mm_set1_pd(0x1.c71c71c71c71cp-4)));
  poly = _mm_add_pd(_mm_set1_pd(0x1.999999999999ap-3), _mm_mul_pd(t2, poly));
  poly = _mm_add_pd(_mm_set1_pd(-0x1.5555555555555p-2), _mm_mul_pd(t2, poly));
  const __m128d tail = _mm_mul_pd(_mm_mul_pd(th, t2), poly);
  const __m128d grid0 = _mm_set_pd(kAtanGrid[i1][0], kAtanGrid[i0][0]);
  const __m128d grid1 = _mm_set_pd(kAtanGrid[i1][1], kAtanGrid[i0][1]);
  __m128d sumHeadLo, sumLo, diffLo, invLo;
  const __m128d sumHead = sum(grid0, th, sumHeadLo);
  const __m128d sumHi =
      sumOrdered(sumHead, _mm_add_pd(sumHeadLo, _mm_add_pd(grid1, _mm_add_pd(tl, tail))), sumLo);
  const __m128d diff = sumOrdered(_mm_set1_pd(kHalfPi[0]), _mm_xor_pd(sumHi, signBit), diffLo);
  const __m128d invHi =
      sumOrdered(diff, _mm_sub_pd(_mm_add_pd(diffLo, _mm_set1_pd(kHalfPi[1])), sumLo), invLo);
  const __m128d hi = pick(inverted, invHi, sumHi);
  const __m128d lo = pick(inverted, invLo, sumLo);

  const __m128d err = _mm_mul_pd(_mm_andnot_pd(signBit, hi), _mm_set1_pd(detail::kAtanFastError));
  const __m128d up = _mm_add_pd(hi, _mm_add_pd(lo, err));
  const __m128d down = _mm_add_pd(hi, _mm_sub_pd(lo, err));
  const int settled = _mm_movemask_pd(_mm_and_pd(inRange, _mm_cmpeq_pd(up, down)));
  _mm_storeu_pd(values, _mm_xor_pd(up, _mm_and_pd(signBit, x)));
  if (!(settled & 1)) values[0] = atan(x0);
  if (!(settled & 2)) values[1] = atan(x1);
}
#endif

}  // namespace rounded
}  // namespace korvel

#endif  // KORVEL_CORE_ROUNDED_MATH_H
