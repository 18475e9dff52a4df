#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result range(const Array &points) { return call("korvelRange", {points}); }

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
  Array exact = doubles(3, 2, {3, 4, 12, 1, 2, 2});
  EXPECT_TRUE(isMatrix(range(exact).output(), 1, 2, {13, 3}));
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
  const std::vector<double> expected = reference::range(p);
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

TEST(KorvelRange, ErrorMessageNamesTheArgumentWhatWasExpectedAndWhatWasGiven) {
  Array wide = zeros(1, 3);
  EXPECT_EQ(range(wide).message,
            "P must be a real double matrix with 3 rows; got a 1-by-3 double array");
}
