// The checks of a call and of its inputs, and the creation of the outputs.
//
// A call starts with startCall, which checks the counts once; each check of
// an input then looks at its class before anything else of it and returns
// what the command needs of it (data, rows, columns), so no command goes back
// to the host array. A check that serves one command says so: it is here, not
// in the command's source, because every check of an argument lives in the
// gateway, beside the messages it raises (errors.h).
#ifndef KORVEL_CHECKS_H
#define KORVEL_CHECKS_H

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <type_traits>

#include "mex.h"

#include "../projections/screen_constants.h"
#include "../scene/picture.h"
#include "../scene/png_encode.h"
#include "errors.h"

namespace gateway {

// What a command takes from a checked input.
template <typename Element>
struct Array {
  Element *data;
  Count rows;
  Count columns;
};

// The record of the call, made once its counts are right and before any
// input is read. So a call that asks for more outputs than the command
// returns (or, of a command with a value form, for fewer than that returns)
// is refused before anything is read or written: the host would refuse it
// only after the command had run, and korvelStrokeText would have written
// its buffers by then.
inline Call startCall(const Command &command, int nlhs, mxArray *plhs[], int nrhs,
                      const mxArray *prhs[]) {
  const Call call{command, nlhs, plhs, nrhs, prhs};
  if (nlhs > command.outputs && nlhs != command.valueOutputs) failOutputCount(call);
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
  for (mxClassID accepted : classes)
    classAccepted = classAccepted || mxGetClassID(array) == accepted;
  if (!classAccepted || mxIsComplex(array) || mxIsSparse(array))
    failArgument(call, Reason::badClass, name, expected, array);
  return array;
}

// What a checked input must have: exactly `count` rows, or at least `count`
// elements in any shape.
enum class Size { rows, elements };

// Input `slot`: real, full, of one of `classes`, of the size `size` and
// `count` say. `kind` names the classes, e.g. "a real double matrix".
inline const mxArray *requireSized(const Call &call, int slot, const char *name,
                                   std::initializer_list<mxClassID> classes, const char *kind,
                                   Size size, Count count) {
  const Expectation expected =
      size == Size::rows ? withRows(kind, count) : firstElements(kind, count);
  const mxArray *array = requireClass(call, slot, name, classes, expected.text);
  if (size == Size::rows ? mxGetM(array) != count : mxGetNumberOfElements(array) < count)
    failArgument(call, Reason::badSize, name, expected.text, array);
  return array;
}

// A checked double array.
inline Array<const double> doublesOf(const mxArray *array) {
  return {mxGetPr(array), mxGetM(array), mxGetN(array)};
}

// A checked array of another class.
template <typename Element>
Array<Element> elementsOf(const mxArray *array) {
  return {static_cast<Element *>(mxGetData(array)), mxGetM(array), mxGetN(array)};
}

// A real double matrix with exactly `rows` rows.
inline Array<const double> doubleMatrix(const Call &call, int slot, const char *name,
                                        Count rows) {
  return doublesOf(
      requireSized(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleMatrix, Size::rows, rows));
}

// A real double array with at least `count` elements, any shape.
inline Array<const double> doubleElements(const Call &call, int slot, const char *name,
                                          Count count) {
  return doublesOf(
      requireSized(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleArray, Size::elements, count));
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
  if (mxGetNumberOfElements(array) < mxGetN(array))
    failArgument(call, Reason::badSize, name, kStrokeCodes, array);
  return doublesOf(array);
}

// A real double scalar: exactly one element.
inline double doubleScalar(const Call &call, int slot, const char *name) {
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, kRealDoubleScalar);
  if (mxGetNumberOfElements(array) != 1)
    failArgument(call, Reason::badSize, name, kRealDoubleScalar, array);
  return mxGetPr(array)[0];
}

// A screen's constant (korvelTorusScreen's GAIN and HORIZON,
// korvelConeScreen's RADIAL and VERTICAL): a real double scalar, finite, and
// not 0 where `zero` refuses it.
inline double screenConstant(const Call &call, int slot, const char *name,
                             korvel::ZeroConstant zero) {
  const double value = doubleScalar(call, slot, name);
  if (korvel::screenConstantFault(value, zero, slot).found())
    failScreenConstant(call, name, value, zero == korvel::ZeroConstant::allowed);
  return value;
}

// A real int32 matrix with exactly `rows` rows (korvelFaceShown's F).
inline Array<const std::int32_t> int32Matrix(const Call &call, int slot, const char *name,
                                             Count rows) {
  return elementsOf<const std::int32_t>(
      requireSized(call, slot, name, {mxINT32_CLASS}, kInt32Matrix, Size::rows, rows));
}

