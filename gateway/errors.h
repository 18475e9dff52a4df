// The record of a call, the reasons a call is refused, and the text of every
// message a command raises, so that each message is written once and reads
// like the others. A message or text that serves one command names it.
//
// Errors go through the host's mexErrMsgIdAndTxt, which does not return; some
// hosts leave the plug-in by longjmp, so no object with a destructor may be
// alive in a kernel or a check when one is raised. Everything here is plain
// data.
#ifndef KORVEL_ERRORS_H
#define KORVEL_ERRORS_H

#include <cfloat>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "mex.h"

#include "../core/fault.h"

namespace gateway {

using Count = korvel::Count;
using korvel::Reason;
using korvel::reasonName;

// The name a command is built under, as text, where the build passes it as
// MEX_COMMAND_NAME (a command built from the source of another):
// KORVEL_NAME_OF(MEX_COMMAND_NAME).
#define KORVEL_NAME_TEXT(name) #name
#define KORVEL_NAME_OF(name) KORVEL_NAME_TEXT(name)

// What a command is: the first part of its identifiers, the usage line its
// messages quote, and how many outputs it returns and inputs it reads.
struct Command {
  const char *name;
  const char *usage;  // e.g. "R = korvelOffset(P, POS)"
  int outputs;        // at most this many (0 if it returns nothing but its value form)
  int inputs;
  // A command that writes its first inputs in place when asked for no output
  // returns them instead, as new arrays, when asked for this many outputs,
  // and writes nothing (korvelStrokeText, the paint commands' picture); 0 for
  // every other command.
  int valueOutputs = 0;
};

// One call of a command, as the host made it. Made only by startCall
// (checks.h), which has checked the counts: inputs 0 to command.inputs - 1
// exist.
struct Call {
  Command command;
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
  std::snprintf(identifier, sizeof identifier, "%s:%s", call.command.name, reasonName(reason));
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
  char text[128];
};

// Every dimension of an N-D array: "a 4-by-5-by-3 uint8 array".
inline Description describe(const mxArray *array) {
  Description description;
  char size[64] = "";
  const auto *dimensions = mxGetDimensions(array);
  const auto count = static_cast<int>(mxGetNumberOfDimensions(array));
  int used = 0;
  for (int k = 0; k < count && used >= 0 && static_cast<Count>(used) < sizeof size; ++k)
    used += std::snprintf(size + used, sizeof size - used, "%s%.0f", k == 0 ? "" : "-by-",
                          asDouble(static_cast<Count>(dimensions[k])));
  std::snprintf(description.text, sizeof description.text, "a %s %s%s%s array", size,
                mxIsSparse(array) ? "sparse " : "", mxIsComplex(array) ? "complex " : "",
                mxGetClassName(array));
  return description;
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

// --- What an argument must be -------------------------------------------------

const char *const kRealDoubleMatrix = "a real double matrix";
const char *const kRealDoubleArray = "a real double array";
const char *const kInt32Matrix = "an int32 matrix";
const char *const kByteArray = "a logical, uint8 or int8 array";
const char *const kRealDoubleScalar = "a real double scalar";
// valueSwap's FROM: its first column is read, one element per row.
const char *const kFirstColumn = "a real double matrix with a first column (or no rows)";
// korvelStrokeText's CODES: K, the stroke count, is its column count and its
// first K elements are the codes, so only an array with columns but no rows
// lacks them.
const char *const kStrokeCodes =
    "a real double array with at least as many elements as columns (its first K elements "
    "are the stroke codes, K its column count)";

// The paint commands' P: a picture in the host's image conventions.
const char *const kPicture =
    "a real double or uint8 H-by-W-by-3 array (a picture, H and W below 2^31)";
// korvelEncodePng's P.
const char *const kPngPicture =
    "a real double, uint8 or uint16 H-by-W-by-3 or H-by-W array with at least one pixel";
// korvelPaintTriangles' COLOURS and korvelPaintStrokes' COLOURS.
const char *const kColourRows = "a real double matrix with 3 columns and a row per %s, or 1 row for all";
// korvelPaintTriangles' UV.
const char *const kPointRows =
    "a real double matrix with at least 2 rows (u and v; a screen matrix as it is)";
// korvelDepthOrder's FLAGS.
const char *const kFlags = "a real double or logical array";

struct Expectation {
  char text[128];
};

// "a real double matrix with 3 rows".
inline Expectation withRows(const char *kind, Count rows) {
  Expectation expectation;
  std::snprintf(expectation.text, sizeof expectation.text, "%s with %.0f row%s", kind,
                asDouble(rows), plural(asDouble(rows)));
  return expectation;
}

// What an array of which the first `count` elements are read must be:
// "<kind> with at least 3 elements (its first 3 are used)". Messages say
// "array", not "scalar" or "vector": any shape with enough elements will do.
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

// --- The messages -------------------------------------------------------------

[[noreturn]] inline void failOutputCount(const Call &call) {
  const char *verb = call.nlhs == 1 ? "was" : "were";
  const int value = call.command.valueOutputs;
  if (value > 0) {
    char written[32] = "the first input";
    if (value > 1) std::snprintf(written, sizeof written, "the first %d inputs", value);
    if (call.command.outputs > value)
      fail(call, Reason::tooManyOutputs,
           "expected at most %d outputs, as in %s, or none to write %s in place; %d %s requested",
           call.command.outputs, call.command.usage, written, call.nlhs, verb);
    fail(call, Reason::tooManyOutputs,
         "expected %d output%s, as in %s, or none to write %s in place; %d %s requested", value,
         plural(value), call.command.usage, written, call.nlhs, verb);
  }
  if (call.command.outputs == 0)
    fail(call, Reason::tooManyOutputs, "expected no output, as in %s; %d %s requested",
         call.command.usage, call.nlhs, verb);
  fail(call, Reason::tooManyOutputs, "expected at most %d output%s, as in %s; %d %s requested",
       call.command.outputs, plural(call.command.outputs), call.command.usage, call.nlhs, verb);
}

[[noreturn]] inline void failInputCount(const Call &call) {
  const int count = call.command.inputs;
  fail(call, Reason::notEnoughInputs, "expected %d input%s, as in %s; got %d", count,
       plural(count), call.command.usage, call.nrhs);
}

// An argument of the wrong class (badClass) or size (badSize).
[[noreturn]] inline void failArgument(const Call &call, Reason reason, const char *name,
                                      const char *expected, const mxArray *given) {
  fail(call, reason, "%s must be %s; got %s", name, expected, describe(given).text);
}

// korvelDataPtr's X.
[[noreturn]] inline void failNoDataBlock(const Call &call, const char *name,
                                         const mxArray *given) {
  fail(call, Reason::badClass,
       "%s must be an array with a data block (numeric, logical, char, cell or struct), "
       "not a function handle or an object; got %s",
       name, describe(given).text);
}

[[noreturn]] inline void failTooLarge(const Call &call, Count rows, Count columns) {
  fail(call, Reason::tooLarge, "the result would be %.0f-by-%.0f, more than this host can create",
       asDouble(rows), asDouble(columns));
}

// korvelEncodePng: a picture with a side of 2^31 or more (a PNG holds 31
// bits) or a row of 2^30 bytes or more, or whose file the memory this host
// gives cannot hold.
[[noreturn]] inline void failPngTooLarge(const Call &call, const char *name, Count height,
                                         Count width) {
  fail(call, Reason::tooLarge,
       "%s is %.0f-by-%.0f: its PNG file would be more than this host can create (a PNG's "
       "sides are below 2^31, its rows here below 2^30 bytes, and the file is made in "
       "memory)",
       name, asDouble(height), asDouble(width));
}

// korvelStrokeText's N, the counter its columns are computed from.
[[noreturn]] inline void failNotFiniteNonNegative(const Call &call, const char *name,
                                                  double value) {
  fail(call, Reason::badValue, "%s must be a finite number, 0 or more; got %s", name,
       number(value).text);
}

// A screen's constant (korvelTorusScreen's, korvelConeScreen's): infinite
// or NaN, or 0 where 0 leaves no screen.
[[noreturn]] inline void failScreenConstant(const Call &call, const char *name, double value,
                                            bool zeroAllowed) {
  fail(call, Reason::badValue, "%s must be a finite number%s; got %s", name,
       zeroAllowed ? "" : " other than 0", number(value).text);
}

// Element `element` (zero-based) of `name`, `value`, is not a column number
// of the array `of` with `columns` columns (korvelStrokeText's CODES).
[[noreturn]] inline void failColumnNumber(const Call &call, const char *name, Count element,
                                          double value, const char *of, Count columns) {
  fail(call, Reason::badIndex,
       "%s(%.0f) must be a column number of %s, from 1 to %.0f after truncation toward "
       "zero; got %s",
       name, asDouble(element + 1), of, asDouble(columns), number(value).text);
}

// korvelStrokeText's inputs, of which it writes three (in_place.h).
[[noreturn]] inline void failSharedData(const Call &call, const char *name,
                                        const char *writtenName) {
  fail(call, Reason::sharedData,
       "%s must not share memory with %s, which is written; got %s and %s in overlapping "
       "memory",
       name, writtenName, name, writtenName);
}

// korvelStrokeText's B and C: a written matrix with `rows` rows lacks
// zero-based columns up to `last`, to which `noun`s from `first` on are
// written. first and last are doubles: they come from arithmetic on the
// caller's values and may exceed every array size.
[[noreturn]] inline void failWrittenColumns(const Call &call, const char *name, int rows,
                                            double first, double last, const char *noun,
                                            const mxArray *given) {
  const double columns = last + 1;
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
  failArgument(call, Reason::badSize, name, expected, given);
}

// A corner F(corner, triangle) outside the array it indexes: korvelFaceShown's
// (checked as the kernel reads them, so raised after the kernel has run: "an
// enabled triangle", "column", S), korvelPaintTriangles' ("a painted
// triangle", "column", UV) and korvelDepthOrder's ("a drawn triangle",
// "element", D).
[[noreturn]] inline void failCornerIndex(const Call &call, int corner, Count triangle,
                                         Count size, std::int32_t index,
                                         const char *which = "an enabled triangle",
                                         const char *noun = "column", const char *of = "S") {
  fail(call, Reason::badIndex,
       "F(%d, %.0f), a corner of %s, must be a zero-based %s index of %s, 0 or more and "
       "below its %.0f %s%s; got %ld",
       corner + 1, asDouble(triangle + 1), which, noun, of, asDouble(size), noun,
       plural(asDouble(size)), static_cast<long>(index));
}

// korvelPaintTriangles' ORDER: element `element` (zero-based) is not a face
// number of F.
[[noreturn]] inline void failFaceNumber(const Call &call, const char *name, Count element,
                                        double value, Count faces) {
  fail(call, Reason::badIndex,
       "%s(%.0f) must be a column number of F, a whole number from 1 to %.0f; got %s", name,
       asDouble(element + 1), asDouble(faces), number(value).text);
}

// The paint commands' VIEW: [uMin vMax pixelsPerUnit].
[[noreturn]] inline void failView(const Call &call, const char *name, const double *view) {
  fail(call, Reason::badValue,
       "%s must be [uMin vMax pixelsPerUnit] with uMin and vMax finite and pixelsPerUnit "
       "finite and above 0; got [%s %s %s]",
       name, number(view[0]).text, number(view[1]).text, number(view[2]).text);
}

// korvelPaintStrokes' WIDTH.
[[noreturn]] inline void failPenWidth(const Call &call, const char *name, double value,
                                      double widest) {
  fail(call, Reason::badValue, "%s must be a whole number from 1 to %.0f; got %s", name, widest,
       number(value).text);
}

}  // namespace gateway

#endif  // KORVEL_ERRORS_H
