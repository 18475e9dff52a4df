// Whether two arrays share memory: a caller may hand the same memory to
// several arguments, and one that is written then changes another.
#ifndef KORVEL_CORE_OVERLAP_H
#define KORVEL_CORE_OVERLAP_H

#include <cstdint>

#include "fault.h"

namespace korvel {

// Whether `aBytes` bytes at a and `bBytes` bytes at b overlap; an empty
// array overlaps nothing.
inline bool overlappingBytes(const void *a, Count aBytes, const void *b, Count bBytes) {
  if (aBytes == 0 || bBytes == 0) return false;
  const std::uintptr_t aStart = reinterpret_cast<std::uintptr_t>(a);
  const std::uintptr_t bStart = reinterpret_cast<std::uintptr_t>(b);
  return aStart < bStart + bBytes && bStart < aStart + aBytes;
}

// Whether `aCount` doubles at a and `bCount` doubles at b overlap.
inline bool overlapping(const double *a, Count aCount, const double *b, Count bCount) {
  return overlappingBytes(a, aCount * sizeof(double), b, bCount * sizeof(double));
}

}  // namespace korvel

#endif  // KORVEL_CORE_OVERLAP_H
