#include <algorithm>
#include <limits>
#include <random>

#include "../arrays/plateau_labels.h"
#include "harness.h"
#include "reference.h"

using namespace harness;

namespace {
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Three ways to the same labels: the command; its core on an output that
// holds garbage (every cell must be written); and the core with no budget
// for union-find steps, so that it floods whenever two trees meet.
const char *const kCommand = "plateauLabels";
const char *const kOnGarbage = "core on garbage";
const char *const kFlooding = "core flooding";
const char *const kWays[] = {kCommand, kOnGarbage, kFlooding};

Result labels(const Array &values) { return call(kCommand, {values}); }

// Bits an output may hold before the call: a label, a link word, a NaN, the
// word just below every label's, and 7.0.
const uint64_t kGarbage[] = {0x3FF0000000000000ull, 1, 0x7FF8000000000001ull,
                             0x3FEFFFFFFFFFFFFFull, 0x401C000000000000ull};

// The labels `way` gives for the column-major rows-by-columns `in`.
std::vector<double> labelsBy(const char *way, const std::vector<double> &in, size_t rows,
                             size_t columns) {
  if (way == kCommand) {
    Result result = labels(doubles(rows, columns, in));
    EXPECT_FALSE(result.failed) << result.message;
    return result.failed ? std::vector<double>() : result.output().values();
  }
  std::vector<double> out(in.size());
  for (size_t p = 0; p < out.size(); ++p) out[p] = fromBits(kGarbage[p % 5]);
  korvel::PlateauOptions options;
  options.findStepsPerCell = way == kFlooding ? 0 : options.findStepsPerCell;
  const size_t regions = korvel::plateauLabels(in.data(), rows, columns, out.data(), options);
  // The count returned is the highest label.
  EXPECT_EQ(regions, out.empty() ? 0 : static_cast<size_t>(*std::max_element(out.begin(), out.end())))
      << way;
  return out;
}

}  // namespace

TEST(PlateauLabels, NumbersTheExampleRegions) {
  struct Case {
    size_t rows, columns;
    std::vector<double> in, out;  // column-major
  } cases[] = {
      {3, 4, std::vector<double>(12, 7.5), std::vector<double>(12, 1)},
      {1, 5, {2, 2, 5, 5, 2}, {1, 1, 2, 2, 3}},
      {1, 3, {7, 3, 7}, {1, 2, 3}},
      // Diagonal contact joins nothing; numbering follows the first element.
      {2, 2, {1, 0, 0, 1}, {1, 2, 3, 4}},
      {2, 2, {5, 7, 5, 5}, {1, 2, 1, 1}},
      // A U whose right arm grows upwards is still one region.
      {3, 3, {1, 1, 1, 0, 0, 1, 1, 1, 1}, {1, 1, 1, 2, 2, 1, 1, 1, 1}},
      {2, 1, {kNaN, kNaN}, {1, 2}},
      {1, 3, {4, kNaN, 4}, {1, 2, 3}},
      {1, 2, {-0.0, 0.0}, {1, 1}},
      {2, 3, {1, kNaN, -0.0, 0.0, 1, 1}, {1, 2, 3, 3, 4, 4}},
      {1, 4, {kInf, kInf, -kInf, -kInf}, {1, 1, 2, 2}},
      {4, 1, {3, 3, 1, 3}, {1, 1, 2, 3}},
  };
  // Output 1 whether asked for or not; the input as it was, -0 included.
  for (const Case &c : cases) {
    for (int nlhs : {0, 1}) {
      Array in = doubles(c.rows, c.columns, c.in);
      Result result = call(kCommand, {in}, nlhs);
      ASSERT_FALSE(result.failed) << result.message;
      EXPECT_TRUE(isMatrix(result.output(), c.rows, c.columns, c.out));
      EXPECT_EQ(contract::snapshot(in), contract::snapshot(doubles(c.rows, c.columns, c.in)));
    }
    for (const char *way : {kOnGarbage, kFlooding})
      EXPECT_TRUE(sameBits(c.out, labelsBy(way, c.in, c.rows, c.columns))) << way;
  }
}

TEST(PlateauLabels, EmptyInputsGiveEmptyLabelsOfTheSameShape) {
  for (auto shape : {std::pair<size_t, size_t>{0, 0}, {0, 5}, {4, 0}}) {
    Array in = zeros(shape.first, shape.second);
    Result result = labels(in);
    ASSERT_FALSE(result.failed) << result.message;
    EXPECT_TRUE(isMatrix(result.output(), shape.first, shape.second, {}));
  }
}

TEST(PlateauLabels, MatchesTheReferenceOnRandomMatrices) {
  std::mt19937 random(20261208);
  // Few distinct values so that regions of every shape form; -0 and +0, both
  // infinities and NaNs (with their own payloads) among them.
  const double palette[] = {1, 2, -0.0, 0.0, kInf, -kInf, kNaN, fromBits(0x7ff8000000000abcull), 3};
  for (int trial = 0; trial < 3000; ++trial) {
    const int rows = std::uniform_int_distribution<int>(0, 9)(random);
    const int columns = std::uniform_int_distribution<int>(0, 9)(random);
    const int distinct = std::uniform_int_distribution<int>(1, 9)(random);
    std::uniform_int_distribution<int> pick(0, distinct - 1);
    std::vector<double> in(static_cast<size_t>(rows * columns));
    for (double &value : in) value = palette[pick(random)];
    const std::vector<double> expected = reference::plateauLabels(in, rows, columns);
    for (const char *way : kWays)
      ASSERT_TRUE(sameBits(expected, labelsBy(way, in, rows, columns)))
          << way << ", trial " << trial << ", " << rows << "-by-" << columns;
  }
}

