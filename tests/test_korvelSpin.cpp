#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();
const double kHalfPi = 1.5707963267948966;

Result spin(const Array &points, const Array &angle) {
  return call("korvelSpin", {points, angle});
}

}  // namespace

TEST(KorvelSpin, TurnsByMinusTheAngleCarryingTheCosinesRounding) {
  // A quarter turn takes +x toward -y; cos(-pi/2) is about 6.12e-17, not 0.
  Array points = doubles(3, 2, {1, 0, 5, 0, 1, 5});
  Array angle = scalar(kHalfPi);
  Result result = spin(points, angle);
  ASSERT_FALSE(result.failed) << result.message;
  // cos(-pi/2 rounded) correctly rounded, on every target (MPFR's value; the
  // 32-bit Windows runtime's x87 cosine gave 6.1230317691118863e-17).
  const double c = 0x1.1a62633145c07p-54;  // 6.123233995736766e-17
  EXPECT_TRUE(isMatrix(result.output(), 3, 2, {c, -1, 5, 1, c, 5}));
}

TEST(KorvelSpin, AlwaysFormsBothProducts) {
  // At angle 0, s = -0: finite points come back unchanged up to the sign of
  // a zero, but inf * -0 makes the other row NaN.
  Array points = doubles(3, 3, {1.5, -2.5, 3, kInf, 1, 2, 1, -kInf, 0});
  Array zero = scalar(0);
  Result result = spin(points, zero);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 3, {1.5, -2.5, 3, kInf, kNan, 2, kNan, -kInf, 0}));
}

TEST(KorvelSpin, ANonFiniteAngleMakesTheTurnedRowsNanAndKeepsZ) {
  Array points = doubles(3, 2, {1, 2, -0.0, 0, 0, kInf});
  for (double theta : {kNan, kInf, -kInf}) {
    Array angle = scalar(theta);
    Result result = spin(points, angle);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, 2, {kNan, kNan, -0.0, kNan, kNan, kInf}));
  }
}

TEST(KorvelSpin, CopiesZBitForBit) {
  const double payloadNan = fromBits(0x7ff4000000000abcull);  // signalling, with a payload
  Array points = doubles(3, 4, {1, 2, -0.0, 3, 4, payloadNan, 5, 6, -kInf, 7, 8, 5e-324});
  Array angle = scalar(0.7);
  Result result = spin(points, angle);
  ASSERT_FALSE(result.failed) << result.message;
  const std::vector<double> values = result.output().values();
  EXPECT_EQ(bitsOf(values[2]), bitsOf(-0.0));
  EXPECT_EQ(bitsOf(values[5]), bitsOf(payloadNan));
  EXPECT_EQ(bitsOf(values[8]), bitsOf(-kInf));
  EXPECT_EQ(bitsOf(values[11]), bitsOf(5e-324));
}

TEST(KorvelSpin, ReadsOnlyTheFirstElementOfTheAngle) {
  Array points = doubles(3, 1, {1, 2, 3});
  Array angles = doubles(2, 2, {0.5, 9, 9, 9});
  Result result = spin(points, angles);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 1, reference::spin({1, 2, 3}, 0.5)));
}

TEST(KorvelSpin, EmptyPointsGiveAnEmptyResultButNeedAnAngle) {
  Array points = zeros(3, 0);
  Array angle = scalar(1);
  Result result = spin(points, angle);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 0, {}));
  Array noAngle = zeros(1, 0);
  EXPECT_TRUE(raised(spin(points, noAngle), "korvelSpin:badSize"));
}

TEST(KorvelSpin, MatchesTheFormulaBitForBitOnAwkwardPointsAndAngles) {
  samples::Coordinates coordinates(0x7370696eull);
  std::vector<double> p = coordinates.points(1001);
  Array points = doubles(3, p.size() / 3, p);
  size_t sensitive = 0;
  for (double theta : {0.0, -0.0, kHalfPi, -kHalfPi, 3.141592653589793, 1e22, -1e-300, 0.7, -2.5,
                       coordinates.ordinary(), coordinates.next()}) {
    Array angle = scalar(theta);
    Result result = spin(points, angle);
    ASSERT_FALSE(result.failed) << result.message;
    const std::vector<double> expected = reference::spin(p, theta);
    EXPECT_TRUE(isMatrix(result.output(), 3, p.size() / 3, expected)) << "theta " << theta;
    // A kernel that used the angle unnegated, or swapped the sine's sign in
    // a row, would differ on these samples.
    sensitive += samples::differing(expected, reference::spin(p, -theta)) > 0;
  }
  EXPECT_GT(sensitive, 5u);
}

