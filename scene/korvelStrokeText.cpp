// korvelStrokeText: the strokes of one character cell, appended to a stroke
// and a colour buffer: returned with the counter as new arrays,
// [B, C, N] = korvelStrokeText(B, C, N, T, CODES, SCALE, ORIGIN, POS, COLOUR),
// or, asked for no output, written into B, C and N in place.
#include "mex.h"

#include "../gateway/checks.h"
#include "../gateway/in_place.h"
#include "stroke_text.h"

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
static_assert(int{kCounter} == int{korvel::kStrokeCounter} &&
                  int{kCodes} == int{korvel::kStrokeCodes},
              "the core's faults name the inputs by these positions");

// A fault that the core's checks of the values found, raised with the words
// of this command's arguments.
[[noreturn]] void failValues(const gateway::Call &call, const korvel::Fault &fault,
                             gateway::Count tableColumns) {
  switch (fault.argument) {
    case kCounter: gateway::failNotFiniteNonNegative(call, "N", fault.value);
    case kCodes:
      gateway::failColumnNumber(call, "CODES", fault.element, fault.value, "T", tableColumns);
    case kStrokes:
      gateway::failWrittenColumns(call, "B", 4, fault.first, fault.last, "stroke",
                                  call.prhs[kStrokes]);
    default:
      gateway::failWrittenColumns(call, "C", 6, fault.first, fault.last, "stroke",
                                  call.prhs[kColours]);
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
  const gateway::Array<double> strokeBuffer = gateway::writableDoubleMatrix(call, kStrokes, "B", 4);
  const gateway::Array<double> colourBuffer = gateway::writableDoubleMatrix(call, kColours, "C", 6);
  double *strokes = strokeBuffer.data;
  double *colours = colourBuffer.data;
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
  // korvel::strokeText), so no write can change what is computed from them.
  // The value form writes only into outputs it creates, which share nothing, so
  // any input may share with any other there.
  if (inPlace)
    gateway::requireDisjoint(call, {{kStrokes, "B"}, {kColours, "C"}, {kCounter, "N"}},
                             {{kTable, "T"}, {kCodes, "CODES"}});

  const double counter = counterData[0];
  const korvel::Fault fault = korvel::strokeTextFault(
      counter, codes.data, count, table.columns, strokeBuffer.columns, colourBuffer.columns);
  if (fault.found()) failValues(call, fault, table.columns);
  if (!inPlace) {
    // The last check: outputs the host can create, copies of B, C and N.
    double *copies[kWritten];
    gateway::createCopiesOfInputs(call, kWritten, copies);
    strokes = copies[kStrokes];
    colours = copies[kColours];
    counterData = copies[kCounter];
  }

  // Do the job.
  counterData[0] = korvel::strokeText(strokes, colours, counter, table.data, codes.data, count,
                                      scale, origin, position, colour);
}
