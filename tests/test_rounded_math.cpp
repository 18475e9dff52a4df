// The toolbox's correctly rounded sine, cosine and arc tangent give MPFR's
// results on every target (tests/rounded/ checks millions where MPFR is at hand; this table
// holds each target to them without it).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "../core/rounded_math.h"

namespace {

using korvel::rounded::bitsOf;

struct Case {
  double x;
  double atan;  // MPFR's atan(x), rounded to nearest
};

const Case kCases[] = {
    // Inputs the fast evaluation cannot round: the accurate path decides.
    {0x1.a391b14fca647p+36, 0x1.921fb544390e5p+0},
    {0x1.7af3dcbf9649cp+17, 0x1.921f5ecbf61f5p+0},
    {0x1.d0faacc938e5cp+42, 0x1.921fb54442ae5p+0},
    {0x1.535b86802118ep+32, 0x1.921fb54381b35p+0},
    {0x1.2ec185bc3ea08p+26, 0x1.921fb50e25129p+0},
    // The bounds of the tiny and huge cases, and values either side of 1.
    {0x1p-27, 0x1p-27},
    {0x1.fffffffffffffp-28, 0x1.fffffffffffffp-28},
    {0x1p+55, 0x1.921fb54442d18p+0},
    {0x1.0000000000001p+55, 0x1.921fb54442d18p+0},
    {0x1p+0, 0x1.921fb54442d18p-1},
    {0x1.0000000000001p+0, 0x1.921fb54442d19p-1},
    {0x1.fffffffffffffp-1, 0x1.921fb54442d18p-1},
    {0x1.8p+1, 0x1.3fc176b7a856p+0},
    {0x1.4f8b588e368f1p-17, 0x1.4f8b588e06854p-17},
    {0x1.999999999999ap-4, 0x1.983e282e2cc4dp-4},
    {-0x1.8p-1, -0x1.4978fa3269ee1p-1},
    {-0x1.ep+2, -0x1.7030cf9403197p+0},
    // Zeros keep their sign, subnormals and infinities.
    {-0.0, -0.0},
    {0x0.0000000000001p-1022, 0x0.0000000000001p-1022},
    {-std::numeric_limits<double>::infinity(), -0x1.921fb54442d18p+0},
    {std::numeric_limits<double>::max(), 0x1.921fb54442d18p+0},
};

TEST(RoundedAtan, GivesTheCorrectlyRoundedValueByEitherPath) {
  for (const Case &c : kCases) {
    EXPECT_EQ(bitsOf(korvel::rounded::atan(c.x)), bitsOf(c.atan)) << c.x;
    EXPECT_EQ(bitsOf(korvel::rounded::atan(c.x, true)), bitsOf(c.atan)) << c.x << " (accurate)";
  }
}

#if defined(KORVEL_HAVE_SSE2)
TEST(RoundedAtan, TwoLanesGiveTheSameBits) {
  const std::size_t n = sizeof kCases / sizeof kCases[0];
  for (std::size_t i = 0; i < n; ++i) {
    double pair[2] = {kCases[i].x, kCases[(i + 1) % n].x};
    korvel::rounded::atanTwo(pair);
    EXPECT_EQ(bitsOf(pair[0]), bitsOf(kCases[i].atan)) << kCases[i].x;
    EXPECT_EQ(bitsOf(pair[1]), bitsOf(kCases[(i + 1) % n].atan)) << kCases[(i + 1) % n].x;
  }
}
#endif

struct SinCosCase {
  double x;
  double sin;  // MPFR's, rounded to nearest
  double cos;
};

const SinCosCase kSinCosCases[] = {
    // Multiples of pi/2 rounded: the reduction must not lose their distance.
    {-0x1.921fb54442d18p+0, -0x1p+0, 0x1.1a62633145c07p-54},
    {0x1.921fb54442d18p+1, 0x1.1a62633145c07p-53, -0x1p+0},
    {0x1.6ac5b262ca1ffp+849, 0x1p+0, -0x1.14ae72e6ba22fp-61},  // nearest of all doubles
    // Huge arguments, reduced by 2/pi's bits.
    {0x1.0f0cf064dd592p+73, -0x1.b453ab76bf397p-1, 0x1.0be2cef01c8f4p-1},  // 1e22
    {-0x1.31cfd3999f7bp+993, -0x1.7f8a52e97ff9p-1, -0x1.532d3a97dae13p-1},  // -1e299
    {0x1.fffffffffffffp+1023, 0x1.452fc98b34e97p-8, -0x1.fffe62ecfab75p-1},
    {0x1p+20, 0x1.526ccb2fc8656p-2, 0x1.e33ada92fe2aep-1},
    {0x1.0000000000001p+20, 0x1.526ccb338edb1p-2, 0x1.e33ada9254f48p-1},
    // The tiny bounds, and ordinary values.
    {0x1p-26, 0x1p-26, 0x1.fffffffffffffp-1},
    {0x1.fffffffffffffp-27, 0x1.fffffffffffffp-27, 0x1.fffffffffffffp-1},
    {0x1p-27, 0x1p-27, 0x1p+0},
    {0x0.0000000000001p-1022, 0x0.0000000000001p-1022, 0x1p+0},
    {-0.0, -0.0, 1},
    {-0x1.9p+6, 0x1.03425b78c4db8p-1, 0x1.b981dbf665fdfp-1},
    {0x1.921fb54442d15p-1, 0x1.6a09e667f3bcap-1, 0x1.6a09e667f3bcfp-1},
};

TEST(RoundedSinCos, GiveTheCorrectlyRoundedValuesByEitherPath) {
  for (const SinCosCase &c : kSinCosCases) {
    for (bool accurate : {false, true}) {
      EXPECT_EQ(bitsOf(korvel::rounded::sin(c.x, accurate)), bitsOf(c.sin)) << c.x << accurate;
      EXPECT_EQ(bitsOf(korvel::rounded::cos(c.x, accurate)), bitsOf(c.cos)) << c.x << accurate;
    }
  }
}

TEST(Rounded, GivesANaNBackQuietedAndInfinityTheInvalidNaN) {
  const std::uint64_t signalling = 0xfff4000000000123ULL;
  double x;
  std::memcpy(&x, &signalling, sizeof x);
  const std::uint64_t quieted = signalling | 0x0008000000000000ULL;
  EXPECT_EQ(bitsOf(korvel::rounded::atan(x)), quieted);
  EXPECT_EQ(bitsOf(korvel::rounded::sin(x)), quieted);
  EXPECT_EQ(bitsOf(korvel::rounded::cos(x)), quieted);
  // SSE2's default NaN, what inf - inf makes on every x86 target.
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(bitsOf(korvel::rounded::sin(-inf)), 0xfff8000000000000ULL);
  EXPECT_EQ(bitsOf(korvel::rounded::cos(inf)), 0xfff8000000000000ULL);
}

}  // namespace
