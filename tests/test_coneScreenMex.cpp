#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result cone(const Array &points) { return call("coneScreenMex", {points}); }

double referenceDelta(double rho, double z) { return rho * 2.0349 - z * 0.98988; }

// The projection as written, one point at a time.
std::vector<double> referenceCone(const std::vector<double> &p) {
  std::vector<double> screen;
  for (size_t j = 0; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1];
    const double rho = std::sqrt(x * x + y * y);
    double lambda = 1 / referenceDelta(rho, p[3 * j + 2]);
    const double mu = 1 / rho;
    double flag = 1.0;
    if (lambda < 0) {
      lambda = mu;
      flag = 0.0;
    } else if (lambda > mu) {
      lambda = mu;
      flag = 0.0;
    }
    screen.insert(screen.end(), {lambda * x, lambda * y, flag});
  }
  return screen;
}

std::vector<double> project(const std::vector<double> &p) {
  Array points = doubles(3, p.size() / 3, p);
  Result result = cone(points);
  EXPECT_FALSE(result.failed) << result.message;
  return result.failed ? std::vector<double>() : result.output().values();
}
}  // namespace

TEST(ConeScreenMex, ScalesEachRayOntoTheCone) {
  const std::vector<double> screen =
      project({1, 0, 0, 3, 4, 0, 1, 0, 1, 2, 0, -2, 1, 0, 1.1, 1, 0, 3});
  ASSERT_EQ(screen.size(), 18u);
  // The point times the reciprocal of the cone denominator, never divided by
  // it; beyond the rim (1.1) or above the cone's reach (3): the rim, flag 0.
  const double horizon = 1 / 2.0349, bearing = 1 / (5 * 2.0349), steep = 1 / (2.0349 - 0.98988);
  EXPECT_TRUE(sameBits({horizon, 0, 1, bearing * 3, bearing * 4, 1, steep, 0, 1}, {screen.begin(), screen.begin() + 9}));
  EXPECT_NEAR(screen[6], 0.9569194848, 1e-10);
  EXPECT_NEAR(screen[9], 0.3306025562, 1e-10);
  EXPECT_TRUE(sameBits({0, 1, 1, 0, 0, 1, 0, 0}, {screen[10], screen[11], screen[12], screen[13],
                                                  screen[14], screen[15], screen[16], screen[17]}));
  EXPECT_TRUE(sameBits(referenceCone({2, 0, -2}), {screen.begin() + 9, screen.begin() + 12}));
}

TEST(ConeScreenMex, PointsOnTheZAxisAndNanPoints) {
  // Below the viewer: the centre, flag 1. Above: lambda < 0 becomes
  // mu = +inf, inf * 0 = NaN, flag 0. At the viewer lambda = mu = +inf, not
  // above it: NaN, flag 1. A NaN coordinate: NaN, flag 1.
  const std::vector<double> screen =
      project({0, 0, -5, 0, 0, 5, 0, 0, 0, kNan, 1, 1, 1, kNan, 1, 1, 1, kNan});
  EXPECT_TRUE(sameBits({0, 0, 1, kNan, kNan, 0, kNan, kNan, 1, kNan, kNan, 1, kNan, kNan, 1, kNan,
                        kNan, 1},
                       screen));
}

TEST(ConeScreenMex, ClampsOnlyStrictlyBeyondTheBounds) {
  // (1, 0, z) with delta exactly rho = 1, so lambda equals mu: unclamped.
  double zRim = 1.0349 / 0.98988;
  for (int step = 0; referenceDelta(1, zRim) != 1 && step < 100000; ++step)
    zRim = std::nextafter(zRim, referenceDelta(1, zRim) > 1 ? kInf : -kInf);
  ASSERT_EQ(referenceDelta(1, zRim), 1);
  double zBeyond = zRim;
  while (!(1 / referenceDelta(1, zBeyond) > 1)) zBeyond = std::nextafter(zBeyond, kInf);
  // z = +inf gives delta = -inf and lambda = -0, not below 0: flag 1.
  const std::vector<double> screen = project({1, 0, zRim, 1, 0, zBeyond, 1, 0, kInf, 2, 0, -kInf});
  EXPECT_TRUE(sameBits({1, 0, 1, 1, 0, 0, -0.0, -0.0, 1, 0, 0, 1}, screen));
  EXPECT_EQ(bitsOf(screen[6]), bitsOf(-0.0));
}

TEST(ConeScreenMex, MatchesTheFormulaBitForBitOnAwkwardPoints) {
  samples::Coordinates coordinates(0x636f6e65ull);
  std::vector<double> p = coordinates.points(1500);
  for (int i = 0; i < 300; ++i) {  // near the rim and near where lambda changes sign
    coordinates.appendNearSlope(p, 1.0349 / 0.98988, 40);
    coordinates.appendNearSlope(p, 2.0349 / 0.98988, 40);
  }
  const std::vector<double> expected = referenceCone(p);
  EXPECT_TRUE(sameBits(expected, project(p)));

  // The samples tell the reciprocal apart from a division by delta.
  size_t divided = 0;
  for (size_t j = 0; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1];
    const double delta = referenceDelta(std::sqrt(x * x + y * y), p[3 * j + 2]);
    divided += !sameBits((1 / delta) * x, x / delta);
  }
  EXPECT_GT(divided, 0u);
}

TEST(ConeScreenMex, EmptyPointsGiveAnEmptyScreenMatrix) {
  Array points = zeros(3, 0);
  Result result = cone(points);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 0, {}));
}

TEST(ConeScreenMex, TakesOnlyThePointsAndLeavesThemUnchanged) {
  Array points = doubles(3, 1, {0, 0, -5});
  Array extra = scalar(7);
  for (int nlhs : {0, 1}) {
    Result result = call("coneScreenMex", {points, extra}, nlhs);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, 1, {0, 0, 1}));
  }
  EXPECT_TRUE(isMatrix(points, 3, 1, {0, 0, -5}));
}

TEST(ConeScreenMex, RefusesCallsOutsideItsContract) {
  EXPECT_TRUE(raised(call("coneScreenMex", {}), "coneScreenMex:notEnoughInputs"));
  Array twoRows = zeros(2, 3), fourRows = zeros(4, 2);
  for (const Array *bad : {&twoRows, &fourRows})
    EXPECT_TRUE(raised(cone(*bad), "coneScreenMex:badSize"));
  Array single = zeros(3, 1, mxSINGLE_CLASS), logical = zeros(3, 1, mxLOGICAL_CLASS);
  for (const Array *bad : {&single, &logical})
    EXPECT_TRUE(raised(cone(*bad), "coneScreenMex:badClass"));
  EXPECT_EQ(cone(single).message,
            "P must be a real double matrix with 3 rows; got a 3-by-1 single array");
}
