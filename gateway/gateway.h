// The gateway every plug-in compiles in: the shared argument checks, the one
// error call, and the creation of output 1.
//
// Errors go through the host's mexErrMsgIdAndTxt, which does not return; some
// hosts leave the plug-in by longjmp, so no object with a destructor may be
// alive in a kernel when a check fails. Everything here is plain data.
#ifndef KORVEL_GATEWAY_H
#define KORVEL_GATEWAY_H

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <limits>

#include "mex.h"

namespace gateway {

using Count = std::size_t;

// The reasons a call is refused; each becomes the identifier <command>:<reason>.
enum class Reason {
  notEnoughInputs,  // fewer inputs than the command reads
  tooManyOutputs,   // more outputs requested than the command returns
  badClass,         // wrong class, complex or sparse
  badSize,          // wrong row count or too few elements
  badIndex,         // an index into another input lies outside it
  badValue,         // a value the command computes a position from is unusable
  tooLarge,         // a result larger than the host can create
  sharedData,       // an input that is read shares memory with one that is written
};

inline const char *reasonName(Reason reason) {
  switch (reason) {
    case Reason::notEnoughInputs: return "notEnoughInputs";
    case Reason::tooManyOutputs: return "tooManyOutputs";
    case Reason::badClass: return "badClass";
    case Reason::badSize: return "badSize";
    case Reason::badIndex: return "badIndex";
    case Reason::badValue: return "badValue";
    case Reason::tooLarge: return "tooLarge";
    case Reason::sharedData: return "sharedData";
  }
  return "unknown";
}

// One call of a command, as the host made it.
struct Call {
  const char *command;  // the command name, first part of every identifier
  const char *usage;    // e.g. "R = korvelOffset(P, POS)", quoted in messages
  int outputs;          // how many outputs the command returns: 1, or 0 if it writes in place
  int nlhs;
  mxArray **plhs;
  int nrhs;
  const mxArray **prhs;
};

// Raises the host error <command>:<reason>. The message names the argument,
// what was expected and what was given; the host adds the command name.
[[noreturn]] inline void fail(const Call &call, Reason reason, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

inline void fail(const Call &call, Reason reason, const char *format, ...) {
  char identifier[128];
  std::snprintf(identifier, sizeof identifier, "%s:%s", call.command, reasonName(reason));
  char message[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  mexErrMsgIdAndTxt(identifier, "%s", message);
#if defined(__GNUC__)
  __builtin_unreachable();  // real hosts do not all declare it noreturn
#endif
}

// A count as a double, for messages and for comparisons with counts computed
// in double: exact below 2^53, and printable with every C runtime's printf,
// unlike size_t.
inline double asDouble(Count count) { return static_cast<double>(count); }

// The ending of a noun after a count: "1 input", "2 inputs", "0 columns".
inline const char *plural(double count) { return count == 1 ? "" : "s"; }

// "a 2-by-5 single array", "a 3-by-1 complex double array".
struct Description {
  char text[96];
};

inline Description describe(const mxArray *array) {
  Description description;
  std::snprintf(description.text, sizeof description.text, "a %.0f-by-%.0f %s%s%s array",
                asDouble(mxGetM(array)), asDouble(mxGetN(array)),
                mxIsSparse(array) ? "sparse " : "", mxIsComplex(array) ? "complex " : "",
                mxGetClassName(array));
  return description;
}

// --- Checks -----------------------------------------------------------------

// Every command starts with this check, and every check of an input goes
// through it. So a call that asks for more outputs than the command returns
// is refused before anything is read or written: the host would refuse it
// only after the command had run, and korvelStrokeText would have written
// its buffers by then.
inline void requireInputs(const Call &call, int count) {
  if (call.nlhs > call.outputs) {
    const char *verb = call.nlhs == 1 ? "was" : "were";
    if (call.outputs == 0)
      fail(call, Reason::tooManyOutputs, "expected no output, as in %s; %d %s requested",
           call.usage, call.nlhs, verb);
    fail(call, Reason::tooManyOutputs, "expected at most %d output%s, as in %s; %d %s requested",
         call.outputs, plural(call.outputs), call.usage, call.nlhs, verb);
  }
  if (call.nrhs < count)
    fail(call, Reason::notEnoughInputs, "expected %d input%s, as in %s; got %d", count,
         plural(count), call.usage, call.nrhs);
}

// Input `slot`, of a class whose values keep their elements in a data block:
// numeric, logical and char arrays, and cell and struct arrays (a block of
// element handles). Function handles and objects of any class system have
// none, and a host may end the whole session when asked for their data
// (Octave 7 aborts in mxGetData), so they are refused without asking.
// Listing the classes that have one, rather than those that have not, also
// refuses classes that other hosts add (MATLAB's object classes).
inline const mxArray *requireDataBlock(const Call &call, int slot, const char *name) {
  requireInputs(call, slot + 1);
  const mxArray *array = call.prhs[slot];
  switch (mxGetClassID(array)) {
    case mxCELL_CLASS:
    case mxSTRUCT_CLASS:
    case mxLOGICAL_CLASS:
    case mxCHAR_CLASS:
    case mxDOUBLE_CLASS:
    case mxSINGLE_CLASS:
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
      return array;
    default:
      fail(call, Reason::badClass,
           "%s must be an array with a data block (numeric, logical, char, cell or struct), "
           "not a function handle or an object; got %s",
           name, describe(array).text);
  }
}

// Input `slot` (zero-based), which must be real, full and of one of `classes`.
// `expected` says what the argument must be, e.g. "a real double matrix with 3 rows".
inline const mxArray *requireClass(const Call &call, int slot, const char *name,
                                   std::initializer_list<mxClassID> classes,
                                   const char *expected) {
  requireInputs(call, slot + 1);
  const mxArray *array = call.prhs[slot];
  bool classAccepted = false;
  for (mxClassID accepted : classes) classAccepted = classAccepted || mxGetClassID(array) == accepted;
  if (!classAccepted || mxIsComplex(array) || mxIsSparse(array))
    fail(call, Reason::badClass, "%s must be %s; got %s", name, expected, describe(array).text);
  return array;
}

inline void requireRows(const Call &call, const mxArray *array, const char *name, Count rows,
                        const char *expected) {
  if (mxGetM(array) != rows)
    fail(call, Reason::badSize, "%s must be %s; got %s", name, expected, describe(array).text);
}

inline void requireElements(const Call &call, const mxArray *array, const char *name, Count count,
                            const char *expected) {
  if (mxGetNumberOfElements(array) < count)
    fail(call, Reason::badSize, "%s must be %s; got %s", name, expected, describe(array).text);
}

// The data of a real double matrix with exactly `rows` rows.
inline const double *doubleMatrix(const Call &call, int slot, const char *name, Count rows) {
  char expected[64];
  std::snprintf(expected, sizeof expected, "a real double matrix with %.0f row%s", asDouble(rows),
                plural(asDouble(rows)));
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected);
  requireRows(call, array, name, rows, expected);
  return mxGetPr(array);
}

// What an array of which the first `count` elements are read must be:
// "<kind> with at least 3 elements (its first 3 are used)". Messages say
// "array", not "scalar" or "vector": any shape with enough elements will do.
struct Expectation {
  char text[128];
};

inline Expectation firstElements(const char *kind, Count count) {
  Expectation expectation;
  if (count == 0)
    std::snprintf(expectation.text, sizeof expectation.text, "%s", kind);
  else if (count == 1)
    std::snprintf(expectation.text, sizeof expectation.text,
                  "%s with at least 1 element (its first is used)", kind);
  else
    std::snprintf(expectation.text, sizeof expectation.text,
                  "%s with at least %.0f elements (its first %.0f are used)", kind, asDouble(count),
                  asDouble(count));
  return expectation;
}

// The data of a real double array with at least `count` elements, any shape.
inline const double *doubleElements(const Call &call, int slot, const char *name, Count count) {
  const Expectation expected = firstElements("a real double array", count);
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected.text);
  requireElements(call, array, name, count, expected.text);
  return mxGetPr(array);
}

// The data of any real double matrix, whatever its size.
inline const double *anyDoubleMatrix(const Call &call, int slot, const char *name) {
  return mxGetPr(requireClass(call, slot, name, {mxDOUBLE_CLASS}, "a real double matrix"));
}

// The data of a real double matrix whose first column is read, one element per
// row: a matrix with rows but no columns has no such column.
inline const double *doubleFirstColumn(const Call &call, int slot, const char *name) {
  const char *expected = "a real double matrix with a first column (or no rows)";
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected);
  if (mxGetM(array) > 0 && mxGetN(array) == 0)
    fail(call, Reason::badSize, "%s must be %s; got %s", name, expected, describe(array).text);
  return mxGetPr(array);
}