// The bytes of a one-byte array (logical, uint8 or int8) with at least
// `count` elements, any shape (korvelFaceShown's MASK).
inline Array<const unsigned char> byteElements(const Call &call, int slot, const char *name,
                                               Count count) {
  return elementsOf<const unsigned char>(
      requireSized(call, slot, name, {mxLOGICAL_CLASS, mxUINT8_CLASS, mxINT8_CLASS}, kByteArray,
                   Size::elements, count));
}

// A picture (the paint commands' P): a real double or uint8 array of three
// dimensions, the third 3, its sides at most korvel::kLargestPictureSide.
struct PictureInput {
  const mxArray *array;
  bool bytes;
  Count height;
  Count width;
};

inline PictureInput pictureInput(const Call &call, int slot, const char *name) {
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS, mxUINT8_CLASS}, kPicture);
  const auto *dimensions = mxGetDimensions(array);
  if (mxGetNumberOfDimensions(array) != 3 || dimensions[2] != 3 ||
      static_cast<Count>(dimensions[0]) > korvel::kLargestPictureSide ||
      static_cast<Count>(dimensions[1]) > korvel::kLargestPictureSide)
    failArgument(call, Reason::badSize, name, kPicture, array);
  return {array, mxGetClassID(array) == mxUINT8_CLASS, static_cast<Count>(dimensions[0]),
          static_cast<Count>(dimensions[1])};
}

// korvelEncodePng's P: H-by-W (grey) or H-by-W-by-3 (RGB), of at least one
// pixel, in double, uint8 or uint16, as the core reads it; a side a PNG
// cannot hold is tooLarge.
inline korvel::PngSource pngSource(const Call &call, int slot, const char *name) {
  const mxArray *array =
      requireClass(call, slot, name, {mxDOUBLE_CLASS, mxUINT8_CLASS, mxUINT16_CLASS}, kPngPicture);
  const auto *dimensions = mxGetDimensions(array);
  const auto rank = mxGetNumberOfDimensions(array);
  const Count height = static_cast<Count>(dimensions[0]), width = static_cast<Count>(dimensions[1]);
  if (!(rank == 2 || (rank == 3 && dimensions[2] == 3)) || height == 0 || width == 0)
    failArgument(call, Reason::badSize, name, kPngPicture, array);
  const Count channels = rank == 3 ? 3 : 1;
  // mxGetN counts every column, also where the dimensions' type cannot.
  if (height > korvel::kLargestPngSide || width > korvel::kLargestPngSide ||
      mxGetN(array) / channels > korvel::kLargestPngSide)
    failPngTooLarge(call, name, height, mxGetN(array) / channels);
  const mxClassID type = mxGetClassID(array);
  return {mxGetData(array),
          type == mxDOUBLE_CLASS  ? korvel::SampleType::doubles
          : type == mxUINT8_CLASS ? korvel::SampleType::bytes
                                  : korvel::SampleType::words,
          height, width, channels, 1, height, height * width};
}

// korvelPaintTriangles' UV: a real double matrix of 2 rows or more, whose
// first two rows are read (a screen matrix goes in as it is).
inline Array<const double> pointRows(const Call &call, int slot, const char *name) {
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, kPointRows);
  if (mxGetM(array) < 2) failArgument(call, Reason::badSize, name, kPointRows, array);
  return doublesOf(array);
}

// The paint commands' VIEW: [uMin vMax pixelsPerUnit], usable.
inline korvel::PictureView pictureView(const Call &call, int slot, const char *name) {
  const double *view = doubleElements(call, slot, name, 3).data;
  const korvel::PictureView checked = {view[0], view[1], view[2]};
  if (!korvel::usableView(checked)) failView(call, name, view);
  return checked;
}

// A colour per item (a face, a segment) or one for all: a real double
// matrix of 3 columns and `items` rows or 1 row. Channel k of item i lies at
// data + i * itemStep + k * channelStep.
struct Colours {
  const double *data;
  Count itemStep;
  Count channelStep;
};

inline Colours colourRows(const Call &call, int slot, const char *name, Count items,
                          const char *item) {
  char expected[128];
  std::snprintf(expected, sizeof expected, kColourRows, item);
  const mxArray *array = requireClass(call, slot, name, {mxDOUBLE_CLASS}, expected);
  const Count rows = mxGetM(array);
  if (mxGetN(array) != 3 || (rows != items && rows != 1))
    failArgument(call, Reason::badSize, name, expected, array);
  return {mxGetPr(array), rows == 1 ? Count{0} : Count{1}, rows};
}

