#include <cmath>
#include <limits>

#include "harness.h"
#include "point_samples.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNan = std::numeric_limits<double>::quiet_NaN();

Result torus(const Array &points) { return call("torusScreenMex", {points}); }

using reference::torusSigma;

// The fixed screen's command, and the one that takes a screen's constants
// given the fixed ones: every test of the fixed screen's results holds both.
const char *const kAtTheDefaultScreen[] = {"torusScreenMex", "korvelTorusScreen"};

// The points through `command`: the fixed screen's, or the one that takes
// a screen's constants given the fixed ones.
std::vector<double> project(const std::vector<double> &p, const std::string &command = "torusScreenMex") {
  const std::vector<double> fixedConstants = {0.4625, 0.4929};
  return pointsThrough(command, p, command == "torusScreenMex" ? std::vector<double>{} : fixedConstants);
}

// The z nearest to `start` (stepping one unit in the last place at a time)
// at which the point (1, 0, z) has screen radius exactly `sigma`.
double zWithSigma(double start, double sigma) {
  double up = start, down = start;
  for (int step = 0; step < 100000; ++step) {
    if (torusSigma(1, 0, up) == sigma) return up;
    if (torusSigma(1, 0, down) == sigma) return down;
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
  EXPECT_TRUE(sameBits(reference::torus({0, 2, 2, -2, 0, 1}),
                       {screen.begin() + 6, screen.begin() + 12}));
}

TEST(TorusScreenMex, PointsOnTheZAxisAndNanPoints) {
  // Above or below the viewer: z/0 = +-inf, clamped, (1*0)/0 = NaN, flag 0.
  // At the viewer 0/0 is NaN, as is any NaN coordinate: no clamp, flag 1.
  for (const char *command : kAtTheDefaultScreen)
    EXPECT_TRUE(sameBits({kNan, kNan, 0, kNan, kNan, 0, kNan, kNan, 1, kNan, kNan, 0, kNan, kNan, 1,
                          kNan, kNan, 1, kNan, kNan, 1},
                         project({0, 0, 5, 0, 0, -5, 0, 0, 0, -0.0, 0, 1, kNan, 1, 1, 1, kNan, 1, 1, 1, kNan},
                                 command)))
        << command;
}

TEST(TorusScreenMex, ClampsOnlyStrictlyBeyondTheBounds) {
  const double zTop = zWithSigma(std::tan(0.5071 / 0.4625), 1.0);
  const double zBottom = zWithSigma(std::tan(-0.4929 / 0.4625), 0.0);
  ASSERT_FALSE(std::isnan(zTop));
  ASSERT_FALSE(std::isnan(zBottom));
  // Walk outward from each exact bound to the first z that clamps.
  double zAbove = zTop, zBelow = zBottom;
  while (!(torusSigma(1, 0, zAbove) > 1)) zAbove = std::nextafter(zAbove, kInf);
  while (!(torusSigma(1, 0, zBelow) < 0)) zBelow = std::nextafter(zBelow, -kInf);
  for (const char *command : kAtTheDefaultScreen)
    EXPECT_TRUE(sameBits({1, 0, 1, 1, 0, 0, -0.0, 0, 1, -0.0, 0, 0},
                         project({1, 0, zTop, 1, 0, zAbove, -1, 0, zBottom, -1, 0, zBelow}, command)))
        << command;
}

TEST(TorusScreenMex, MatchesTheFormulaBitForBitOnAwkwardPoints) {
  samples::Coordinates coordinates(0x746f727573ull);
  std::vector<double> p = coordinates.points(1500);
  for (int i = 0; i < 300; ++i) {  // near both clamp bounds
    coordinates.appendNearSlope(p, std::tan(0.5071 / 0.4625), 40);
    coordinates.appendNearSlope(p, std::tan(-0.4929 / 0.4625), 40);
  }
  const std::vector<double> expected = reference::torus(p);  // 2100 points: tiles and a tail
  for (const char *command : kAtTheDefaultScreen) EXPECT_TRUE(sameBits(expected, project(p, command))) << command;

  // Near the bounds the samples tell apart what an implementation might do
  // instead: the two-argument arc tangent, or sigma * (x / rho).
  size_t twoArgument = 0, scaledBearing = 0;
  for (size_t j = 1500; j < p.size() / 3; ++j) {
    const double x = p[3 * j], y = p[3 * j + 1], z = p[3 * j + 2];
    const double rho = std::sqrt(x * x + y * y);
    const double sigma = torusSigma(x, y, z);
    twoArgument += !sameBits(sigma, std::atan2(z, rho) * 0.4625 + 0.4929);
    scaledBearing += !sameBits((sigma * x) / rho, sigma * (x / rho));
  }
  EXPECT_GT(twoArgument, 0u);
  EXPECT_GT(scaledBearing, 0u);
}

// The kernel works in tiles of 256 points: a last tile one short, full, or
// holding a single point is computed to its last point, which is ordinary
// here, so that a kernel that skipped it would leave zeros the reference
// does not give.
TEST(TorusScreenMex, EveryPointAroundTheTileSize) {
  samples::Coordinates coordinates(0x74696c65ull);
  for (size_t n : {255, 256, 257, 512}) {
    std::vector<double> p = coordinates.points(n);
    p.resize(3 * (n - 1));
    p.insert(p.end(), {3, 4, 1});
    for (const char *command : kAtTheDefaultScreen)
      EXPECT_TRUE(sameBits(reference::torus(p), project(p, command))) << n << " points, " << command;
  }
}

// Screens unlike the default: a dome (the zenith at the centre, the horizon
// on the rim), a narrow band about the horizon, a horizon off the screen,
// and gains too small or large for any screen, which still compute.
TEST(KorvelTorusScreen, ProjectsOntoTheScreenItsConstantsGive) {
  samples::Coordinates coordinates(0x6f776e746f72ull);
  std::vector<double> p = coordinates.points(600);
  p.insert(p.end(), {1, 0, 0, 0, 0, 5, 0, 0, -5, 0, 0, 0, 3, 4, kNan, 1, 0, 1, 1, 0, -1});
  const struct {
    double gain, horizon;
  } screens[] = {{-0.6366197723675814, 1}, {4, 0.5}, {0.5, -0.25}, {0.25, 1.5}, {-1e-300, 0.5}, {1e300, 0}};
  for (const auto &screen : screens) {
    const std::vector<double> expected = reference::torus(p, screen.gain, screen.horizon);
    EXPECT_TRUE(sameBits(expected, pointsThrough("korvelTorusScreen", p, {screen.gain, screen.horizon})))
        << screen.gain << " " << screen.horizon;
  }
  // The dome: the horizon on the rim, unclamped; below it, clamped to the rim.
  EXPECT_TRUE(sameBits({1, 0, 1, 1, 0, 0},
                       pointsThrough("korvelTorusScreen", {1, 0, 0, 1, 0, -1}, {-0.6366197723675814, 1})));
}

// The messages of both own-screen commands' refusals of their constants
// (the case table holds their identifiers).
TEST(ScreenConstants, RefusalsNameTheConstantWhatItMustBeAndWhatItWas) {
  Array points = doubles(3, 1, {1, 0, 0}), pair = row({0.4625, 0.4929}), single = zeros(1, 1, mxSINGLE_CLASS);
  Array nan = scalar(kNan), inf = scalar(kInf), minusInf = scalar(-kInf), zero = scalar(0), minusZero = scalar(-0.0),
        one = scalar(1);
  const struct {
    const char *command;
    const mxArray *first, *second;
    const char *message;
  } refused[] = {
      {"korvelTorusScreen", nan, one, "GAIN must be a finite number other than 0; got NaN"},
      {"korvelTorusScreen", zero, one, "GAIN must be a finite number other than 0; got 0"},
      {"korvelTorusScreen", minusZero, one, "GAIN must be a finite number other than 0; got -0"},
      {"korvelTorusScreen", one, inf, "HORIZON must be a finite number; got Inf"},
      {"korvelTorusScreen", pair, one, "GAIN must be a real double scalar; got a 1-by-2 double array"},
      {"korvelTorusScreen", pair, nullptr, "expected 3 inputs, as in S = korvelTorusScreen(P, GAIN, HORIZON); got 2"},
      {"korvelConeScreen", minusInf, one, "RADIAL must be a finite number; got -Inf"},
      {"korvelConeScreen", one, zero, "VERTICAL must be a finite number other than 0; got 0"},
      {"korvelConeScreen", one, inf, "VERTICAL must be a finite number other than 0; got Inf"},
      {"korvelConeScreen", one, single, "VERTICAL must be a real double scalar; got a 1-by-1 single array"}};
  for (const auto &r : refused) {
    std::vector<const mxArray *> inputs = {points, r.first};
    if (r.second) inputs.push_back(r.second);
    EXPECT_EQ(call(r.command, inputs).message, r.message) << r.command;
  }
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