TEST(KorvelSpin, TakesOnlyItsInputsAndLeavesThemUnchanged) {
  Array points = doubles(3, 1, {1, 2, 3});
  Array angle = scalar(0.25);
  Array extra = scalar(7);
  for (int nlhs : {0, 1}) {
    Result result = call("korvelSpin", {points, angle, extra}, nlhs);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, 1, reference::spin({1, 2, 3}, 0.25)));
  }
  EXPECT_TRUE(isMatrix(points, 3, 1, {1, 2, 3}));
  EXPECT_TRUE(isMatrix(angle, 1, 1, {0.25}));
}

TEST(KorvelSpin, RefusesCallsOutsideItsContract) {
  Array points = doubles(3, 1, {1, 2, 3});
  Array angle = scalar(0);
  EXPECT_TRUE(raised(call("korvelSpin", {}), "korvelSpin:notEnoughInputs"));
  EXPECT_TRUE(raised(call("korvelSpin", {points}), "korvelSpin:notEnoughInputs"));
  Array twoRows = zeros(2, 3), fourRows = zeros(4, 2);
  for (const Array *bad : {&twoRows, &fourRows})
    EXPECT_TRUE(raised(spin(*bad, angle), "korvelSpin:badSize"));
  Array single = zeros(1, 1, mxSINGLE_CLASS), complex = zeros(3, 1, mxDOUBLE_CLASS, mxCOMPLEX);
  EXPECT_TRUE(raised(spin(points, single), "korvelSpin:badClass"));
  EXPECT_TRUE(raised(spin(complex, angle), "korvelSpin:badClass"));
  Array noAngle = zeros(0, 0);
  EXPECT_EQ(spin(points, noAngle).message,
            "THETA must be a real double array with at least 1 element (its first is used); got "
            "a 0-by-0 double array");
  EXPECT_EQ(call("korvelSpin", {points}).message,
            "expected 2 inputs, as in R = korvelSpin(P, THETA); got 1");
}

TEST(KorvelToViewer, GivesTheBitsOfKorvelOffsetThenKorvelSpin) {
  samples::Coordinates coordinates(0x766965776572ull);
  const std::vector<double> p = coordinates.points(1001);
  Array points = doubles(3, p.size() / 3, p);
  const std::vector<std::vector<double>> positions = {
      {0, 0, 0}, {-0.0, -0.0, -0.0}, {0.75, -20, 5}, {kNan, 1, -kInf}, {kInf, -1e300, 1e-310},
      {coordinates.ordinary(), coordinates.next(), coordinates.next()}};
  for (const std::vector<double> &pos : positions)
    for (double theta : {0.0, -0.0, kHalfPi, 3.141592653589793, -2.5, 1e22, -1e300, kNan, kInf,
                         coordinates.next()}) {
      Array position = doubles(1, 3, pos);
      Array angle = scalar(theta);
      Result moved = call("korvelOffset", {points, position});
      ASSERT_FALSE(moved.failed) << moved.message;
      Result chained = spin(moved.output(), angle);
      Result viewed = call("korvelToViewer", {points, position, angle});
      ASSERT_FALSE(viewed.failed) << viewed.message;
      EXPECT_TRUE(sameBits(chained.output().values(), viewed.output().values()))
          << "position (" << pos[0] << ", " << pos[1] << ", " << pos[2] << "), theta " << theta;
    }
  Array empty = zeros(3, 0), position = doubles(3, 1, {1, 2, 3}), angle = scalar(1);
  Result none = call("korvelToViewer", {empty, position, angle});
  ASSERT_FALSE(none.failed) << none.message;
  EXPECT_TRUE(isMatrix(none.output(), 3, 0, {}));
}
