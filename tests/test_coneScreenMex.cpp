#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result cone(const Array &points) { return call("coneScreenMex", {points}); }

// The fixed cone's command, and the one that takes a cone's constants given
// the fixed ones: every test of the fixed cone's results holds both.
const char *const kAtTheDefaultCone[] = {"coneScreenMex", "korvelConeScreen"};

// The points through `command`: the fixed screen's, or the one that takes
// a screen's constants given the fixed ones.
std::vector<double> project(const std::vector<double> &p, const std::string &command = "coneScreenMex") {
  const std::vector<double> fixedConstants = {2.0349, 0.98988};
  return pointsThrough(command, p, command == "coneScreenMex" ? std::vector<double>{} : fixedConstants);
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
  EXPECT_TRUE(sameBits(reference::cone({2, 0, -2}), {screen.begin() + 9, screen.begin() + 12}));
}

TEST(ConeScreenMex, PointsOnTheZAxisAndNanPoints) {
  // Below the viewer: the centre, flag 1. Above: lambda < 0 becomes
  // mu = +inf, inf * 0 = NaN, flag 0. At the viewer lambda = mu = +inf, not
  // above it: NaN, flag 1. A NaN coordinate: NaN, flag 1.
  for (const char *command : kAtTheDefaultCone)
    EXPECT_TRUE(sameBits({0, 0, 1, kNan, kNan, 0, kNan, kNan, 1, kNan, kNan, 1, kNan, kNan, 1, kNan, kNan, 1},
                         project({0, 0, -5, 0, 0, 5, 0, 0, 0, kNan, 1, 1, 1, kNan, 1, 1, 1, kNan}, command)))
        << command;
}

TEST(ConeScreenMex, ClampsOnlyStrictlyBeyondTheBounds) {
  // (1, 0, z) with delta exactly rho = 1, so lambda equals mu: unclamped.
  double zRim = 1.0349 / 0.98988;
  for (int step = 0; reference::coneDelta(1, zRim) != 1 && step < 100000; ++step)
    zRim = std::nextafter(zRim, reference::coneDelta(1, zRim) > 1 ? kInf : -kInf);
  ASSERT_EQ(reference::coneDelta(1, zRim), 1);
  double zBeyond = zRim;
  while (!(1 / reference::coneDelta(1, zBeyond) > 1)) zBeyond = std::nextafter(zBeyond, kInf);
  // z = +inf gives delta = -inf and lambda = -0, not below 0: flag 1.
  for (const char *command : kAtTheDefaultCone) {
    const std::vector<double> screen = project({1, 0, zRim, 1, 0, zBeyond, 1, 0, kInf, 2, 0, -kInf}, command);
    EXPECT_TRUE(sameBits({1, 0, 1, 1, 0, 0, -0.0, -0.0, 1, 0, 0, 1}, screen)) << command;
    EXPECT_EQ(bitsOf(screen[6]), bitsOf(-0.0)) << command;
  }
}

TEST(ConeScreenMex, MatchesTheFormulaBitForBitOnAwkwardPoints) {
  samples::Coordinates coordinates(0x636f6e65ull);
  std::vector<double> p = coordinates.points(1500);
  for (int i = 0; i < 300; ++i) {  // near the rim and near where lambda changes sign
    coordinates.appendNearSlope(p, 1.0349 / 0.98988, 40);
    coordinates.appendNearSlope(p, 2.0349 / 0.98988, 40);
  }
  const std::vector<double> expected = reference::cone(p);
  for (const char *command : kAtTheDefaultCone) EXPECT_TRUE(sameBits(expected, project(p, command))) << command;

  // The samples tell the reciprocal apart from a division by delta.
  size_t divided = 0;
  for (size_t j = 0; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1];
    const double delta = reference::coneDelta(std::sqrt(x * x + y * y), p[3 * j + 2]);
    divided += !sameBits((1 / delta) * x, x / delta);
  }
  EXPECT_GT(divided, 0u);
}

// Cones unlike the default: a shallow one with its rim at eye height, a flat
// screen below the eye (RADIAL 0), a cone above it (VERTICAL < 0), and
// constants no screen has, which still compute.
TEST(KorvelConeScreen, ProjectsOntoTheConeItsConstantsGive) {
  samples::Coordinates coordinates(0x6f776e636f6eull);
  std::vector<double> p = coordinates.points(600);
  p.insert(p.end(), {1, 0, 0, 0, 0, 5, 0, 0, -5, 0, 0, 0, 3, 4, kNan, 0, 2, 1, 3, 4, -2});
  const struct {
    double radial, vertical;
  } cones[] = {{1, 2}, {0, 2}, {1.5, -0.75}, {-3, 1e300}, {1e-300, -1e-300}};
  for (const auto &c : cones) {
    const std::vector<double> expected = reference::cone(p, c.radial, c.vertical);
    EXPECT_TRUE(sameBits(expected, pointsThrough("korvelConeScreen", p, {c.radial, c.vertical})))
        << c.radial << " " << c.vertical;
  }
  // The shallow cone: the horizon on the rim, unclamped; a point below it
  // inside; one whose ray runs parallel to the cone (delta 0) on the rim.
  EXPECT_TRUE(sameBits({1, 0, 1, 1.0 / 9 * 3, 1.0 / 9 * 4, 1, 0, 1, 0},
                       pointsThrough("korvelConeScreen", {1, 0, 0, 3, 4, -2, 0, 2, 1}, {1, 2})));
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
