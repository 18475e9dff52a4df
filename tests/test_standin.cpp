// The stand-in host itself: a fault here would mislead every other test.
#include <climits>
#include <cmath>
#include <limits>

#include "case_format.h"
#include "harness.h"
#include "loader.h"

using namespace harness;

TEST(StandinHost, CreatesZeroFilledMatricesOfEveryClass) {
  Array matrix(mxCreateDoubleMatrix(3, 5, mxREAL));
  EXPECT_TRUE(isMatrix(matrix, 3, 5, std::vector<double>(15, 0.0)));
  for (double value : matrix.values()) EXPECT_EQ(bitsOf(value), 0u);  // +0, not -0

  for (mxClassID classId : {mxINT32_CLASS, mxUINT8_CLASS, mxLOGICAL_CLASS, mxSINGLE_CLASS,
                            mxCHAR_CLASS}) {
    Array other = zeros(2, 4, classId);
    EXPECT_EQ(mxGetClassID(other.get()), classId);
    EXPECT_EQ(other.rows(), 2u);
    EXPECT_EQ(other.columns(), 4u);
    const unsigned char *bytes = static_cast<const unsigned char *>(mxGetData(other.get()));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(bytes[i], 0);
  }
  Array complexMatrix = zeros(2, 2, mxDOUBLE_CLASS, mxCOMPLEX);
  EXPECT_TRUE(mxIsComplex(complexMatrix.get()));
  EXPECT_NE(mxGetPi(complexMatrix.get()), nullptr);
}

namespace {
std::vector<int> dimensionsOf(const mxArray *array) {
  const int *dimensions = mxGetDimensions(array);
  return std::vector<int>(dimensions, dimensions + mxGetNumberOfDimensions(array));
}
}  // namespace

// As the hosts do: at least two dimensions, none 0-by-0 and one a column,
// trailing singletons beyond the second dropped; mxGetN the product of all
// but the first.
TEST(StandinHost, ArraysHaveTheHostsDimensions) {
  struct Case {
    std::vector<int> asked, made;
    size_t columns;
  };
  const Case table[] = {{{}, {0, 0}, 0},           {{5}, {5, 1}, 1},
                        {{2, 3, 1}, {2, 3}, 3},    {{4, 1, 7, 1, 1}, {4, 1, 7}, 7},
                        {{3, 4, 3}, {3, 4, 3}, 12}, {{0, 2, 3}, {0, 2, 3}, 6}};
  for (const Case &c : table) {
    Array array(mxCreateNumericArray(static_cast<int>(c.asked.size()), c.asked.data(), mxUINT8_CLASS, mxREAL));
    EXPECT_EQ(dimensionsOf(array.get()), c.made);
    EXPECT_EQ(array.rows(), static_cast<size_t>(c.made[0]));
    EXPECT_EQ(array.columns(), c.columns);
    const size_t count = array.rows() * c.columns;
    ASSERT_EQ(mxGetNumberOfElements(array.get()), count);
    const auto *bytes = static_cast<const unsigned char *>(mxGetData(array.get()));
    EXPECT_EQ(bytes == nullptr, count == 0);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(bytes[i], 0);
  }
  EXPECT_EQ(dimensionsOf(zeros(3, 5).get()), (std::vector<int>{3, 5}));
  Array huge = zeros(3, 1);
  standinReportColumnCount(huge.get(), size_t{1} << 31);
  EXPECT_EQ(dimensionsOf(huge.get()), (std::vector<int>{3, INT_MAX}));
}

namespace {
// What createRefused asks the host for, inside a call so that it can raise.
std::vector<int> refusedDimensions;
void createRefused(int, mxArray *plhs[], int, const mxArray *[]) {
  plhs[0] = mxCreateNumericArray(static_cast<int>(refusedDimensions.size()), refusedDimensions.data(),
                                 mxDOUBLE_CLASS, mxREAL);
}
}  // namespace

