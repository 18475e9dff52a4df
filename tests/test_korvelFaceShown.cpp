#include <cmath>
#include <cstdint>
#include <limits>

#include "harness.h"
#include "reference.h"

using namespace harness;

namespace {
const double notANumber = std::numeric_limits<double>::quiet_NaN();

Result faceShown(const Array &faces, const Array &screen, const Array &mask) {
  return call("korvelFaceShown", {faces, screen, mask});
}

// A screen matrix whose rows 1 and 2 hold 1.0, so a kernel that reads the
// wrong row sees every point as visible.
Array screenWithFlags(const std::vector<double> &flags) {
  std::vector<double> columnMajor;
  for (double flag : flags) columnMajor.insert(columnMajor.end(), {1.0, 1.0, flag});
  return doubles(3, flags.size(), columnMajor);
}
}  // namespace

TEST(KorvelFaceShown, NoTrianglesGiveAnEmptyRowWithoutReadingTheScreen) {
  // The empty screen and mask have no data: a read would crash.
  Result result = faceShown(zeros(3, 0, mxINT32_CLASS), zeros(3, 0), zeros(0, 0, mxLOGICAL_CLASS));
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 0, {}));
}

TEST(KorvelFaceShown, DrawsAnEnabledTriangleWhenAnyCornerIsOnTheScreen) {
  Array screen = screenWithFlags({1, 0, 0, 0});
  // Only corner 1, only corner 2, only corner 3, none; index 0 is column 1.
  Array faces = int32s(3, 4, {0, 1, 2, 3, 0, 2, 3, 2, 0, 1, 2, 3});
  Result result = faceShown(faces, screen, logicals(1, 4, {1, 1, 1, 1}));
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 4, {1, 1, 1, 0}));
}

TEST(KorvelFaceShown, OnlyAFlagOfExactlyOneCounts) {
  const std::vector<double> flags = {0, 0.5, 2, -1, std::nextafter(1.0, 0.0),
                                     std::nextafter(1.0, 2.0), notANumber, -0.0, 1};
  Array screen = screenWithFlags(flags);
  std::vector<int32_t> corners;
  for (int32_t c = 0; c < static_cast<int32_t>(flags.size()); ++c)
    corners.insert(corners.end(), {c, c, c});  // degenerate triangles are tested as any other
  Array faces = int32s(3, flags.size(), corners);
  Result result = faceShown(faces, screen, uint8s(1, flags.size(), std::vector<uint8_t>(9, 1)));
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 9, {0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST(KorvelFaceShown, OnlyAnEnableByteOfExactlyOneEnables) {
  Array screen = screenWithFlags({1, 1, 1});
  Array faces = int32s(3, 5, {0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2});
  // A mask of any shape with more than T elements; byte t decides triangle t.
  Array mask = uint8s(2, 3, {0, 1, 2, 255, 1, 0});
  Result result = faceShown(faces, screen, mask);
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 5, {0, 1, 0, 0, 1}));

  // int8(-1) is byte 255; logical true is byte 1.
  Array int8Mask(mxCreateNumericMatrix(1, 2, mxINT8_CLASS, mxREAL));
  static_cast<int8_t *>(mxGetData(int8Mask.get()))[0] = -1;
  static_cast<int8_t *>(mxGetData(int8Mask.get()))[1] = 1;
  Array two = int32s(3, 2, {0, 1, 2, 0, 1, 2});
  EXPECT_TRUE(isMatrix(faceShown(two, screen, int8Mask).output(), 1, 2, {0, 1}));
  EXPECT_TRUE(isMatrix(faceShown(two, screen, logicals(2, 1, {1, 0})).output(), 1, 2, {1, 0}));
}

TEST(KorvelFaceShown, ReadsNoCornerOfADisabledTriangleNorAnyAfterTheFirstPass) {
  Array screen = screenWithFlags({1, 0});
  // Disabled triangles with indices far outside S; an enabled one whose first
  // corner passes, with later indices that would be outside S.
  Array faces = int32s(3, 3, {-5, 1000000, INT32_MAX, INT32_MIN, -1, 2, 0, -7, 99});
  Result result = faceShown(faces, screen, logicals(1, 3, {0, 0, 1}));
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 1, 3, {0, 0, 1}));
}

// A mesh of random triangles over the given points, some disabled with
// indices far outside S.
struct RandomMesh {
  std::vector<double> flags;
  std::vector<int32_t> corners;
  std::vector<uint8_t> enabled;
};

RandomMesh randomMesh(int32_t points, size_t triangles) {
  // Flags that must count and ones that must not, at every bit of a word.
  const double flagValues[] = {1.0, 0.5, std::nextafter(1.0, 2.0), notANumber, 0.0, 1.0, -1.0};
  RandomMesh mesh;
  uint32_t state = 12345;
  auto next = [&state] { return state = state * 1664525u + 1013904223u; };
  for (int32_t c = 0; c < points; ++c) mesh.flags.push_back(flagValues[next() % 7]);
  mesh.corners.resize(3 * triangles);
  mesh.enabled.resize(triangles);
  for (size_t t = 0; t < triangles; ++t) {
    mesh.enabled[t] = next() % 4 != 0;
    for (int k = 0; k < 3; ++k) {
      const int32_t inside = static_cast<int32_t>(next() % points);
      mesh.corners[3 * t + k] = mesh.enabled[t] ? inside : (k == 1 ? INT32_MIN : INT32_MAX - inside);
    }
  }
  return mesh;
}


