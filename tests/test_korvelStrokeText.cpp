#include <limits>

#include "harness.h"

using namespace harness;

namespace {
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();
const double sentinel = -7.25;  // what the host-side code left in the buffers

// The inputs of one call; the buffers start filled with the sentinel.
struct Text {
  Array strokes, colours, counter, table, codes, scale, origin, position, colour;

  Text(size_t columns, double fill, const std::vector<double> &codeRow)
      : strokes(doubles(4, columns, std::vector<double>(4 * columns, sentinel))),
        colours(doubles(6, columns, std::vector<double>(6 * columns, sentinel))),
        counter(scalar(fill)),
        // Three strokes in glyph units; the second is the worked example stroke.
        table(doubles(4, 3, {0, 0, 1, 0, 0.25, 0.5, 0.75, 1, 0.5, 1, 0.5, 0})),
        codes(row(codeRow)),
        scale(scalar(10)),
        origin(row({100, 20})),
        position(scalar(3)),
        colour(row({0.1, 0.2, 0.3})) {}

  std::vector<const mxArray *> inputs() const {
    return {strokes, colours, counter, table, codes, scale, origin, position, colour};
  }
  int nlhs = 0;  // in place; run() makes the value form's call too
  Result run() const;
  double count() const { return counter.values()[0]; }
};

// Asked for no output, the call in place, and before it the value form on
// the same inputs: that changes none of them, and returns what the call in
// place writes, or is refused alike; sharing is refused in place only.
Result Text::run() const {
  const std::vector<const mxArray *> in = inputs();
  if (nlhs != 0) return call("korvelStrokeText", in, nlhs);
  std::vector<std::vector<unsigned char>> before;
  for (const mxArray *input : in) before.push_back(contract::snapshot(input));
  const Result value = call("korvelStrokeText", in, 3);
  for (size_t k = 0; k < in.size(); ++k)
    EXPECT_EQ(contract::snapshot(in[k]), before[k]) << "the value form changed input " << k + 1;
  Result inPlace = call("korvelStrokeText", in, 0);
  if (inPlace.identifier == "korvelStrokeText:sharedData" || !inPlace.failed) {
    EXPECT_FALSE(value.failed) << value.message;
  } else {
    EXPECT_EQ(value.identifier, inPlace.identifier);
  }
  if (!inPlace.failed && !value.failed) {
    for (size_t k = 0; k < 3; ++k) {
      EXPECT_EQ(contract::snapshot(value.outputs[k]), contract::snapshot(in[k]))
          << "value form output " << k + 1;
    }
  }
  return inPlace;
}

std::vector<double> column(const Array &buffer, size_t rows, size_t j) {
  const std::vector<double> all = buffer.values();
  return std::vector<double>(all.begin() + rows * j, all.begin() + rows * (j + 1));
}
const std::vector<double> untouchedStroke(4, sentinel);
const std::vector<double> untouchedColour(6, sentinel);
const std::vector<double> strokeColour = {0.1, 0.2, 0.3, 0.1, 0.2, 0.3};
// Table strokes 1, 2 and 3 at character position 3, scale 10, origin (100, 20).
const std::vector<double> placed[] = {
    {120, 20, 130, 20}, {122.5, 25, 127.5, 30}, {125, 30, 125, 20}};

// Makes an input report its data inside another's, from element `at`, with
// its own values copied there: the same call, but for the sharing.
void shareInto(const Array &input, const Array &memory, size_t at) {
  const size_t count = mxGetNumberOfElements(input.get());
  for (size_t i = 0; i < count; ++i) memory.data()[at + i] = input.data()[i];
  standinReportDataAddress(input.get(), memory.data() + at);
}

}  // namespace

TEST(KorvelStrokeText, PlacesScalesAndColoursAStrokeInItsCell) {
  Text text(2, 0, {2});
  Result result = text.run();
  ASSERT_FALSE(result.failed) << result.message;
  EXPECT_EQ(result.output().get(), nullptr);  // no output is created
  EXPECT_TRUE(sameBits(placed[1], column(text.strokes, 4, 0)));
  EXPECT_TRUE(sameBits(strokeColour, column(text.colours, 6, 0)));
  EXPECT_TRUE(sameBits(untouchedStroke, column(text.strokes, 4, 1)));
  EXPECT_TRUE(sameBits(untouchedColour, column(text.colours, 6, 1)));
  EXPECT_EQ(text.count(), 1);

  Text first(1, 0, {2});
  first.position = scalar(1);
  ASSERT_FALSE(first.run().failed);
  EXPECT_TRUE(sameBits({102.5, 25, 107.5, 30}, column(first.strokes, 4, 0)));
}

