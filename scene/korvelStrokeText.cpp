// korvelStrokeText: the strokes of one character cell, appended to a stroke
// and a colour buffer: returned with the counter as new arrays,
// [B, C, N] = korvelStrokeText(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR),
// or, asked for no output, written into B, C and N in place.
#include <cmath>

#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/in_place.h"

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

// B, C and N: written in place, or returned as outputs 1 to 3.
constexpr int kWritten = kCounter + 1;

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
    const auto column = static_cast<gateway::Count>(targetColumn(i, counter));
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

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments, all of them before anything is created or written: a
  // refused call leaves the buffers and the counter as they were.
  const gateway::Call call = gateway::startCall(
      {"korvelStrokeText",
       "[B, C, N] = korvelStrokeText(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR)", 0,
       kInputCount, kWritten},
      nlhs, plhs, nrhs, prhs);
  // Asked for outputs, it returns B, C and N appended as new arrays and
  // writes nothing; asked for none, it writes into B, C and N.
  const bool inPlace = nlhs == 0;
  double *strokes = gateway::writableDoubleMatrix(call, kStrokes, "B", 4).data;
  double *colours = gateway::writableDoubleMatrix(call, kColours, "C", 6).data;
  double *counterData = gateway::writableDoubleElements(call, kCounter, "N", 1).data;
  const gateway::Array<const double> table = gateway::doubleMatrix(call, kTable, "T", 4);
  // K, the stroke count, is the column count of CODES.
  const gateway::Array<const double> codes = gateway::doublePerColumn(call, kCodes, "CODES");
  const gateway::Count count = codes.columns;
  const double scale = gateway::doubleElements(call, kScale, "SCALE", 1).data[0];
  const double *origin = gateway::doubleElements(call, kOrigin, "ORIGIN", 2).data;
  const double position = gateway::doubleElements(call, kPosition, "POS", 1).data[0];
  const double *colour = gateway::doubleElements(call, kColour, "COLOUR", 3).data;

  // The host may hand one block of memory to several inputs (in Octave a
  // copy such as C = B, and a contiguous slice such as B(:, 2:3), shares the
  // original's memory). In place, B, C and N are written; T and CODES are
  // read while the strokes are written. SCALE, ORIGIN, POS and COLOUR may
  // share with a written input: their values are taken before the first
  // write (scale and position above, origin and colour at the top of
  // writeStrokes), so no write can change what is computed from them. The
  // value form writes only into outputs it creates, which share nothing, so
  // any input may share with any other there.
  if (inPlace)
    gateway::requireDisjoint(call, {{kStrokes, "B"}, {kColours, "C"}, {kCounter, "N"}},
                             {{kTable, "T"}, {kCodes, "CODES"}});

  const double counter = counterData[0];
  gateway::requireFiniteNonNegative(call, counter, "N");
  gateway::requireColumnNumbers(call, codes.data, count, "CODES", "T", table.columns);
  if (count > 0) {
    // Columns grow with the stroke number, so the last stroke's is the largest.
    const double first = targetColumn(0, counter);
    const double last = targetColumn(count - 1, counter);
    gateway::requireWrittenColumns(call, kStrokes, "B", 4, first, last, "stroke");
    gateway::requireWrittenColumns(call, kColours, "C", 6, first, last, "stroke");
  }
  if (!inPlace) {
    // The last check: outputs the host can create, copies of B, C and N.
    double *copies[kWritten];
    gateway::createCopiesOfInputs(call, kWritten, copies);
    strokes = copies[kStrokes];
    colours = copies[kColours];
    counterData = copies[kCounter];
  }

  // Do the job.
  writeStrokes(strokes, colours, counter, table.data, codes.data, count, scale, origin, position,
               colour);
  counterData[0] = static_cast<double>(count) + counter;
}
