// korvelDataPtr and pelvaDataPtr are one source under two names: every test
// runs both.
#include <cmath>
#include <cstdint>

#include "harness.h"

using namespace harness;

namespace {
const char *const kNames[] = {"korvelDataPtr", "pelvaDataPtr"};

void *addressOf(std::uint64_t address) {
  return reinterpret_cast<void *>(static_cast<std::uintptr_t>(address));
}

// What the command reports for an array whose data the host says lies at address.
Result reportedFor(const char *name, std::uint64_t address) {
  Array array = doubles(1, 2, {1, 2});
  standinReportDataAddress(array.get(), addressOf(address));
  return call(name, {array});
}

const double k2to31 = 2147483648.0;
const double k2to16 = 65536.0;
}  // namespace

TEST(DataAddress, ReportsTheLow32BitsAsASignedInteger) {
  struct Case {
    std::uint64_t address;
    double expected;
  } cases[] = {
      {0x7fff0000u, k2to31 - k2to16},  // 2^31 - 2^16: below 2^31, itself
      {0x80000000u, -k2to31},          // 2^31: the most negative
      {0xffff0000u, -k2to16},          // 2^32 - 2^16
      {0x7fffffffu, k2to31 - 1},
      {0xfffffff0u, -16},
      {0x00001000u, 4096},
  };
  for (const char *name : kNames)
    for (const Case &c : cases) {
      Result result = reportedFor(name, c.address);
      ASSERT_FALSE(result.failed) << result.message;
      EXPECT_TRUE(isMatrix(result.output(), 1, 1, {c.expected})) << name << " " << c.address;
    }
}

TEST(DataAddress, DropsTheBitsAbove31OnA64BitHost) {
  if (sizeof(void *) < 8) GTEST_SKIP() << "addresses above 2^32 exist only on 64-bit hosts";
  struct Case {
    std::uint64_t address;
    double expected;
  } cases[] = {
      {0x100000010ull, 16},               // 2^32 + 16
      {0x180000000ull, -k2to31},          // 2^32 + 2^31
      {0x1fffffff0ull, -16},              // 2^33 - 16
      {0x7fffffff7fff0000ull, k2to31 - k2to16},
      {0xffffffff00000000ull, 0},
  };
  for (const char *name : kNames)
    for (const Case &c : cases) {
      Result result = reportedFor(name, c.address);
      ASSERT_FALSE(result.failed) << result.message;
      EXPECT_TRUE(isMatrix(result.output(), 1, 1, {c.expected})) << name << " " << c.address;
    }
}

TEST(DataAddress, ANullAddressGivesZero) {
  for (const char *name : kNames) {
    // The stand-in host, like real ones may, has no data block for an empty array.
    Array empty = zeros(0, 3);
    ASSERT_EQ(mxGetData(empty.get()), nullptr);
    Result result = call(name, {empty});
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), 1, 1, {0}));
    EXPECT_EQ(bitsOf(result.output().values()[0]), 0u);  // +0
    EXPECT_TRUE(isMatrix(reportedFor(name, 0).output(), 1, 1, {0}));
  }
}

TEST(DataAddress, ReportsWhereTheDataOfAnyArrayLies) {
  Array values = doubles(2, 2, {1, 2, 3, 4});
  Array bytes = uint8s(1, 3, {1, 2, 3});
  Array flags = logicals(1, 1, {1});
  Array text = zeros(2, 5, mxCHAR_CLASS);
  Array complexValues = zeros(1, 2, mxDOUBLE_CLASS, mxCOMPLEX);
  Array ints = int32s(1, 1, {-5});
  for (const char *name : kNames)
    for (const Array *array : {&values, &bytes, &flags, &text, &complexValues, &ints}) {
      const std::uint32_t low =
          static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(mxGetData(array->get())));
      const double expected = low >= 0x80000000u ? low - 4294967296.0 : low;
      Array extra = scalar(0);
      for (int nlhs : {0, 1}) {
        Result result = call(name, {*array, extra}, nlhs);
        ASSERT_FALSE(result.failed) << result.message;
        ASSERT_TRUE(isMatrix(result.output(), 1, 1, {expected})) << name;
        const double reported = result.output().values()[0];
        EXPECT_EQ(reported, std::trunc(reported));
      }
    }
  EXPECT_TRUE(isMatrix(values, 2, 2, {1, 2, 3, 4}));
}

TEST(DataAddress, RefusesACallWithoutInput) {
  EXPECT_TRUE(raised(call("korvelDataPtr", {}), "korvelDataPtr:notEnoughInputs"));
  Result result = call("pelvaDataPtr", {});
  EXPECT_TRUE(raised(result, "pelvaDataPtr:notEnoughInputs"));
  EXPECT_EQ(result.message, "expected 1 input, as in A = pelvaDataPtr(X); got 0");
}

// Octave aborts when asked for the data of a function handle or an object;
// the stand-in host does too, so these pass only if no data is asked for.
TEST(DataAddress, RefusesValuesWithoutADataBlock) {
  for (const char *name : kNames)
    for (const char *className : {"function_handle", "containers.Map"}) {
      Array value(standinCreateValueWithoutData(
          std::string(className) == "function_handle" ? mxFUNCTION_CLASS : mxUNKNOWN_CLASS,
          className));
      Result result = call(name, {value});
      EXPECT_TRUE(raised(result, std::string(name) + ":badClass"));
      EXPECT_EQ(result.message,
                "X must be an array with a data block (numeric, logical, char, cell or struct), "
                "not a function handle or an object; got a 1-by-1 " +
                    std::string(className) + " array");
    }
}