TEST(KorvelStrokeText, RoundsEachOperationInTheGivenOrder) {
  Text text(1, 0, {1});
  // x: ((p + x1) - 1) * s + ox. With p = 1 and x1 = 2^-53, p + x1 rounds to
  // 1 first, so x is 0; p + (x1 - 1) would give 2^-53 * s.
  // y: y1 * s + oy, the product rounded before the sum (no fused multiply-add).
  const double e = 0x1p-30;
  text.table = doubles(4, 1, {0x1p-53, 1 + e, 0x1p-53, 1 + e});
  text.position = scalar(1);
  text.scale = scalar(1 + e);
  text.origin = row({0, -(1 + 2 * e)});
  ASSERT_FALSE(text.run().failed);
  EXPECT_TRUE(sameBits({0, 0, 0, 0}, column(text.strokes, 4, 0)));
}

TEST(KorvelStrokeText, SuccessiveCallsAppend) {
  Text text(7, 0, {1, 2, 3});
  ASSERT_FALSE(text.run().failed);
  EXPECT_EQ(text.count(), 3);
  text.codes = row({3, 3});  // a code may repeat: each occurrence has its column
  ASSERT_FALSE(text.run().failed);
  EXPECT_EQ(text.count(), 5);
  const std::vector<double> expected[] = {placed[0], placed[1], placed[2], placed[2], placed[2]};
  for (size_t j = 0; j < 7; ++j) {
    EXPECT_TRUE(sameBits(j < 5 ? expected[j] : untouchedStroke, column(text.strokes, 4, j))) << j;
    EXPECT_TRUE(sameBits(j < 5 ? strokeColour : untouchedColour, column(text.colours, 6, j))) << j;
  }
}

TEST(KorvelStrokeText, TruncatesCodesAndColumnsTowardZero) {
  Text fractional(6, 2.5, {2.9, 1.5});
  ASSERT_FALSE(fractional.run().failed);
  EXPECT_EQ(fractional.count(), 4.5);
  EXPECT_TRUE(sameBits(untouchedStroke, column(fractional.strokes, 4, 1)));
  EXPECT_TRUE(sameBits(placed[1], column(fractional.strokes, 4, 2)));
  EXPECT_TRUE(sameBits(placed[0], column(fractional.strokes, 4, 3)));
  EXPECT_TRUE(sameBits(untouchedStroke, column(fractional.strokes, 4, 4)));

  // i + n is rounded before truncation: n = 1 - 2^-53 puts three strokes in
  // columns 0, 2 and 3, and needs a buffer of 4 columns, not 3.
  const double n = 1 - 0x1p-53;
  Text skipping(4, n, {1, 2, 3});
  ASSERT_FALSE(skipping.run().failed);
  EXPECT_TRUE(sameBits(placed[0], column(skipping.strokes, 4, 0)));
  EXPECT_TRUE(sameBits(untouchedStroke, column(skipping.strokes, 4, 1)));
  EXPECT_TRUE(sameBits(placed[1], column(skipping.strokes, 4, 2)));
  EXPECT_TRUE(sameBits(placed[2], column(skipping.strokes, 4, 3)));
  EXPECT_EQ(bitsOf(skipping.count()), bitsOf(3.0 + n));
}

TEST(KorvelStrokeText, TakesTheStrokeCountFromTheColumnsOfTheCodes) {
  Text column1(3, 0, {});
  column1.codes = doubles(3, 1, {2, 1, 1});
  ASSERT_FALSE(column1.run().failed);
  EXPECT_EQ(column1.count(), 1);
  EXPECT_TRUE(sameBits(placed[1], column(column1.strokes, 4, 0)));
  EXPECT_TRUE(sameBits(untouchedStroke, column(column1.strokes, 4, 1)));

  // A 3-by-2 matrix: two strokes, its first two elements.
  Text matrix(3, 0, {});
  matrix.codes = doubles(3, 2, {2, 1, 3, 3, 3, 3});
  ASSERT_FALSE(matrix.run().failed);
  EXPECT_EQ(matrix.count(), 2);
  EXPECT_TRUE(sameBits(placed[1], column(matrix.strokes, 4, 0)));
  EXPECT_TRUE(sameBits(placed[0], column(matrix.strokes, 4, 1)));
  EXPECT_TRUE(sameBits(untouchedStroke, column(matrix.strokes, 4, 2)));

  // No strokes: nothing written, the counter stored back as itself plus 0,
  // which turns -0 into +0.
  Text none(0, -0.0, {});
  ASSERT_FALSE(none.run().failed);
  EXPECT_EQ(bitsOf(none.count()), bitsOf(0.0));
}

