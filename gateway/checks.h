// The checks of a call and of its inputs, and the creation of output 1.
//
// A call starts with startCall, which checks the counts once; each check of
// an input then looks at its class before anything else of it and returns
// what the command needs of it (data, rows, columns), so no command goes back
// to the host array. A check that serves one command says so: it is here, not
// in the command's source, because every check of an argument lives in the
// gateway, beside the messages it raises (errors.h).
#ifndef KORVEL_CHECKS_H
#define KORVEL_CHECKS_H

#include <cstdint>
#include <initializer_list>
#include <limits>

#include "mex.h"

#include "errors.h"

namespace gateway {

// What a command takes from a checked input.
template <typename Element>
struct Array {
  Element *data;
  Count rows;
  Count columns;
};

// The call, once the counts are right. Checked first, before any input is
// read: a call that asks for more outputs than the command returns is
// refused before anything is read or written; the host would refuse it only
// after the command had run, and korvelStrokeText would have written its
// buffers by then.
inline Call startCall(const Command &command, int nlhs, mxArray *plhs[], int nrhs,
                      const mxArray *prhs[]) {
  const Call call{command, nlhs, plhs, nrhs, prhs};
  if (nlhs > command.outputs) failOutputCount(call);
  if (nrhs < command.inputs) failInputCount(call);
  return call;
}

// Input `slot` (zero-based), which must be real, full and of one of `classes`.
// `expected` says what the argument must be, e.g. "a real double matrix with 3 rows".
inline const mxArray *requireClass(const Call &call, int slot, const char *name,
                                   std::initializer_list<mxClassID> classes,
                                   const char *expected) {
  const mxArray *array = call.prhs[slot];
  bool classAccepted = false;
  for (mxClassID accepted : classes) classAccepted = classAccepted || mxGetClassID(array) == accepted;
  if (!classAccepted || mxIsComplex(array) || mxIsSparse(array))
    failArgument(call, Reason::badClass, name, expected, array);
  return array;
}

inline void requireRows(const Call &call, const mxArray *array, const char *name, Count rows,
                        const char *expected) {
  if (mxGetM(array) != rows) failArgument(call, Reason::badSize, name, expected, array);
}

inline void requireElements(const Call &call, const mxArray *array, const char *name, Count count,
                            const char *expected) {
  if (mxGetNumberOfElements(array) < count)
    failArgument(call, Reason::badSize, name, expected, array);
}

// A double array that has passed its checks.
inline Array<const double> doublesOf(const mxArray *array) {
  return {mxGetPr(array), mxGetM(array), mxGetN(array)};
}

// A real double matrix with exactly `rows` rows.
inline const mxArray *requireDoubleMatrix(const Call &call, int slot, const char *name,
                                          Count rows) {
  const Expectation expected = withRows(kRealDoubleMatrix, rows);
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected.text);
  requireRows(call, array, name, rows, expected.text);
  return array;
}

inline Array<const double> doubleMatrix(const Call &call, int slot, const char *name,
                                        Count rows) {
  return doublesOf(requireDoubleMatrix(call, slot, name, rows));
}

// A real double array with at least `count` elements, any shape.
inline const mxArray *requireDoubleElements(const Call &call, int slot, const char *name,
                                            Count count) {
  const Expectation expected = firstElements(kRealDoubleArray, count);
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected.text);
  requireElements(call, array, name, count, expected.text);
  return array;
}

inline Array<const double> doubleElements(const Call &call, int slot, const char *name,
                                          Count count) {
  return doublesOf(requireDoubleElements(call, slot, name, count));
}

// Any real double matrix, whatever its size (plateauLabels' and valueSwap's A).
inline Array<const double> anyDoubleMatrix(const Call &call, int slot, const char *name) {
  return doublesOf(requireClass(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleMatrix));
}

// A real double matrix whose first column is read, one element per row: a
// matrix with rows but no columns has no such column (valueSwap's FROM).
inline Array<const double> doubleFirstColumn(const Call &call, int slot, const char *name) {
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, kFirstColumn);
  if (mxGetM(array) > 0 && mxGetN(array) == 0)
    failArgument(call, Reason::badSize, name, kFirstColumn, array);
  return doublesOf(array);
}

// A real double array whose first K elements are read, K its column count
// (korvelStrokeText's CODES).
inline Array<const double> doublePerColumn(const Call &call, int slot, const char *name) {
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, kStrokeCodes);
  requireElements(call, array, name, mxGetN(array), kStrokeCodes);
  return doublesOf(array);
}

// A real int32 matrix with exactly `rows` rows (korvelFaceShown's F).
inline Array<const std::int32_t> int32Matrix(const Call &call, int slot, const char *name,
                                             Count rows) {
  const Expectation expected = withRows(kInt32Matrix, rows);
  const mxArray *array = requireClass(call, slot, name, {mxINT32_CLASS}, expected.text);
  requireRows(call, array, name, rows, expected.text);
  return {static_cast<const std::int32_t *>(mxGetData(array)), mxGetM(array), mxGetN(array)};
}

// The bytes of a one-byte array (logical, uint8 or int8) with at least
// `count` elements, any shape (korvelFaceShown's MASK).
inline Array<const unsigned char> byteElements(const Call &call, int slot, const char *name,
                                               Count count) {
  const Expectation expected = firstElements(kByteArray, count);
  const mxArray *array =
      requireClass(call, slot, name, {mxLOGICAL_CLASS, mxUINT8_CLASS, mxINT8_CLASS}, expected.text);
  requireElements(call, array, name, count, expected.text);
  return {static_cast<const unsigned char *>(mxGetData(array)), mxGetM(array), mxGetN(array)};
}

// Input `slot`, of a class whose values keep their elements in a data block:
// numeric, logical and char arrays, and cell and struct arrays (a block of
// element handles). Function handles and objects of any class system have
// none, and a host may end the whole session when asked for their data
// (Octave 7 aborts in mxGetData), so they are refused without asking.
// Listing the classes that have one, rather than those that have not, also
// refuses classes that other hosts add (MATLAB's object classes).
// korvelDataPtr's X. mxGetData, not mxGetPr: the same address, and hosts
// that check the class in mxGetPr refuse non-double arrays there.
inline Array<const void> dataBlock(const Call &call, int slot, const char *name) {
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
      return {mxGetData(array), mxGetM(array), mxGetN(array)};
    default:
      failNoDataBlock(call, name, array);
  }
}

// --- Output 1 -----------------------------------------------------------------
//
// Here, with the checks: creating it is the call's last check (a result the
// host cannot create is refused as tooLarge before any work), and it is the
// gateway's one write to a slot.

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
      failTooLarge(call, rows, columns);
  }
  mxArray *output = mxCreateDoubleMatrix(rows, columns, mxREAL);
  call.plhs[0] = output;
  return mxGetPr(output);
}

}  // namespace gateway

#endif  // KORVEL_CHECKS_H
