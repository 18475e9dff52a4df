#include <limits>
#include <random>

#include "harness.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kPayloadNaN = fromBits(0x7ff8000000000123ull);
const double kNegativePayloadNaN = fromBits(0xfff4000000000042ull);  // signalling, negative

Result swap(const Array &values, const Array &from, const Array &to) {
  return call("valueSwap", {values, from, to});
}

// Bit for bit, NaN payloads included (isMatrix lets any NaN equal any NaN).
::testing::AssertionResult sameBitsExactly(const std::vector<double> &expected,
                                           const std::vector<double> &actual) {
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << "sizes " << expected.size() << " and " << actual.size();
  for (size_t i = 0; i < expected.size(); ++i)
    if (bitsOf(expected[i]) != bitsOf(actual[i]))
      return ::testing::AssertionFailure()
             << "element " << i << ": expected bits " << std::hex << bitsOf(expected[i])
             << ", got " << bitsOf(actual[i]);
  return ::testing::AssertionSuccess();
}
}  // namespace

TEST(ValueSwap, FollowsThePairRules) {
  struct Case {
    std::vector<double> in, from, to, out;
  } cases[] = {
      {{1, 2, 3}, {1, 2}, {2, 3}, {2, 3, 3}},  // 1 becomes 2 and is not then turned into 3
      {{5, 6}, {5, 5}, {1, 2}, {2, 6}},        // the last matching pair wins
      {{1, 2}, {2}, {9}, {1, 9}},
      {{kNaN, 1, kPayloadNaN}, {kNaN, 1}, {7, 8}, {kNaN, 8, kPayloadNaN}},  // NaN matches nothing
      {{0.0, -0.0}, {0.0}, {-0.0}, {-0.0, -0.0}},   // +0 matches both zeros
      {{0.0, -0.0, 1}, {-0.0}, {5}, {5, 5, 1}},      // and so does -0
      {{kInf, -kInf, 1e308}, {kInf}, {-1}, {-1, -kInf, 1e308}},
      {{1, 2}, {1, 2}, {kPayloadNaN, -0.0}, {kPayloadNaN, -0.0}},  // to values keep their bits
      // Whole from values in a compact range are looked up directly: elements
      // outside it, between its numbers, fractional, NaN or infinite pass through.
      {{-0.0, 0.0, 1, 2, 3, -1, 0.5, kNaN, 1e300, -kInf},
       {-0.0, 1, 2},
       {4, kPayloadNaN, -0.0},
       {4, 4, kPayloadNaN, -0.0, 3, -1, 0.5, kNaN, 1e300, -kInf}},
      {{-3, -2.5, -1, 0.0, -4}, {-3, -2, -1}, {1, 2, 3}, {1, -2.5, 3, 0.0, -4}},
      // Gaps, a repeat (the last wins), a NaN from value, and a zero in range
      // that no pair holds: each zero keeps its sign.
      {{-0.0, 0.0, 1, 2, -2, 3, kNaN}, {-2, 2, kNaN, 2}, {7, 8, 5, 9}, {-0.0, 0.0, 1, 9, 7, 3, kNaN}},
      {{1, 2, 2.5}, {1, 2.5}, {8, 9}, {8, 2, 9}},  // a fractional from value: no direct lookup
      // The ends of 32-bit range, and past them.
      {{2147483647, 2147483646, 2147483648.0, -2147483648.0},
       {2147483647, 2147483646},
       {1, 2},
       {1, 2, 2147483648.0, -2147483648.0}},
      {{-2147483648.0, -2147483647, -2147483649.0, 0.0},
       {-2147483647, -2147483648.0},
       {1, 2},
       {2, 1, -2147483649.0, 0.0}},
      {{2147483648.0, 1, 2}, {2147483648.0, 1}, {5, 6}, {5, 6, 2}},
      {{9007199254740993.0, 1e-300, -1e-300}, {1, 0.0}, {5, 6}, {9007199254740993.0, 1e-300, -1e-300}},
      // A range of 4 entries per pair and 64 more is looked up directly, one
      // more is not; both give the same.
      {{0.0, 71, 35, 72, -0.0}, {0.0, 71}, {5, 6}, {5, 6, 35, 72, 5}},
      {{0.0, 72, 35, 71, -0.0}, {0.0, 72}, {5, 6}, {5, 6, 35, 71, 5}},
      // Consecutive from values: from -0, running past 32-bit range, ending in a NaN.
      {{-0.0, 0.0, 1, 2, 3}, {-0.0, 1, 2}, {7, 8, 9}, {7, 7, 8, 9, 3}},
      {{2147483647, 2147483646, 2147483648.0}, {2147483646, 2147483647, 2147483648.0}, {1, 2, 3}, {2, 1, 3}},
      {{1, 2, kNaN, 3}, {1, 2, kNaN}, {5, 6, 7}, {5, 6, kNaN, 3}},
  };
  for (const Case &c : cases) {
    Array in = row(c.in);
    Array from = doubles(c.from.size(), 1, c.from);
    Array to = doubles(c.to.size(), 1, c.to);
    Result result = swap(in, from, to);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_EQ(result.output().rows(), 1u);
    EXPECT_TRUE(sameBitsExactly(c.out, result.output().values()));
  }
}