TEST(KorvelFaceShown, LargeMeshesFollowTheRuleTriangleByTriangle) {
  // Small screens are read corner by corner with flags fetched well ahead;
  // large ones with many triangles through flags packed beforehand. Both
  // must decide each triangle by the rule, up to the last point's flag.
  const struct {
    int32_t points;
    size_t triangles;
  } sizes[] = {{300, 5000}, {20011, 30000}, {70001, 10000}};
  for (const auto &size : sizes) {
    RandomMesh mesh = randomMesh(size.points, size.triangles);
    // The last two points, in the last packed word: one flag counts, one not.
    const int32_t last = size.points - 1;
    mesh.flags[last] = 1.0;
    mesh.flags[last - 1] = 0.5;
    for (int k = 0; k < 3; ++k) {
      mesh.corners[k] = k < 2 ? last - 1 : last;
      mesh.corners[3 + k] = last - 1;
    }
    mesh.enabled[0] = mesh.enabled[1] = 1;
    Array screen = screenWithFlags(mesh.flags);
    Result result = faceShown(int32s(3, size.triangles, mesh.corners), screen,
                              uint8s(1, size.triangles, mesh.enabled));
    ASSERT_FALSE(result.failed) << result.message;
    std::vector<double> expected;
    ASSERT_TRUE(reference::faceShown(mesh.corners.data(), size.triangles, mesh.enabled.data(),
                                     screen.data(), mesh.flags.size(), expected));
    EXPECT_TRUE(isMatrix(result.output(), 1, size.triangles, expected)) << size.points;
  }
}

TEST(KorvelFaceShown, DecidesSharedCornersIndependentlyAndLeavesItsInputsAlone) {
  Array screen = screenWithFlags({0, 1, 0, 0});
  Array faces = int32s(3, 3, {0, 1, 2, 2, 3, 0, 3, 2, 1});
  Array mask = logicals(1, 3, {1, 1, 1});
  const std::vector<double> screenBefore = screen.values();
  for (int repeat = 0; repeat < 2; ++repeat)
    EXPECT_TRUE(isMatrix(faceShown(faces, screen, mask).output(), 1, 3, {1, 0, 1}));
  EXPECT_TRUE(sameBits(screenBefore, screen.values()));
  EXPECT_EQ(static_cast<const int32_t *>(mxGetData(faces.get()))[4], 3);
}

TEST(KorvelFaceShown, RefusesArgumentsItWouldMisread) {
  Array faces = int32s(3, 2, {0, 1, 2, 0, 1, 2});
  Array screen = screenWithFlags({0, 0, 0});
  Array mask = logicals(1, 2, {1, 1});
  EXPECT_TRUE(raised(call("korvelFaceShown", {faces, screen}), "korvelFaceShown:notEnoughInputs"));

  for (mxClassID wrong : {mxDOUBLE_CLASS, mxUINT32_CLASS, mxSINGLE_CLASS})
    EXPECT_TRUE(raised(faceShown(zeros(3, 2, wrong), screen, mask), "korvelFaceShown:badClass"));
  EXPECT_TRUE(raised(faceShown(zeros(2, 3, mxINT32_CLASS), screen, mask), "korvelFaceShown:badSize"));
  EXPECT_TRUE(raised(faceShown(faces, zeros(3, 3, mxSINGLE_CLASS), mask), "korvelFaceShown:badClass"));
  EXPECT_TRUE(raised(faceShown(faces, zeros(3, 3, mxDOUBLE_CLASS, mxCOMPLEX), mask),
                     "korvelFaceShown:badClass"));
  EXPECT_TRUE(raised(faceShown(faces, zeros(4, 3), mask), "korvelFaceShown:badSize"));
  for (mxClassID wrong : {mxDOUBLE_CLASS, mxCHAR_CLASS, mxINT32_CLASS})
    EXPECT_TRUE(raised(faceShown(faces, screen, zeros(1, 2, wrong)), "korvelFaceShown:badClass"));
  EXPECT_TRUE(raised(faceShown(faces, screen, logicals(1, 1, {1})), "korvelFaceShown:badSize"));
}

TEST(KorvelFaceShown, RefusesACornerOutsideTheScreenWhenItIsRead) {
  Array screen = screenWithFlags({0, 0, 0});
  Array mask = logicals(1, 2, {1, 1});
  // Negative, equal to the column count, and a third corner reached only
  // because the first two fail.
  for (int32_t bad : {-1, 3, INT32_MIN, INT32_MAX}) {
    Array faces = int32s(3, 2, {0, 1, 2, 0, 1, bad});
    EXPECT_TRUE(raised(faceShown(faces, screen, mask), "korvelFaceShown:badIndex")) << bad;
  }
  Array faces = int32s(3, 2, {0, 1, 2, 1, 3, 0});
  EXPECT_EQ(faceShown(faces, screen, mask).message,
            "F(2, 2), a corner of an enabled triangle, must be a zero-based column index of S, "
            "0 or more and below its 3 columns; got 3");
  // An empty screen has no valid index at all.
  EXPECT_TRUE(raised(faceShown(int32s(3, 1, {0, 0, 0}), zeros(3, 0), mask),
                     "korvelFaceShown:badIndex"));
}

TEST(KorvelFaceShown, ReportsTheFirstBadCornerOfALargeMesh) {
  RandomMesh mesh = randomMesh(20000, 30000);
  mesh.flags[0] = 0.0;
  for (size_t t : {size_t{29000}, size_t{17}}) {
    mesh.enabled[t] = 1;
    for (int k = 0; k < 3; ++k) mesh.corners[3 * t + k] = 0;
  }
  mesh.corners[3 * 29000 + 1] = -3;
  mesh.corners[3 * 17 + 2] = 20000;
  EXPECT_EQ(faceShown(int32s(3, 30000, mesh.corners), screenWithFlags(mesh.flags),
                      uint8s(1, 30000, mesh.enabled))
                .message,
            "F(3, 18), a corner of an enabled triangle, must be a zero-based column index of S, "
            "0 or more and below its 20000 columns; got 20000");
}
