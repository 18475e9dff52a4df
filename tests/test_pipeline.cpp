// The scene-building road through the loader, one command after another:
// points -> korvelOffset -> korvelSpin -> torusScreenMex -> korvelFaceShown,
// and korvelRange of the turned points.
#include <cmath>

#include "harness.h"

using namespace harness;

namespace {
Result stage(const char *command, const std::vector<const mxArray *> &inputs) {
  Result result = call(command, inputs);
  EXPECT_FALSE(result.failed) << command << ": " << result.message;
  return result;
}
}  // namespace

TEST(ScenePipeline, PointsToDrawFlagsAndRanges) {
  // Each point is the viewer's position plus an offset d with x or y zero,
  // so a quarter turn leaves only terms far below the last bit of the other.
  // The screen flag depends on the elevation atan(z / rho) alone:
  //   d                  elevation   screen radius        flag
  //   0 ( 3,  0,    4)    0.927      0.92                 1
  //   1 ( 0,  4,    3)    0.644      0.79                 1
  //   2 ( 1,  0,   10)    1.471      1.17, above the rim  0
  //   3 ( 0,  0,    5)    on the z axis, clamped          0
  //   4 ( 0,  5, -100)   -1.521     -0.21, below 0        0
  //   5 (-2,  0,    1)    0.464      0.71                 1
  //   6 ( 0, -3,   -4)   -0.927      0.064                1
  const double viewer[3] = {10, -20, 1.5};
  const double d[7][3] = {{3, 0, 4},  {0, 4, 3},  {1, 0, 10}, {0, 0, 5},
                          {0, 5, -100}, {-2, 0, 1}, {0, -3, -4}};
  std::vector<double> scene;
  for (const auto &offset : d)
    for (int k = 0; k < 3; ++k) scene.push_back(viewer[k] + offset[k]);
  Array points = doubles(3, 7, scene);
  Array position = doubles(3, 1, {viewer[0], viewer[1], viewer[2]});
  Array heading = scalar(0x1.921fb54442d18p0);  // the double nearest to pi/2

  Result moved = stage("korvelOffset", {points, position});
  ASSERT_FALSE(moved.failed);
  std::vector<double> relative;
  for (const auto &offset : d) relative.insert(relative.end(), {offset[0], offset[1], offset[2]});
  EXPECT_TRUE(isMatrix(moved.output(), 3, 7, relative));

  Result turned = stage("korvelSpin", {moved.output(), heading});
  ASSERT_FALSE(turned.failed);
  Result screen = stage("torusScreenMex", {turned.output()});
  ASSERT_FALSE(screen.failed);
  ASSERT_EQ(screen.output().columns(), 7u);
  std::vector<double> flags;
  for (size_t j = 0; j < 7; ++j) flags.push_back(screen.output().values()[3 * j + 2]);
  EXPECT_TRUE(sameBits({1, 1, 0, 0, 0, 1, 1}, flags));

  // Triangles: first corner on screen; none; only the third; disabled though
  // visible; a degenerate one reaching its third corner; enabled, all visible.
  Array faces = int32s(3, 6, {0, 2, 3, 2, 3, 4, 2, 4, 1, 0, 1, 5, 3, 3, 6, 5, 5, 5});
  Array mask = logicals(1, 6, {1, 1, 1, 0, 1, 1});
  Result shown = stage("korvelFaceShown", {faces, screen.output(), mask});
  ASSERT_FALSE(shown.failed);
  EXPECT_TRUE(isMatrix(shown.output(), 1, 6, {1, 0, 1, 0, 1, 1}));

  // The turn keeps each distance: the tiny cross terms vanish in the squares.
  Result range = stage("korvelRange", {turned.output()});
  ASSERT_FALSE(range.failed);
  EXPECT_TRUE(isMatrix(range.output(), 1, 7,
                       {5, 5, std::sqrt(101.0), 5, std::sqrt(10025.0), std::sqrt(5.0), 5}));
}