// Input `slot`: real, full, of one of `classes`, with exactly `rows` rows.
inline const mxArray *requireMatrix(const Call &call, int slot, const char *name,
                                    std::initializer_list<mxClassID> classes, Count rows,
                                    const char *expected) {
  const mxArray *array = requireClass(call, slot, name, classes, expected);
  requireRows(call, array, name, rows, expected);
  return array;
}


// The data of a real int32 matrix with exactly `rows` rows.
inline const std::int32_t *int32Matrix(const Call &call, int slot, const char *name, Count rows) {
  char expected[64];
  std::snprintf(expected, sizeof expected, "an int32 matrix with %.0f row%s", asDouble(rows),
                plural(asDouble(rows)));
  return static_cast<const std::int32_t *>(
      mxGetData(requireMatrix(call, slot, name, {mxINT32_CLASS}, rows, expected)));
}

// The bytes of a one-byte array (logical, uint8 or int8) with at least `count`
// elements, any shape.
inline const unsigned char *byteElements(const Call &call, int slot, const char *name,
                                         Count count) {
  const Expectation expected = firstElements("a logical, uint8 or int8 array", count);
  const mxArray *array =
      requireClass(call, slot, name, {mxLOGICAL_CLASS, mxUINT8_CLASS, mxINT8_CLASS}, expected.text);
  requireElements(call, array, name, count, expected.text);
  return static_cast<const unsigned char *>(mxGetData(array));
}

