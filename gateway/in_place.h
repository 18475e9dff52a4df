// The checks of the commands that write into their inputs when asked for no
// output (korvelStrokeText, the paint commands; their value forms write
// copies, checks.h): the inputs they write, and that no write can land on
// memory another input shares. Here, not in their sources, because every
// check of an argument lives in the gateway, beside the messages it raises;
// the checks of their values are the core's.
#ifndef KORVEL_IN_PLACE_H
#define KORVEL_IN_PLACE_H

#include <cfloat>
#include <cstdint>
#include <initializer_list>

#include "mex.h"

#include "../core/overlap.h"
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

// The picture a paint command paints: P itself in place, or else its copy,
// output 1.
inline korvel::Picture paintedPicture(const Call &call, const PictureInput &input, bool inPlace) {
  return inPlace ? pictureOver(input, mxGetData(input.array)) : createPictureCopy(call, input);
}

// The bytes of an array's data, of a class the checks let through.
inline Count dataBytes(const mxArray *array) {
  const mxClassID classId = mxGetClassID(array);
  const Count elementBytes = classId == mxUINT8_CLASS ? 1 : classId == mxINT32_CLASS ? 4 : 8;
  return static_cast<Count>(mxGetNumberOfElements(array)) * elementBytes;
}

// Whether the data of two arrays overlap: a host may hand the same memory to
// several inputs, and one that is written then changes one read.
inline bool dataOverlap(const mxArray *a, const mxArray *b) {
  return korvel::overlappingBytes(mxGetData(a), dataBytes(a), mxGetData(b), dataBytes(b));
}

// An input by position and by the name messages give it.
struct Argument {
  int slot;
  const char *name;
};

// Once every input named here has passed its class check (double, int32 or
// uint8):
// the data of each written input must be disjoint from that of every other
// written input (two writes could land on one element) and from that of
// every input in `read` (a write could change a value still to be read, or a
// value the caller passed only to be read). An input whose values the
// command has taken before its first write cannot be changed by that write:
// leave it out of `read`, and it may share.
inline void requireDisjoint(const Call &call, std::initializer_list<Argument> written,
                            std::initializer_list<Argument> read) {
  auto refuseOverlap = [&call](const Argument &input, const Argument &writtenInput) {
    if (dataOverlap(call.prhs[input.slot], call.prhs[writtenInput.slot]))
      failSharedData(call, input.name, writtenInput.name);
  };
  for (const Argument *later = written.begin(); later != written.end(); ++later)
    for (const Argument *earlier = written.begin(); earlier != later; ++earlier)
      refuseOverlap(*later, *earlier);
  for (const Argument &input : read)
    for (const Argument &writtenInput : written) refuseOverlap(input, writtenInput);
}

}  // namespace gateway

#endif  // KORVEL_IN_PLACE_H
