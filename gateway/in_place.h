// The checks of korvelStrokeText, the one command that writes into its
// inputs (when asked for no output; its value form writes copies of them,
// checks.h): the inputs it writes, that no write can land on memory another
// input shares, and that every column it writes exists. Here, not in its
// source, because every check of an argument lives in the gateway, beside
// the messages it raises.
#ifndef KORVEL_IN_PLACE_H
#define KORVEL_IN_PLACE_H

#include <cfloat>
#include <cstdint>
#include <initializer_list>

#include "mex.h"

#include "checks.h"
#include "errors.h"

namespace gateway {

// The same checks as doubleMatrix and doubleElements, and the caller's own
// data, writable.
inline Array<double> writableDoubleMatrix(const Call &call, int slot, const char *name,
                                          Count rows) {
  const mxArray *array =
      requireSized(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleMatrix, Size::rows, rows);
  return {mxGetPr(array), mxGetM(array), mxGetN(array)};
}
inline Array<double> writableDoubleElements(const Call &call, int slot, const char *name,
                                            Count count) {
  const mxArray *array =
      requireSized(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleArray, Size::elements, count);
  return {mxGetPr(array), mxGetM(array), mxGetN(array)};
}

// Whether the data of two double arrays overlap: a host may hand the same
// memory to several inputs, and one that is written then changes one read.
inline bool doubleDataOverlap(const mxArray *a, const mxArray *b) {
  const Count aCount = mxGetNumberOfElements(a);
  const Count bCount = mxGetNumberOfElements(b);
  if (aCount == 0 || bCount == 0) return false;
  const std::uintptr_t aStart = reinterpret_cast<std::uintptr_t>(mxGetPr(a));
  const std::uintptr_t bStart = reinterpret_cast<std::uintptr_t>(mxGetPr(b));
  return aStart < bStart + bCount * sizeof(double) && bStart < aStart + aCount * sizeof(double);
}

// An input by position and by the name messages give it.
struct Argument {
  int slot;
  const char *name;
};

// Once every input named here has passed its class check as a double array:
// the data of each written input must be disjoint from that of every other
// written input (two writes could land on one element) and from that of
// every input in `read` (a write could change a value still to be read, or a
// value the caller passed only to be read). An input whose values the
// command has taken before its first write cannot be changed by that write:
// leave it out of `read`, and it may share.
inline void requireDisjoint(const Call &call, std::initializer_list<Argument> written,
                            std::initializer_list<Argument> read) {
  auto refuseOverlap = [&call](const Argument &input, const Argument &writtenInput) {
    if (doubleDataOverlap(call.prhs[input.slot], call.prhs[writtenInput.slot]))
      failSharedData(call, input.name, writtenInput.name);
  };
  for (const Argument *later = written.begin(); later != written.end(); ++later)
    for (const Argument *earlier = written.begin(); earlier != later; ++earlier)
      refuseOverlap(*later, *earlier);
  for (const Argument &input : read)
    for (const Argument &writtenInput : written) refuseOverlap(input, writtenInput);
}

// A value the command computes positions from: finite and not negative.
inline void requireFiniteNonNegative(const Call &call, double value, const char *name) {
  if (!(value >= 0 && value <= DBL_MAX)) failNotFiniteNonNegative(call, name, value);
}

// Each of the `count` doubles at `values`, truncated toward zero, is a
// one-based column number of an array `of` with `columns` columns.
inline void requireColumnNumbers(const Call &call, const double *values, Count count,
                                 const char *name, const char *of, Count columns) {
  // trunc(v) lies in 1..columns exactly when 1 <= v < columns + 1; NaN fails.
  const double end = asDouble(columns) + 1;
  for (Count i = 0; i < count; ++i)
    if (!(values[i] >= 1 && values[i] < end))
      failColumnNumber(call, name, i, values[i], of, columns);
}

// Input `slot`, a real double matrix with `rows` rows (checked before), must
// have the columns first to last (zero-based) that `noun`s are written to.
// first and last are doubles: they come from arithmetic on the caller's
// values and may exceed every array size.
inline void requireWrittenColumns(const Call &call, int slot, const char *name, int rows,
                                  double first, double last, const char *noun) {
  const mxArray *array = call.prhs[slot];
  if (asDouble(mxGetN(array)) >= last + 1) return;
  failWrittenColumns(call, name, rows, first, last, noun, array);
}

}  // namespace gateway

#endif  // KORVEL_IN_PLACE_H