// For the commands that write into their inputs: the same checks as
// doubleMatrix and doubleElements, and the caller's own data, writable.
inline double *inPlaceDoubleMatrix(const Call &call, int slot, const char *name, Count rows) {
  doubleMatrix(call, slot, name, rows);
  return mxGetPr(call.prhs[slot]);
}
inline double *inPlaceDoubleElements(const Call &call, int slot, const char *name, Count count) {
  doubleElements(call, slot, name, count);
  return mxGetPr(call.prhs[slot]);
}

// A double as messages show it: the shortest of %.15g and %.17g that reads
// back as the same double, and NaN, Inf, -Inf as the host writes them.
struct Number {
  char text[32];
};

inline Number number(double value) {
  Number shownNumber;
  if (value != value)
    std::snprintf(shownNumber.text, sizeof shownNumber.text, "NaN");
  else if (value > DBL_MAX || value < -DBL_MAX)
    std::snprintf(shownNumber.text, sizeof shownNumber.text, value > 0 ? "Inf" : "-Inf");
  else {
    std::snprintf(shownNumber.text, sizeof shownNumber.text, "%.15g", value);
    if (std::strtod(shownNumber.text, nullptr) != value)
      std::snprintf(shownNumber.text, sizeof shownNumber.text, "%.17g", value);
  }
  return shownNumber;
}

// A value the command computes positions from: finite and not negative.
inline void requireFiniteNonNegative(const Call &call, double value, const char *name) {
  if (!(value >= 0 && value <= DBL_MAX))
    fail(call, Reason::badValue, "%s must be a finite number, 0 or more; got %s", name,
         number(value).text);
}

