#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result range(const Array &points) { return call("korvelRange", {points}); }

// The formula as written: the three squares, (x*x + y*y) + z*z, the root.
std::vector<double> referenceRanges(const std::vector<double> &p) {
  std::vector<double> ranges;
  for (size_t j = 0; j < p.size() / 3; ++j)
    ranges.push_back(std::sqrt((p[3 * j] * p[3 * j] + p[3 * j + 1] * p[3 * j + 1]) +
                               p[3 * j + 2] * p[3 * j + 2]));
  return ranges;
}
}  // namespace

TEST(KorvelRange, GivesThePlainEuclideanNorm) {
  Array points = doubles(3, 6, {3, 4, 0, -3, -4, 0, 0, 0, 0, -0.0, -0.0, -0.0, 1e200, 0, 0,
                                1e-200, 0, 0});
  Result result = range(points);
  ASSERT_FALSE(result.failed) << result.message;
  // Unscaled: 1e200 squared overflows, 1e-200 squared underflows; a zero
  // range is +0 whatever the signs.
  EXPECT_TRUE(isMatrix(result.output(), 1, 6, {5, 5, 0, 0, kInf, 0}));
  EXPECT_EQ(bitsOf(result.output().values()[3]), bitsOf(0.0));
}

TEST(KorvelRange, NanWinsOverInfinity) {
  Array points = doubles(3, 4, {kNan, 1, 2, kInf, kNan, 0, -kInf, 1, 2, 0, 0, -kInf});
  Result result = range(points);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 4, {kNan, kNan, kInf, kInf}));
}

TEST(KorvelRange, EmptyPointsGiveAnEmptyRow) {
  Array points = zeros(3, 0);
  Result result = range(points);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 0, {}));
}

TEST(KorvelRange, MatchesTheFormulaBitForBitOnAwkwardPoints) {
  samples::Coordinates coordinates(0x72616e6765ull);
  std::vector<double> p = coordinates.points(3001);  // odd: a vector loop's tail too
  Array points = doubles(3, p.size() / 3, p);
  Result result = range(points);
  ASSERT_FALSE(result.failed) << result.message;
  const std::vector<double> expected = referenceRanges(p);
  EXPECT_TRUE(isMatrix(result.output(), 1, expected.size(), expected));

  // The samples tell the summation orders apart, so a kernel that adds in
  // another order, or calls hypot, fails above.
  std::vector<double> otherOrder, hypotenuse;
  for (size_t j = 0; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1], z = p[3 * j + 2];
    otherOrder.push_back(std::sqrt(x * x + (y * y + z * z)));
    hypotenuse.push_back(std::hypot(std::hypot(x, y), z));
  }
  EXPECT_GT(samples::differing(expected, otherOrder), 0u);
  EXPECT_GT(samples::differing(expected, hypotenuse), 0u);
}

TEST(KorvelRange, TakesOnlyThePointsAndLeavesThemUnchanged) {
  Array points = doubles(3, 2, {3, 4, 12, 1, 2, 2});
  Array extra = scalar(7);
  for (int nlhs : {0, 1}) {
    Result result = call("korvelRange", {points, extra}, nlhs);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 1, 2, {13, 3}));
  }
  EXPECT_TRUE(isMatrix(points, 3, 2, {3, 4, 12, 1, 2, 2}));
}

TEST(KorvelRange, RefusesCallsOutsideItsContract) {
  EXPECT_TRUE(raised(call("korvelRange", {}), "korvelRange:notEnoughInputs"));
  Array twoRows = zeros(2, 3), fourRows = zeros(4, 2), empty = zeros(0, 0);
  for (const Array *bad : {&twoRows, &fourRows, &empty})
    EXPECT_TRUE(raised(range(*bad), "korvelRange:badSize"));
  Array single = zeros(3, 1, mxSINGLE_CLASS), complex = zeros(3, 1, mxDOUBLE_CLASS, mxCOMPLEX);
  Array integers = zeros(3, 1, mxINT32_CLASS);
  for (const Array *bad : {&single, &complex, &integers})
    EXPECT_TRUE(raised(range(*bad), "korvelRange:badClass"));
  Array wide = zeros(1, 3);
  EXPECT_EQ(range(wide).message,
            "P must be a real double matrix with 3 rows; got a 1-by-3 double array");
}
