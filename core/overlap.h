// Whether two arrays of doubles share memory: a caller may hand the same
// memory to several arguments, and one that is written then changes another.
#ifndef KORVEL_CORE_OVERLAP_H
#define KORVEL_CORE_OVERLAP_H

#include <cstdint>

#include "fault.h"

namespace korvel {

// Whether `aCount` doubles at a and `bCount` doubles at b overlap; an empty
// array overlaps nothing.
inline bool overlapping(const double *a, Count aCount, const double *b, Count bCount) {
  if (aCount == 0 || bCount == 0) return false;
  const std::uintptr_t aStart = reinterpret_cast<std::uintptr_t>(a);
  const std::uintptr_t bStart = reinterpret_cast<std::uintptr_t>(b);
  return aStart < bStart + bCount * sizeof(double) && bStart < aStart + aCount * sizeof(double);
}

}  // namespace korvel

#endif  // KORVEL_CORE_OVERLAP_H