TEST(StandinHost, RefusesArraysItCannotMake) {
  const std::pair<std::vector<int>, const char *> table[] = {
      {{2, -1, 3}, "standin:badSize"},
      {{1 << 30, 1 << 30, 1 << 30}, "standin:outOfMemory"},
      {{0, 1 << 30, 1 << 30, 1 << 30}, "standin:outOfMemory"}};  // mxGetN could not say
  for (const auto &c : table) {
    refusedDimensions = c.first;
    mxArray *output[1];
    StandinError error;
    const long alive = standinArraysAlive();
    standinCall(createRefused, 1, output, 0, nullptr, &error);
    EXPECT_TRUE(error.raised);
    EXPECT_STREQ(error.identifier, c.second);
    EXPECT_EQ(output[0], nullptr);
    EXPECT_EQ(standinArraysAlive(), alive);
  }
}

// A value written to a case file, read back as a host array and written
// again gives the same bytes; a matrix keeps the header it always had.
TEST(CaseFormat, ArraysRoundTripThroughTheFiles) {
  std::vector<std::uint8_t> pixels(2 * 3 * 3);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(250 + i);
  const struct {
    cases::Value value;
    std::vector<int> dimensions;
    size_t headerBytes;
  } table[] = {
      {cases::doubles(2, 3, {1, -0.0, NAN, INFINITY, 5, 6}), {2, 3}, 4 + 6 + 8 + 8},
      {cases::array("uint8", {2, 3, 3}, pixels), {2, 3, 3}, 4 + 5 + 8 + 8 + 4 + 2 * 8},
      {cases::array("double", {1, 2, 1, 2}, std::vector<double>{-0.0, 1e-310, NAN, -INFINITY}), {1, 2, 1, 2},
       4 + 6 + 8 + 8 + 4 + 3 * 8},
      {cases::picture(4, 1), {4, 1, 3}, 4 + 6 + 8 + 8 + 4 + 2 * 8},
      {cases::array("uint8", {4, 2, 1}, std::vector<std::uint8_t>(8, 7)), {4, 2}, 4 + 5 + 8 + 8}};
  for (const auto &c : table) {
    caseformat::Output written;
    caseformat::writeValue(written, c.value);
    EXPECT_EQ(written.data().size(), c.headerBytes + c.value.bytes.size());
    caseformat::Input in(written.data());
    mxArray *read = nullptr;
    std::string problem;
    ASSERT_TRUE(caseformat::readArray(in, read, problem)) << problem;
    Array array(read);
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(dimensionsOf(array.get()), c.dimensions);
    EXPECT_EQ(array.rows(), c.value.rows);
    EXPECT_EQ(array.columns(), c.value.columns);
    caseformat::Output again;
    caseformat::writeArray(again, array.get());
    EXPECT_EQ(again.data(), written.data());
  }
}

TEST(StandinHost, EmptyArraysHaveNoData) {
  Array empty(mxCreateDoubleMatrix(3, 0, mxREAL));
  EXPECT_EQ(empty.rows(), 3u);
  EXPECT_EQ(empty.columns(), 0u);
  EXPECT_EQ(mxGetNumberOfElements(empty.get()), 0u);
  EXPECT_EQ(empty.data(), nullptr);  // a plug-in that reads it crashes the test
}

TEST(StandinHost, ClassNamesFollowTheHost) {
  EXPECT_STREQ(mxGetClassName(zeros(1, 1).get()), "double");
  EXPECT_STREQ(mxGetClassName(zeros(1, 1, mxINT32_CLASS).get()), "int32");
  EXPECT_STREQ(mxGetClassName(zeros(1, 1, mxLOGICAL_CLASS).get()), "logical");
}

TEST(StandinHost, CallsTheEntryAndReturnsItsOutput) {
  Array mode = scalar(0);
  Result result = call("standin_probe", {mode});
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_TRUE(isMatrix(result.output(), 2, 3, std::vector<double>(6, 0.0)));
}