TEST(ValueSwap, TakesThePairCountFromTheRowsOfFromAndTheToValuesWhateverTheirShape) {
  Array in = row({1, 2});
  // A row vector of from values is one pair: only 1 -> 10 applies.
  Array fromRow = row({1, 2});
  Array toValues = row({10, 20});
  EXPECT_TRUE(isMatrix(swap(in, fromRow, toValues).output(), 1, 2, {10, 2}));
  // Columns of FROM after the first are ignored; TO is read in column-major order.
  Array fromColumns = doubles(2, 2, {1, 2, 2, 1});
  Array toMatrix = doubles(2, 2, {10, 20, 30, 40});
  EXPECT_TRUE(isMatrix(swap(in, fromColumns, toMatrix).output(), 1, 2, {10, 20}));
  // No rows in FROM: an exact copy, signed zeros and NaN payloads included.
  const std::vector<double> values = {-0.0, kNegativePayloadNaN, 3, kInf};
  Array matrix = doubles(2, 2, values);
  Array noPairs = zeros(0, 3);
  Array noTo = zeros(0, 0);
  Result copy = swap(matrix, noPairs, noTo);
  ASSERT_FALSE(copy.failed) << copy.message;
  EXPECT_EQ(copy.output().rows(), 2u);
  EXPECT_TRUE(sameBitsExactly(values, copy.output().values()));
}

TEST(ValueSwap, EmptyInputsGiveEmptyOutputsOfTheSameShape) {
  Array from = doubles(2, 1, {1, 2});
  Array to = doubles(2, 1, {3, 4});
  for (auto shape : {std::pair<size_t, size_t>{0, 0}, {0, 4}, {3, 0}}) {
    Array in = zeros(shape.first, shape.second);
    Result result = swap(in, from, to);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), shape.first, shape.second, {}));
  }
}

