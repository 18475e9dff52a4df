#include <limits>

#include "harness.h"

using namespace harness;

namespace {
const double inf = std::numeric_limits<double>::infinity();
const double nan = std::numeric_limits<double>::quiet_NaN();

Result offset(const Array &points, const Array &position) {
  return call("korvelOffset", {points, position});
}
}  // namespace

TEST(KorvelOffset, SubtractsThePositionFromEveryPoint) {
  Array points = doubles(3, 2, {1, 2, 3, 10, 20, 30});
  Array position = doubles(3, 1, {1, 1, 1});
  Result result = offset(points, position);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 2, {0, 1, 2, 9, 19, 29}));
}

TEST(KorvelOffset, EveryCoordinateMeetsItsOwnPositionCoordinateAtAnyPointCount) {
  // Points are taken in pairs where the processor allows: odd and even
  // counts, and three position coordinates far apart, show a misaligned row.
  const std::vector<double> position = {0.1, -1e5, 3e10};
  for (size_t n = 1; n <= 7; ++n) {
    std::vector<double> values, expected;
    for (size_t k = 0; k < 3 * n; ++k) {
      values.push_back(0.25 * static_cast<double>(k) + 1.0 / 3.0);
      expected.push_back(values.back() - position[k % 3]);
    }
    Result result = offset(doubles(3, n, values), row(position));
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, n, expected)) << n << " points";
  }
}

TEST(KorvelOffset, EmptyPointsGiveAnEmptyResult) {
  Array points = zeros(3, 0);
  Array position = row({1, 2, 3});
  Result result = offset(points, position);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 0, {}));
}

TEST(KorvelOffset, ZeroPositionCopiesEveryBit) {
  const std::vector<double> values = {-0.0, inf, nan, -inf, 0.0, 5e-324,
                                      fromBits(0x7ff8000000000123ull), -1.5, 1e308};
  Array points = doubles(3, 3, values);
  Array position = row({0, 0, 0});
  Result result = offset(points, position);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 3, values));
  // -0 - +0 is -0: the sign of a zero survives.
  EXPECT_EQ(bitsOf(result.output().values()[0]), bitsOf(-0.0));
}

TEST(KorvelOffset, ReadsOnlyTheFirstThreeElementsOfThePositionWhateverItsShape) {
  Array points = doubles(3, 1, {5, 6, 7});
  Array column = doubles(3, 1, {1, 2, 3});
  Array rowPosition = row({1, 2, 3});
  Array longer = doubles(2, 3, {1, 2, 3, 100, 200, 300});
  for (const Array *position : {&column, &rowPosition, &longer}) {
    Result result = offset(points, *position);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, 1, {4, 4, 4}));
  }
}

TEST(KorvelOffset, FollowsIeeeRules) {
  Array points = doubles(3, 4, {nan, 1, inf, inf, -inf, 2, 1, 2, 3, 0, inf, 0});
  Array position = row({1, inf, 2});
  Result result = offset(points, position);
  ASSERT_FALSE(result.failed) << result.message;
  // NaN stays NaN; inf - finite = inf; finite - inf = -inf; inf - inf = NaN.
  EXPECT_TRUE(isMatrix(result.output(), 3, 4,
                       {nan, -inf, inf, inf, -inf, 0, 0, -inf, 1, -1, nan, -2}));
  Array nanPosition = row({nan, 0, 0});
  Result nanResult = offset(points, nanPosition);
  EXPECT_TRUE(isMatrix(nanResult.output(), 3, 4,
                       {nan, 1, inf, nan, -inf, 2, nan, 2, 3, nan, inf, 0}));
}

TEST(KorvelOffset, RoundsEachSubtractionOnce) {
  // 1 - 2^-54 rounds to 1 in double; a wider intermediate would not.
  Array points = doubles(3, 1, {1.0, 0.1, 1e16});
  Array position = row({fromBits(0x3c90000000000000ull), 0.3, -1.0});
  Result result = offset(points, position);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 1, {1.0 - 0x1p-54, 0.1 - 0.3, 1e16 + 1.0}));
}

TEST(KorvelOffset, ErrorMessagesNameTheArgumentWhatWasExpectedAndWhatWasGiven) {
  Array twoRows = zeros(2, 5, mxSINGLE_CLASS);
  Array position = row({0, 0, 0});
  EXPECT_EQ(offset(twoRows, position).message,
            "P must be a real double matrix with 3 rows; got a 2-by-5 single array");
  Array points = zeros(3, 1);
  Array shortPosition = row({1, 2});
  EXPECT_EQ(offset(points, shortPosition).message,
            "POS must be a real double array with at least 3 elements (its first 3 are used); "
            "got a 1-by-2 double array");
  EXPECT_EQ(call("korvelOffset", {points, position}, 3).message,
            "expected at most 1 output, as in R = korvelOffset(P, POS); 3 were requested");
  EXPECT_EQ(call("korvelOffset", {points}).message,
            "expected 2 inputs, as in R = korvelOffset(P, POS); got 1");
}