// Each of the `count` doubles at `values`, truncated toward zero, is a
// one-based column number of an array `of` with `columns` columns.
inline void requireColumnNumbers(const Call &call, const double *values, Count count,
                                 const char *name, const char *of, Count columns) {
  // trunc(v) lies in 1..columns exactly when 1 <= v < columns + 1; NaN fails.
  const double end = asDouble(columns) + 1;
  for (Count i = 0; i < count; ++i) {
    if (!(values[i] >= 1 && values[i] < end))
      fail(call, Reason::badIndex,
           "%s(%.0f) must be a column number of %s, from 1 to %.0f after truncation toward "
           "zero; got %s",
           name, asDouble(i + 1), of, asDouble(columns), number(values[i]).text);
  }
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

// For the commands that write into inputs, once every input named here has
// passed its class check as a double array: the data of each written input
// must be disjoint from that of every other written input (two writes could
// land on one element) and from that of every input in `read` (a write could
// change a value still to be read, or a value the caller passed only to be
// read). An input whose values the command has taken before its first write
// cannot be changed by that write: leave it out of `read`, and it may share.
inline void requireDisjoint(const Call &call, std::initializer_list<Argument> written,
                            std::initializer_list<Argument> read) {
  auto refuseOverlap = [&call](const Argument &input, const Argument &writtenInput) {
    if (doubleDataOverlap(call.prhs[input.slot], call.prhs[writtenInput.slot]))
      fail(call, Reason::sharedData,
           "%s must not share memory with %s, which is written; got %s and %s in overlapping "
           "memory",
           input.name, writtenInput.name, input.name, writtenInput.name);
  };
  for (const Argument *later = written.begin(); later != written.end(); ++later)
    for (const Argument *earlier = written.begin(); earlier != later; ++earlier)
      refuseOverlap(*later, *earlier);
  for (const Argument &input : read)
    for (const Argument &writtenInput : written) refuseOverlap(input, writtenInput);
}

// For the commands that write into inputs: input `slot`, a real double matrix
// with `rows` rows (checked before), must have the columns first to last
// (zero-based) that `noun`s are written to. first and last are doubles: they
// come from arithmetic on the caller's values and may exceed every array size.
inline void requireWrittenColumns(const Call &call, int slot, const char *name, int rows,
                                  double first, double last, const char *noun) {
  const mxArray *array = call.prhs[slot];
  const double columns = last + 1;
  if (asDouble(mxGetN(array)) >= columns) return;
  char expected[200];
  const int written = std::snprintf(
      expected, sizeof expected, "a real double matrix with %d rows and at least %s column%s, ",
      rows, number(columns).text, plural(columns));
  if (written > 0 && static_cast<Count>(written) < sizeof expected) {
    if (first == last)
      std::snprintf(expected + written, sizeof expected - written,
                    "for a %s in zero-based column %s", noun, number(first).text);
    else
      std::snprintf(expected + written, sizeof expected - written,
                    "for %ss in zero-based columns %s to %s", noun, number(first).text,
                    number(last).text);
  }
  fail(call, Reason::badSize, "%s must be %s; got %s", name, expected, describe(array).text);
}

inline Count rows(const Call &call, int slot) { return mxGetM(call.prhs[slot]); }
inline Count columns(const Call &call, int slot) { return mxGetN(call.prhs[slot]); }

// --- Output -----------------------------------------------------------------

// The largest size the host's mxCreateDoubleMatrix takes, read from the type
// of its first parameter: int under MATLAB's compatible-array-dims interface
// and the stand-in, size_t under -largeArrayDims, mwSize in Octave. Only the
// type is used, so a dllimport function is fine.
template <typename Function> struct LargestCreatable;
template <typename Result, typename Size, typename... Rest>
struct LargestCreatable<Result(Size, Rest...)> {
  static constexpr Count value =
      static_cast<std::uintmax_t>(std::numeric_limits<Size>::max()) <
              static_cast<std::uintmax_t>(std::numeric_limits<Count>::max())
          ? static_cast<Count>(std::numeric_limits<Size>::max())
          : std::numeric_limits<Count>::max();
};
constexpr Count kLargestCreatable = LargestCreatable<decltype(mxCreateDoubleMatrix)>::value;

// Creates output 1 as a zero-filled real double matrix, stores it in slot 0
// and returns its data (null when it has no elements).
inline double *createOutput(const Call &call, Count rows, Count columns) {
  if constexpr (kLargestCreatable < std::numeric_limits<Count>::max()) {
    if (rows > kLargestCreatable || columns > kLargestCreatable)
      fail(call, Reason::tooLarge,
           "the result would be %.0f-by-%.0f, more than this host can create", asDouble(rows),
           asDouble(columns));
  }
  mxArray *output = mxCreateDoubleMatrix(rows, columns, mxREAL);
  call.plhs[0] = output;
  return mxGetPr(output);
}

}  // namespace gateway

#endif
