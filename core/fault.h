// What the core and every host share about a call that cannot be done: the
// reasons a call is refused, and the one record of a fault that a kernel or a
// check of values finds. The core never raises anything: it returns a Fault,
// and each host turns it into its own kind of error with the same words
// (gateway/errors.h for MEX, the status codes of the C interface).
#ifndef KORVEL_CORE_FAULT_H
#define KORVEL_CORE_FAULT_H

#include <cstddef>
#include <cstdint>

namespace korvel {

// Element and point counts, sizes and positions in the caller's arrays.
using Count = std::size_t;

// The reasons a call is refused; a MEX command's identifier is
// <command>:<reason>.
enum class Reason {
  none,             // no fault
  notEnoughInputs,  // fewer inputs than the command reads
  tooManyOutputs,   // more outputs requested than the command returns, or a count it does not
  badClass,         // wrong class, complex or sparse
  badSize,          // wrong row count or too few elements
  badIndex,         // an index into another input lies outside it
  badValue,         // a value the command computes a position from is unusable
  tooLarge,         // a result larger than the host can create
  sharedData,       // an input that is read shares memory with one that is written
};

inline const char *reasonName(Reason reason) {
  switch (reason) {
    case Reason::none: return "none";
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

// A fault found in the values of a call: which argument (its zero-based
// position among the command's inputs), where in it, and what it held. Each
// field not named by the finder's contract is 0.
struct Fault {
  Reason reason;
  int argument;       // zero-based input position
  Count element;      // zero-based element, column or triangle
  int row;            // zero-based row (a face's corner)
  double value;       // the value found there
  double first, last; // a range of columns asked for (korvelStrokeText's written columns)
  bool found() const { return reason != Reason::none; }
};

const Fault kNoFault = {Reason::none, 0, 0, 0, 0, 0, 0};

}  // namespace korvel

#endif  // KORVEL_CORE_FAULT_H
