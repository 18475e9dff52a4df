// korvelStrokeText: the strokes of one character cell, appended in place to a
// stroke and a colour buffer, korvelStrokeText(B, C, N, T, CODES, SCALE,
// ORIGIN, POS, COLOUR).
#include "mex.h"

#include "../gateway/gateway.h"

namespace {

enum Input {
  kStrokes,
  kColours,
  kCounter,
  kTable,
  kCodes,
  kScale,
  kOrigin,
  kPosition,
  kColour,
  kInputCount
};

// Stroke i goes to buffer column trunc(i + counter): the sum is rounded to a
// double first, so a fractional counter can skip a column.
inline double targetColumn(gateway::Count stroke, double counter) {
  return std::trunc(static_cast<double>(stroke) + counter);
}

// Writes stroke i, table column trunc(codes[i]) (one-based), scaled and moved
// into the character cell, to column targetColumn(i, counter) of the stroke
// buffer, and the colour twice to the same column of the colour buffer. The
// counter is taken once, by value: a write cannot move later strokes; so
// are the origin and the colour, before the first write, which the caller
// may therefore pass in a buffer's memory. The caller has checked every code
// and column.
void writeStrokes(double *strokes, double *colours, double counter, const double *table,
                  const double *codes, gateway::Count count, double scale, const double *origin,
                  double position, const double *colour) {
  const double ox = origin[0];
  const double oy = origin[1];
  const double c1 = colour[0];
  const double c2 = colour[1];
  const double c3 = colour[2];
  for (gateway::Count i = 0; i < count; ++i) {
    const gateway::Count code = static_cast<gateway::Count>(codes[i]);  // toward zero
    const gateway::Count column =
        static_cast<gateway::Count>(static_cast<double>(i) + counter);  // toward zero
    const double *glyph = table + 4 * (code - 1);
    const double x1 = glyph[0];
    const double y1 = glyph[1];
    const double x2 = glyph[2];
    const double y2 = glyph[3];
    double *segment = strokes + 4 * column;
    segment[0] = ((position + x1) - 1.0) * scale + ox;
    segment[1] = y1 * scale + oy;
    segment[2] = ((position + x2) - 1.0) * scale + ox;
    segment[3] = y2 * scale + oy;
    double *ends = colours + 6 * column;
    ends[0] = c1;
    ends[1] = c2;
    ends[2] = c3;
    ends[3] = c1;
    ends[4] = c2;
    ends[5] = c3;
  }
}

// What a buffer of `rows` rows must be for strokes in columns first..last.
void bufferExpectation(char *text, gateway::Count size, int rows, double first, double last) {
  const double columns = last + 1;
  const int written = std::snprintf(
      text, size, "a real double matrix with %d rows and at least %s column%s, ", rows,
      gateway::number(columns).text, gateway::plural(columns));
  if (written < 0 || static_cast<gateway::Count>(written) >= size) return;
  if (first == last)
    std::snprintf(text + written, size - written, "for a stroke in zero-based column %s",
                  gateway::number(first).text);
  else
    std::snprintf(text + written, size - written, "for strokes in zero-based columns %s to %s",
                  gateway::number(first).text, gateway::number(last).text);
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"korvelStrokeText",
                           "korvelStrokeText(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR)",
                           0, nlhs, plhs, nrhs, prhs};

  // Check arguments, all of them before anything is written: a refused call
  // leaves the buffers and the counter as they were.
  gateway::requireInputs(call, kInputCount);
  double *strokes = gateway::inPlaceDoubleMatrix(call, kStrokes, "B", 4);
  double *colours = gateway::inPlaceDoubleMatrix(call, kColours, "C", 6);
  double *counterData = gateway::inPlaceDoubleElements(call, kCounter, "N", 1);
  const double *table = gateway::doubleMatrix(call, kTable, "T", 4);
  // K, the stroke count, is the column count of CODES; its first K elements
  // are the codes, so only an array with columns but no rows lacks them.
  const char *codesExpected =
      "a real double row vector of stroke codes (any array with at least one row will do: its "
      "first K elements are used, K its column count)";
  const mxArray *codesArray =
      gateway::requireClass(call, kCodes, "CODES", {mxDOUBLE_CLASS}, codesExpected);
  const gateway::Count count = gateway::columns(call, kCodes);
  gateway::requireElements(call, codesArray, "CODES", count, codesExpected);
  const double *codes = mxGetPr(codesArray);
  const double scale = gateway::doubleElements(call, kScale, "SCALE", 1)[0];
  const double *origin = gateway::doubleElements(call, kOrigin, "ORIGIN", 2);
  const double position = gateway::doubleElements(call, kPosition, "POS", 1)[0];
  const double *colour = gateway::doubleElements(call, kColour, "COLOUR", 3);

  // The host may hand one block of memory to several inputs (in Octave a
  // copy such as C = B, and a contiguous slice such as B(:, 2:3), shares the
  // original's memory). B, C and N are written; T and CODES are read while
  // the strokes are written. SCALE, ORIGIN, POS and COLOUR may share with a
  // written input: their values are taken before the first write (scale and
  // position above, origin and colour at the top of writeStrokes), so no
  // write can change what is computed from them.
  gateway::requireDisjoint(call, {{kStrokes, "B"}, {kColours, "C"}, {kCounter, "N"}},
                           {{kTable, "T"}, {kCodes, "CODES"}});

  const double counter = counterData[0];
  gateway::requireFiniteNonNegative(call, counter, "N");
  gateway::requireColumnNumbers(call, codes, count, "CODES", "T",
                                gateway::columns(call, kTable));
  if (count > 0) {
    // Columns grow with the stroke number, so the last stroke's is the largest.
    const double first = targetColumn(0, counter);
    const double last = targetColumn(count - 1, counter);
    char expected[200];
    bufferExpectation(expected, sizeof expected, 4, first, last);
    gateway::requireColumns(call, prhs[kStrokes], "B", last + 1, expected);
    bufferExpectation(expected, sizeof expected, 6, first, last);
    gateway::requireColumns(call, prhs[kColours], "C", last + 1, expected);
  }

  // Do the job.
  writeStrokes(strokes, colours, counter, table, codes, count, scale, origin, position, colour);
  counterData[0] = static_cast<double>(count) + counter;
}
