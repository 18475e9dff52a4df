// The toolbox's correctly rounded arc tangent gives MPFR's results on every
// target (tests/rounded/ checks millions where MPFR is at hand; this table
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

TEST(RoundedAtan, GivesANaNBackQuieted) {
  const std::uint64_t signalling = 0xfff4000000000123ULL;
  double x;
  std::memcpy(&x, &signalling, sizeof x);
  EXPECT_EQ(bitsOf(korvel::rounded::atan(x)), signalling | 0x0008000000000000ULL);
}

}  // namespace