TEST(ValueSwap, MatchesTheLiteralLoopForEveryNumberOfPairs) {
  std::mt19937 random(5);
  // Few distinct values, so that elements and from values collide often and
  // pairs repeat; NaNs with payloads and both zeros among them.
  const double palette[] = {0.0, -0.0, 1, -1, 2.5, kInf, -kInf, kNaN, kPayloadNaN, 1e-300, 7, 8};
  std::uniform_int_distribution<int> pick(0, 11);
  std::uniform_real_distribution<double> spread(-1e6, 1e6);
  for (size_t pairs : {0, 1, 2, 3, 11, 12, 13, 14, 16, 31, 64, 100, 1000, 4096, 16384}) {
    for (int trial = 0; trial < 8; ++trial) {
      const size_t rows = std::uniform_int_distribution<size_t>(1, 40)(random);
      const size_t columns = std::uniform_int_distribution<size_t>(1, 40)(random);
      // Some trials draw from values mostly unseen in the input, so that
      // misses, probes past full slots and hits are all exercised.
      const bool sparse = trial % 2 == 1;
      std::vector<double> in(rows * columns), from(pairs * 2), to(pairs);
      for (double &value : in) value = pick(random) < 10 ? palette[pick(random)] : spread(random);
      for (double &value : from) value = sparse ? spread(random) : palette[pick(random)];
      // Trial 5 keeps its from values distinct, filling a lookup table as
      // far as it goes.
      if (trial != 5)
        for (size_t k = 0; k < pairs; k += 7) from[k] = palette[pick(random)];
      // Trials 6 and 7: whole from values, at random in a range about the
      // size of the pairs and consecutive; elements around and in that range.
      if (trial >= 6) {
        const int base = std::uniform_int_distribution<int>(-40, 40)(random);
        std::uniform_int_distribution<int> near(base - 20, base + 2 * static_cast<int>(pairs) + 20);
        for (size_t k = 0; k < pairs; ++k)
          from[k] = trial == 6 ? near(random) : base + static_cast<double>(k);
        for (double &value : in)
          if (pick(random) < 9) value = near(random);
      }
      for (double &value : to) value = pick(random) < 3 ? palette[pick(random)] : spread(random);
      Array input = doubles(rows, columns, in);
      Array fromInput = doubles(pairs, 2, from);  // the second column must be ignored
      Array toInput = row(to);
      Result result = swap(input, fromInput, toInput);
      ASSERT_FALSE(result.failed) << result.message;
      EXPECT_EQ(result.output().rows(), rows);
      EXPECT_EQ(result.output().columns(), columns);
      ASSERT_TRUE(sameBitsExactly(reference::valueSwap(in, from.data(), to.data(), pairs),
                                  result.output().values()))
          << pairs << " pairs, trial " << trial;
      EXPECT_TRUE(isMatrix(input, rows, columns, in));  // inputs unchanged
      EXPECT_TRUE(isMatrix(fromInput, pairs, 2, from));
      EXPECT_TRUE(isMatrix(toInput, 1, pairs, to));
    }
  }
}

TEST(ValueSwap, ManyPairsOnALargeMatrix) {
  // Every from value present, each several times; the last pair of each wins.
  const size_t pairs = 65536;
  std::vector<double> from(pairs), to(pairs), in(300 * 300);
  for (size_t k = 0; k < pairs; ++k) {
    from[k] = static_cast<double>(k % 30000) - 15000;
    to[k] = static_cast<double>(k);
  }
  for (size_t p = 0; p < in.size(); ++p) in[p] = static_cast<double>(p % 40000) - 20000;
  Array input = doubles(300, 300, in);
  Array fromInput = doubles(pairs, 1, from);
  Array toInput = doubles(pairs, 1, to);
  Result result = swap(input, fromInput, toInput);
  ASSERT_FALSE(result.failed) << result.message;
  // The last k with k % 30000 == v + 15000, below 65536; values outside the
  // from range stay.
  std::vector<double> expected(in.size());
  for (size_t p = 0; p < in.size(); ++p) {
    const double v = in[p];
    const double offset = v + 15000;
    expected[p] = v < -15000 || v > 14999 ? v : offset < 5536 ? offset + 60000 : offset + 30000;
  }
  EXPECT_TRUE(sameBitsExactly(expected, result.output().values()));
}

TEST(ValueSwap, ErrorMessagesNameTheArgumentWhatWasExpectedAndWhatWasGiven) {
  Array in = row({1, 2});
  Array from = doubles(3, 1, {1, 2, 3});
  Array to = doubles(3, 1, {4, 5, 6});
  // Fewer to values than pairs would be read past TO's end.
  Array shortTo = row({4, 5});
  EXPECT_EQ(swap(in, from, shortTo).message,
            "TO must be a real double array with at least 3 elements (its first 3 are used); got "
            "a 1-by-2 double array");
  // Rows without a column: the from values would be read from no data.
  Array noColumn = zeros(3, 0);
  EXPECT_EQ(swap(in, noColumn, to).message,
            "FROM must be a real double matrix with a first column (or no rows); got a 3-by-0 "
            "double array");
  EXPECT_EQ(call("valueSwap", {in}).message,
            "expected 3 inputs, as in B = valueSwap(A, FROM, TO); got 1");
}