TEST(PlateauLabels, MatchesTheReferenceOnLargeMatrices) {
  std::mt19937 random(7);
  // Values drawn per tile of tileRows by tileColumns cells: 1 by 1 is noise,
  // linked cell by cell; taller tiles make runs, linked a run at a time,
  // their ends on, before and after the 64-row blocks' edges; each column's
  // tiles `slant` rows further down than the column before, so that runs
  // meet runs to their left halfway. The palette's first `distinct` values:
  // -0 and +0 (one plateau), NaN (every cell its own) and an infinity among
  // them.
  const double palette[] = {1, 2, -0.0, 0.0, kNaN, kInf};
  struct Shape {
    size_t rows, columns;
    int distinct;
    size_t tileRows, tileColumns, slant;
  } shapes[] = {{400, 300, 2, 1, 1, 0},    {300, 400, 3, 1, 1, 0},   {1, 20000, 2, 1, 1, 0},
                {20000, 1, 2, 1, 1, 0},    {700, 700, 2, 1, 1, 0},   {700, 700, 2, 8, 8, 0},
                {640, 300, 4, 64, 3, 0},   {650, 200, 4, 63, 2, 1},  {130, 900, 5, 65, 5, 9},
                {1000, 300, 6, 9, 40, 4},  {300, 1000, 6, 200, 1, 0}, {500, 500, 2, 20, 1, 7},
                {700, 400, 3, 100, 2, 33}};
  for (const Shape &shape : shapes) {
    std::uniform_int_distribution<int> pick(0, shape.distinct - 1);
    const size_t tileSpan = (shape.rows + shape.slant * shape.columns) / shape.tileRows + 1;
    std::vector<double> tiles(tileSpan * (shape.columns / shape.tileColumns + 1));
    for (double &value : tiles) value = palette[pick(random)];
    std::vector<double> in(shape.rows * shape.columns);
    for (size_t c = 0; c < shape.columns; ++c)
      for (size_t r = 0; r < shape.rows; ++r)
        in[r + c * shape.rows] =
            tiles[(r + shape.slant * c) / shape.tileRows + (c / shape.tileColumns) * tileSpan];
    const std::vector<double> expected = reference::plateauLabels(in, shape.rows, shape.columns);
    for (const char *way : kWays)
      EXPECT_TRUE(sameBits(expected, labelsBy(way, in, shape.rows, shape.columns)))
          << way << ", " << shape.rows << "-by-" << shape.columns << ", tiles " << shape.tileRows
          << "-by-" << shape.tileColumns;
  }
}

TEST(PlateauLabels, HandlesRegionsThatWindThroughTheWholeMatrix) {
  // A serpentine of 1s (the even columns, joined alternately at the bottom
  // and at the top) in a field of 2s: the shape that costs the multi-pass
  // method a sweep per turn.
  const size_t n = 301;
  std::vector<double> in(n * n, 2.0);
  for (size_t c = 0; c < n; c += 2) {
    for (size_t r = 0; r < n; ++r) in[r + c * n] = 1.0;
    if (c + 1 < n) in[((c / 2) % 2 == 0 ? n - 1 : 0) + (c + 1) * n] = 1.0;
  }
  for (const char *way : kWays) {
    const std::vector<double> out = labelsBy(way, in, n, n);
    EXPECT_TRUE(sameBits(reference::plateauLabels(in, n, n), out)) << way;
    // One serpentine, and the 2s split into one region per gap between its turns.
    ASSERT_FALSE(out.empty()) << way;
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), 1.0 + (n - 1) / 2) << way;
  }

  // A constant matrix of a million elements is one region.
  Array flat = doubles(1000, 1000, std::vector<double>(1000000, -0.0));
  Result flatResult = labels(flat);
  ASSERT_FALSE(flatResult.failed) << flatResult.message;
  EXPECT_TRUE(isMatrix(flatResult.output(), 1000, 1000, std::vector<double>(1000000, 1.0)));

  // A checkerboard: every element a region of its own, numbered in order.
  std::vector<double> board(250 * 250), expected(board.size());
  for (size_t p = 0; p < board.size(); ++p) {
    board[p] = ((p % 250) + (p / 250)) % 2;
    expected[p] = static_cast<double>(p + 1);
  }
  Array boardInput = doubles(250, 250, board);
  EXPECT_TRUE(isMatrix(labels(boardInput).output(), 250, 250, expected));
}

TEST(PlateauLabels, ErrorMessageNamesTheArgumentWhatWasExpectedAndWhatWasGiven) {
  Array ints = int32s(1, 2, {1, 1});
  EXPECT_EQ(labels(ints).message, "A must be a real double matrix; got a 1-by-2 int32 array");
}