// korvelDepthOrder's FLAGS: real double or logical, at least `count` elements.
inline const mxArray *flagElements(const Call &call, int slot, const char *name, Count count) {
  return requireSized(call, slot, name, {mxDOUBLE_CLASS, mxLOGICAL_CLASS}, kFlags, Size::elements,
                      count);
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
      return elementsOf<const void>(array);
    default:
      failNoDataBlock(call, name, array);
  }
}

// --- The outputs --------------------------------------------------------------
//
// Here, with the checks: creating them is the call's last check (a result the
// host cannot create is refused as tooLarge before any work), and these are
// the gateway's only writes to a slot.

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

// A result of rows by columns must be one the host can create.
inline bool creatable(Count rows, Count columns) {
  if constexpr (kLargestCreatable < std::numeric_limits<Count>::max())
    return rows <= kLargestCreatable && columns <= kLargestCreatable;
  return true;
}

inline void requireCreatable(const Call &call, Count rows, Count columns) {
  if (!creatable(rows, columns)) failTooLarge(call, rows, columns);
}

// Creates output `slot` + 1 as a zero-filled real double matrix, stores it
// in that slot and returns its data (null when it has no elements).
inline double *createOutput(const Call &call, Count rows, Count columns, int slot = 0) {
  requireCreatable(call, rows, columns);
  mxArray *output = mxCreateDoubleMatrix(rows, columns, mxREAL);
  call.plhs[slot] = output;
  return mxGetPr(output);
}

// The element type of the host's dimension arrays, read from the type of
// mxCreateNumericArray's second parameter: int under MATLAB's
// compatible-array-dims interface and the stand-in, size_t under
// -largeArrayDims, mwSize in Octave.
template <typename Function> struct DimensionOf;
template <typename Result, typename Rank, typename Dimension, typename... Rest>
struct DimensionOf<Result(Rank, Dimension, Rest...)> {
  using type = std::remove_const_t<std::remove_pointer_t<Dimension>>;
};
using HostDimension = DimensionOf<decltype(mxCreateNumericArray)>::type;

// The picture over `data`, P's elements in P's layout.
inline korvel::Picture pictureOver(const PictureInput &input, void *data) {
  korvel::Picture picture = {nullptr, nullptr, input.height, input.width, 1, input.height,
                             input.height * input.width};
  if (input.bytes)
    picture.bytes = static_cast<std::uint8_t *>(data);
  else
    picture.doubles = static_cast<double *>(data);
  return picture;
}

// The value form of the paint commands: output 1, a new picture of the
// input's class and size holding its pixels, in slot 0, as the core sees it.
inline korvel::Picture createPictureCopy(const Call &call, const PictureInput &input) {
  const HostDimension dimensions[3] = {static_cast<HostDimension>(input.height),
                                       static_cast<HostDimension>(input.width), 3};
  mxArray *output =
      mxCreateNumericArray(3, dimensions, input.bytes ? mxUINT8_CLASS : mxDOUBLE_CLASS, mxREAL);
  call.plhs[0] = output;
  void *data = mxGetData(output);
  const Count elements = input.height * input.width * 3;
  if (elements > 0)
    std::memcpy(data, mxGetData(input.array),
                elements * (input.bytes ? sizeof(std::uint8_t) : sizeof(double)));
  return pictureOver(input, data);
}

// Output 1 as a 1-by-`count` uint8 row, in slot 0; its data (null when
// empty). The caller has checked that the host can create it.
inline std::uint8_t *createBytes(const Call &call, Count count) {
  const HostDimension dimensions[2] = {1, static_cast<HostDimension>(count)};
  mxArray *output = mxCreateNumericArray(2, dimensions, mxUINT8_CLASS, mxREAL);
  call.plhs[0] = output;
  return static_cast<std::uint8_t *>(mxGetData(output));
}

// The value form of a command that writes its first `count` inputs in place
// (Command::valueOutputs): output k, for each k below `count`, a new real
// double matrix of input k's size holding input k's elements, in slot k;
// data[k] receives its data, to be written instead of the input's. The
// inputs have passed a double class check. Every size is checked before the
// first output is created, so a refused call creates none.
inline void createCopiesOfInputs(const Call &call, int count, double *data[]) {
  for (int k = 0; k < count; ++k)
    requireCreatable(call, mxGetM(call.prhs[k]), mxGetN(call.prhs[k]));
  for (int k = 0; k < count; ++k) {
    const mxArray *input = call.prhs[k];
    mxArray *output = mxCreateDoubleMatrix(mxGetM(input), mxGetN(input), mxREAL);
    call.plhs[k] = output;
    data[k] = mxGetPr(output);
    const Count elements = mxGetNumberOfElements(input);
    if (elements > 0) std::memcpy(data[k], mxGetPr(input), elements * sizeof(double));
  }
}

}  // namespace gateway

#endif  // KORVEL_CHECKS_H
