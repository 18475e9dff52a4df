#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result torus(const Array &points) { return call("torusScreenMex", {points}); }

// The screen radius of a point, as written: atan of the rounded quotient,
// times the gain, plus the horizon radius.
double referenceSigma(double x, double y, double z) {
  const double rho = std::sqrt(x * x + y * y);
  return std::atan(z / rho) * 0.4625 + 0.4929;
}

// The projection as written, one point at a time.
std::vector<double> referenceTorus(const std::vector<double> &p) {
  std::vector<double> screen;
  for (size_t j = 0; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1];
    const double rho = std::sqrt(x * x + y * y);
    double sigma = referenceSigma(x, y, p[3 * j + 2]);
    double flag = 1.0;
    if (sigma < 0) {
      sigma = 0;
      flag = 0.0;
    } else if (sigma > 1) {
      sigma = 1;
      flag = 0.0;
    }
    screen.insert(screen.end(), {(sigma * x) / rho, (sigma * y) / rho, flag});
  }
  return screen;
}

std::vector<double> project(const std::vector<double> &p) {
  Array points = doubles(3, p.size() / 3, p);
  Result result = torus(points);
  EXPECT_FALSE(result.failed) << result.message;
  return result.failed ? std::vector<double>() : result.output().values();
}

// The z nearest to `start` (stepping one unit in the last place at a time)
// at which the point (1, 0, z) has screen radius exactly `sigma`.
double zWithSigma(double start, double sigma) {
  double up = start, down = start;
  for (int step = 0; step < 100000; ++step) {
    if (referenceSigma(1, 0, up) == sigma) return up;
    if (referenceSigma(1, 0, down) == sigma) return down;
    up = std::nextafter(up, kInf);
    down = std::nextafter(down, -kInf);
  }
  return kNan;
}
}  // namespace

TEST(TorusScreenMex, MapsBearingAndElevationOntoTheDisc) {
  const std::vector<double> screen =
      project({1, 0, 0, 3, 4, 0, 0, 2, 2, -2, 0, 1, 1, 0, 10, 3, 4, -100});
  ASSERT_EQ(screen.size(), 18u);
  // At the horizon the radius is 0.4929 along the bearing; above the upper
  // elevation the point goes to the rim, below the lower one to the centre.
  EXPECT_TRUE(sameBits({0.4929, 0, 1, (0.4929 * 3) / 5, (0.4929 * 4) / 5, 1},
                       {screen.begin(), screen.begin() + 6}));
  EXPECT_TRUE(sameBits({1, 0, 0, 0, 0, 0}, {screen.begin() + 12, screen.end()}));
  EXPECT_NEAR(screen[7], 0.8561466506, 1e-10);  // elevation pi/4
  EXPECT_NEAR(screen[9], -0.7073370192, 1e-10);
  EXPECT_TRUE(sameBits(referenceTorus({0, 2, 2, -2, 0, 1}), {screen.begin() + 6, screen.begin() + 12}));
}

TEST(TorusScreenMex, PointsOnTheZAxisAndNanPoints) {
  // Above or below the viewer: z/0 = +-inf, clamped, (1*0)/0 = NaN, flag 0.
  // At the viewer 0/0 is NaN, as is any NaN coordinate: no clamp, flag 1.
  const std::vector<double> screen =
      project({0, 0, 5, 0, 0, -5, 0, 0, 0, -0.0, 0, 1, kNan, 1, 1, 1, kNan, 1, 1, 1, kNan});
  EXPECT_TRUE(sameBits({kNan, kNan, 0, kNan, kNan, 0, kNan, kNan, 1, kNan, kNan, 0, kNan, kNan, 1,
                        kNan, kNan, 1, kNan, kNan, 1},
                       screen));
}

TEST(TorusScreenMex, ClampsOnlyStrictlyBeyondTheBounds) {
  const double zTop = zWithSigma(std::tan(0.5071 / 0.4625), 1.0);
  const double zBottom = zWithSigma(std::tan(-0.4929 / 0.4625), 0.0);
  ASSERT_FALSE(std::isnan(zTop));
  ASSERT_FALSE(std::isnan(zBottom));
  // Walk outward from each exact bound to the first z that clamps.
  double zAbove = zTop, zBelow = zBottom;
  while (!(referenceSigma(1, 0, zAbove) > 1)) zAbove = std::nextafter(zAbove, kInf);
  while (!(referenceSigma(1, 0, zBelow) < 0)) zBelow = std::nextafter(zBelow, -kInf);
  const std::vector<double> screen = project({1, 0, zTop, 1, 0, zAbove, -1, 0, zBottom, -1, 0, zBelow});
  EXPECT_TRUE(sameBits({1, 0, 1, 1, 0, 0, -0.0, 0, 1, -0.0, 0, 0}, screen));
}

TEST(TorusScreenMex, MatchesTheFormulaBitForBitOnAwkwardPoints) {
  samples::Coordinates coordinates(0x746f727573ull);
  std::vector<double> p = coordinates.points(1500);
  for (int i = 0; i < 300; ++i) {  // near both clamp bounds
    coordinates.appendNearSlope(p, std::tan(0.5071 / 0.4625), 40);
    coordinates.appendNearSlope(p, std::tan(-0.4929 / 0.4625), 40);
  }
  const std::vector<double> expected = referenceTorus(p);  // 2100 points: tiles and a tail
  EXPECT_TRUE(sameBits(expected, project(p)));

  // Near the bounds the samples tell apart what an implementation might do
  // instead: the two-argument arc tangent, or sigma * (x / rho).
  size_t twoArgument = 0, scaledBearing = 0;
  for (size_t j = 1500; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1], z = p[3 * j + 2];
    const double rho = std::sqrt(x * x + y * y);
    const double sigma = referenceSigma(x, y, z);
    twoArgument += !sameBits(sigma, std::atan2(z, rho) * 0.4625 + 0.4929);
    scaledBearing += !sameBits((sigma * x) / rho, sigma * (x / rho));
  }
  EXPECT_GT(twoArgument, 0u);
  EXPECT_GT(scaledBearing, 0u);
}

TEST(TorusScreenMex, EmptyPointsGiveAnEmptyScreenMatrix) {
  Array points = zeros(3, 0);
  Result result = torus(points);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 3, 0, {}));
}

TEST(TorusScreenMex, TakesOnlyThePointsAndLeavesThemUnchanged) {
  Array points = doubles(3, 1, {1, 0, 0});
  Array extra = scalar(7);
  for (int nlhs : {0, 1}) {
    Result result = call("torusScreenMex", {points, extra}, nlhs);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 3, 1, {0.4929, 0, 1}));
  }
  EXPECT_TRUE(isMatrix(points, 3, 1, {1, 0, 0}));
}

TEST(TorusScreenMex, RefusesCallsOutsideItsContract) {
  EXPECT_TRUE(raised(call("torusScreenMex", {}), "torusScreenMex:notEnoughInputs"));
  Array twoRows = zeros(2, 3), fourRows = zeros(4, 2);
  for (const Array *bad : {&twoRows, &fourRows})
    EXPECT_TRUE(raised(torus(*bad), "torusScreenMex:badSize"));
  Array single = zeros(3, 1, mxSINGLE_CLASS), complex = zeros(3, 1, mxDOUBLE_CLASS, mxCOMPLEX);
  for (const Array *bad : {&single, &complex})
    EXPECT_TRUE(raised(torus(*bad), "torusScreenMex:badClass"));
  EXPECT_EQ(torus(twoRows).message,
            "P must be a real double matrix with 3 rows; got a 2-by-3 double array");
}