TEST(StandinHost, PassesArgumentCountsAndAtLeastOneOutputSlot) {
  Array mode = scalar(3);
  Array extra = scalar(0);
  Result none = call("standin_probe", {mode, extra, extra}, 0);
  EXPECT_TRUE(isMatrix(none.output(), 1, 2, {3, 0}));
  Result two = call("standin_probe", {mode}, 2);
  EXPECT_TRUE(isMatrix(two.output(), 1, 2, {1, 2}));
  EXPECT_EQ(two.outputs.at(1).get(), nullptr);
}

TEST(StandinHost, HandsBackTheErrorAndFreesWhatTheCommandMade) {
  Array mode = scalar(1);
  const long alive = standinArraysAlive();
  Result result = call("standin_probe", {mode});
  EXPECT_TRUE(raised(result, "probe:failed"));
  EXPECT_EQ(result.message, "failed after 3 of four");
  EXPECT_EQ(standinArraysAlive(), alive);
  // The host keeps working after an aborted call.
  Array again = scalar(0);
  EXPECT_FALSE(call("standin_probe", {again}).failed);
}

TEST(StandinHost, GivesCommandsTheCallersOwnData) {
  Array mode = scalar(2);
  Array target = scalar(0);
  ASSERT_FALSE(call("standin_probe", {mode, target}).failed);
  EXPECT_EQ(target.values(), std::vector<double>{42});
}

TEST(StandinHost, ReportsAChosenDataAddress) {
  Array array = scalar(5);
  void *address = reinterpret_cast<void *>(static_cast<uintptr_t>(0x12345670u));
  standinReportDataAddress(array.get(), address);
  EXPECT_EQ(mxGetData(array.get()), address);
  EXPECT_EQ(static_cast<void *>(mxGetPr(array.get())), address);
}

TEST(StandinHost, CountsArrays) {
  const long created = standinArraysCreated();
  const long alive = standinArraysAlive();
  {
    Array a = scalar(1);
    EXPECT_EQ(standinArraysCreated(), created + 1);
    EXPECT_EQ(standinArraysAlive(), alive + 1);
  }
  EXPECT_EQ(standinArraysAlive(), alive);
}

TEST(Loader, FallsBackToTheUnderscoredEntry) {
  standin::Plugin plugin(pluginFolder("standin_underscore"), "standin_underscore");
  ASSERT_TRUE(plugin.ok()) << plugin.error();
  EXPECT_EQ(plugin.entryName(), "_mexFunction");
  standin::CallOutcome outcome = plugin.call({});
  ASSERT_FALSE(outcome.failed);
  Array output(outcome.outputs.at(0));
  EXPECT_TRUE(isMatrix(output, 1, 1, {7}));
}

TEST(Loader, FindsThePlainEntryFirst) {
  standin::Plugin plugin(pluginFolder("standin_probe"), "standin_probe");
  ASSERT_TRUE(plugin.ok()) << plugin.error();
  EXPECT_EQ(plugin.entryName(), "mexFunction");
}

TEST(Loader, ReportsAMissingPlugin) {
  standin::Plugin plugin(pluginFolder("noSuchCommand"), "noSuchCommand");
  EXPECT_FALSE(plugin.ok());
  EXPECT_FALSE(plugin.error().empty());
  EXPECT_TRUE(plugin.call({}).failed);
}

TEST(Harness, SameBitsTellsZerosApartAndNaNsTogether) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(sameBits(nan, -nan));
  EXPECT_TRUE(sameBits(fromBits(0x7ff0000000000001ull), nan));
  EXPECT_FALSE(sameBits(0.0, -0.0));
  EXPECT_FALSE(sameBits(1.0, std::nextafter(1.0, 2.0)));
  EXPECT_FALSE(sameBits(nan, 0.0));
}