TEST(KorvelStrokeText, RefusedCallsLeaveEveryByteAsItWas) {
  struct Case {
    const char *what;
    const char *identifier;
    void (*spoil)(Text &);
  };
  const Case cases[] = {
      {"B single", "badClass", [](Text &t) { t.strokes = zeros(4, 8, mxSINGLE_CLASS); }},
      {"B 3 rows", "badSize", [](Text &t) { t.strokes = zeros(3, 8); }},
      {"C 4 rows", "badSize", [](Text &t) { t.colours = zeros(4, 8); }},
      {"N empty", "badSize", [](Text &t) { t.counter = zeros(1, 0); }},
      {"N int32", "badClass", [](Text &t) { t.counter = zeros(1, 1, mxINT32_CLASS); }},
      {"N negative", "badValue", [](Text &t) { t.counter = scalar(-0.5); }},
      {"N NaN", "badValue", [](Text &t) { t.counter = scalar(nan); }},
      {"N Inf", "badValue", [](Text &t) { t.counter = scalar(inf); }},
      {"T 2 rows", "badSize", [](Text &t) { t.table = zeros(2, 3); }},
      {"codes int32", "badClass", [](Text &t) { t.codes = zeros(1, 2, mxINT32_CLASS); }},
      {"codes 0-by-2", "badSize", [](Text &t) { t.codes = zeros(0, 2); }},
      {"code 0.99", "badIndex", [](Text &t) { t.codes = row({1, 0.99}); }},
      {"code G+1", "badIndex", [](Text &t) { t.codes = row({1, 2, 4}); }},
      {"code -1", "badIndex", [](Text &t) { t.codes = row({-1}); }},
      {"code NaN", "badIndex", [](Text &t) { t.codes = row({2, nan}); }},
      {"code Inf", "badIndex", [](Text &t) { t.codes = row({inf}); }},
      {"scale empty", "badSize", [](Text &t) { t.scale = zeros(0, 0); }},
      {"origin 1", "badSize", [](Text &t) { t.origin = scalar(1); }},
      {"position char", "badClass", [](Text &t) { t.position = zeros(1, 1, mxCHAR_CLASS); }},
      {"colour 2", "badSize", [](Text &t) { t.colour = row({1, 2}); }},
      {"B full", "badSize", [](Text &t) { t.counter = scalar(6); }},
      {"C short", "badSize", [](Text &t) { t.colours = zeros(6, 7); }},
      {"far counter", "badSize", [](Text &t) { t.counter = scalar(1e300); }},
      // trunc(n) + K is 8 columns, but 4 + n rounds up to 8: stroke 5 goes to column 8.
      {"rounded column", "badSize",
       [](Text &t) {
         t.counter = scalar(4 - 0x1p-51);
         t.codes = row({1, 2, 3, 1, 2});
       }},
      // Inputs that lie in a written one, as a copy or a slice of it does in
      // Octave: valid values now, but a write would change them, or two
      // writes land on one element.
      {"codes in B", "sharedData", [](Text &t) { shareInto(t.codes, t.strokes, 28); }},
      {"codes in C", "sharedData", [](Text &t) { shareInto(t.codes, t.colours, 6); }},
      {"codes in N", "sharedData",
       [](Text &t) {
         t.counter = row({5, 0, 0, 0});
         shareInto(t.codes, t.counter, 1);
       }},
      {"T in B", "sharedData", [](Text &t) { shareInto(t.table, t.strokes, 20); }},
      {"T in C", "sharedData", [](Text &t) { shareInto(t.table, t.colours, 0); }},
      {"T in N", "sharedData",
       [](Text &t) {
         t.counter = row(std::vector<double>(13, 5));
         shareInto(t.table, t.counter, 1);
       }},
      {"N in B", "sharedData", [](Text &t) { shareInto(t.counter, t.strokes, 28); }},
      {"N in C", "sharedData", [](Text &t) { shareInto(t.counter, t.colours, 47); }},
      {"C in B", "sharedData",
       [](Text &t) {
         t.strokes = doubles(4, 20, std::vector<double>(80, sentinel));
         shareInto(t.colours, t.strokes, 32);
       }},
      // The host would refuse the call only after the command had written.
      {"an output requested", "tooManyOutputs", [](Text &t) { t.nlhs = 1; }},
      {"two outputs requested of an empty call", "tooManyOutputs",
       [](Text &t) {
         t.codes = zeros(1, 0);
         t.nlhs = 2;
       }},
      {"four outputs requested", "tooManyOutputs", [](Text &t) { t.nlhs = 4; }},
  };
  for (const Case &c : cases) {
    Text text(8, 5, {1, 2, 3});
    c.spoil(text);
    const std::vector<unsigned char> strokes = contract::snapshot(text.strokes);
    const std::vector<unsigned char> colours = contract::snapshot(text.colours);
    const std::vector<unsigned char> counter = contract::snapshot(text.counter);
    EXPECT_TRUE(raised(text.run(), std::string("korvelStrokeText:") + c.identifier)) << c.what;
    EXPECT_EQ(strokes, contract::snapshot(text.strokes)) << c.what;
    EXPECT_EQ(colours, contract::snapshot(text.colours)) << c.what;
    EXPECT_EQ(counter, contract::snapshot(text.counter)) << c.what;
  }
  Text text(8, 5, {1, 2, 3});
  std::vector<const mxArray *> eight = text.inputs();
  eight.pop_back();
  EXPECT_TRUE(raised(call("korvelStrokeText", eight, 0), "korvelStrokeText:notEnoughInputs"));
}

TEST(KorvelStrokeText, ErrorMessagesNameTheArgumentWhatWasExpectedAndWhatWasGiven) {
  Text tooSmall(4, 2.5, {1, 2, 3});
  EXPECT_EQ(tooSmall.run().message,
            "B must be a real double matrix with 4 rows and at least 5 columns, for strokes in "
            "zero-based columns 2 to 4; got a 4-by-4 double array");
  Text badCode(4, 0, {1, 3.5, 7.5});
  EXPECT_EQ(badCode.run().message,
            "CODES(3) must be a column number of T, from 1 to 3 after truncation toward zero; "
            "got 7.5");
  Text noRows(4, 0, {});
  noRows.codes = zeros(0, 2);
  EXPECT_EQ(noRows.run().message,
            "CODES must be a real double array with at least as many elements as columns (its "
            "first K elements are the stroke codes, K its column count); got a 0-by-2 double "
            "array");
  Text negative(4, -0.25, {1});
  EXPECT_EQ(negative.run().message, "N must be a finite number, 0 or more; got -0.25");
  Text full(0, 0, {1});
  EXPECT_EQ(full.run().message,
            "B must be a real double matrix with 4 rows and at least 1 column, for a stroke in "
            "zero-based column 0; got a 4-by-0 double array");
  Text shared(8, 5, {1});
  shareInto(shared.counter, shared.strokes, 28);
  EXPECT_EQ(shared.run().message,
            "N must not share memory with B, which is written; got N and B in overlapping memory");
  Text requested(8, 5, {1});
  requested.nlhs = 1;
  EXPECT_EQ(requested.run().message,
            "expected 3 outputs, as in [B, C, N] = korvelStrokeText(B, C, N, T, CODES, SCALE, "
            "ORIGIN, POS, COLOUR), or none to write the first 3 inputs in place; 1 was requested");
}

// SCALE, ORIGIN, POS and COLOUR are taken before the first write, so they may
// lie in the memory of B, C or N, even in a column that is written: the
// strokes are those of unshared copies.
TEST(KorvelStrokeText, ValuesTakenBeforeTheFirstWriteMayShareWrittenMemory) {
  struct Case {
    const char *what;
    Array Text::*input;
    Array Text::*memory;
    size_t at;
  };
  const Case cases[] = {
      {"ORIGIN in the first column written of B", &Text::origin, &Text::strokes, 20},
      {"COLOUR in the first column written of C", &Text::colour, &Text::colours, 30},
      {"SCALE in N", &Text::scale, &Text::counter, 0},
      {"POS in N", &Text::position, &Text::counter, 0},
  };
  for (const Case &c : cases) {
    Text shared(8, 5, {1, 2, 3}), copied(8, 5, {1, 2, 3});
    const Array &input = shared.*c.input;
    standinReportDataAddress(input.get(), (shared.*c.memory).data() + c.at);
    copied.*c.input = doubles(input.rows(), input.columns(), input.values());
    const Result result = shared.run();
    ASSERT_FALSE(result.failed) << c.what << ": " << result.message;
    ASSERT_FALSE(copied.run().failed) << c.what;
    EXPECT_EQ(contract::snapshot(shared.strokes), contract::snapshot(copied.strokes)) << c.what;
    EXPECT_EQ(contract::snapshot(shared.colours), contract::snapshot(copied.colours)) << c.what;
    EXPECT_EQ(contract::snapshot(shared.counter), contract::snapshot(copied.counter)) << c.what;
  }
}
