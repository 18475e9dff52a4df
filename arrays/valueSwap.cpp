// valueSwap: a copy of a matrix with values replaced through from/to pairs,
// B = valueSwap(A, FROM, TO).
#include "mex.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../gateway/gateway.h"

namespace {

enum Input { kValues, kFrom, kTo, kInputCount };

using gateway::Count;

// Up to this many pairs, comparing every element with every pair is faster
// than building and probing a lookup table.
const Count kScanPairs = 12;

// The literal rule: every pair is tried, and the last one whose from value
// equals the element (IEEE equality) gives its to value. Comparisons use the
// input element, never a written one, so replacements do not chain.
void swapByScan(const double *values, const double *from, const double *to, Count pairs,
                double *result, Count count) {
  for (Count p = 0; p < count; ++p) {
    const double value = values[p];
    double swapped = value;
    for (Count k = 0; k < pairs; ++k)
      if (value == from[k]) swapped = to[k];
    result[p] = swapped;
  }
}

// Open-addressing table from a from value to the last pair that holds it.
// Keys are non-NaN with -0 stored as +0, so bitwise key equality is IEEE
// equality; pairPlusOne == 0 marks an empty slot (calloc's fill).
struct Slot {
  std::uint64_t keyBits;
  Count pairPlusOne;
};

inline std::uint64_t keyBitsOf(double value) {
  const double key = value == 0 ? 0.0 : value;
  std::uint64_t bits;
  std::memcpy(&bits, &key, sizeof bits);
  return bits;
}

inline Count slotOf(std::uint64_t keyBits, unsigned shift) {
  // Fibonacci hashing: the high bits of the product mix every key bit.
  return static_cast<Count>((keyBits * 0x9E3779B97F4A7C15ull) >> shift);
}

// The table for `pairs` pairs, or null if its memory cannot be had. The
// caller frees it with std::free. shift = 64 - log2(slots).
Slot *buildTable(const double *from, Count pairs, Count &mask, unsigned &shift) {
  Count slots = 2;
  shift = 63;
  while (slots < 2 * pairs && slots <= (SIZE_MAX / sizeof(Slot)) / 2) {
    slots *= 2;
    --shift;
  }
  if (slots < 2 * pairs) return nullptr;
  Slot *table = static_cast<Slot *>(std::calloc(slots, sizeof(Slot)));
  if (table == nullptr) return nullptr;
  mask = slots - 1;
  for (Count k = 0; k < pairs; ++k) {
    const double value = from[k];
    if (value != value) continue;  // a NaN from value matches nothing
    const std::uint64_t keyBits = keyBitsOf(value);
    Count slot = slotOf(keyBits, shift);
    while (table[slot].pairPlusOne != 0 && table[slot].keyBits != keyBits)
      slot = (slot + 1) & mask;
    table[slot].keyBits = keyBits;
    table[slot].pairPlusOne = k + 1;  // later pairs overwrite: the last one wins
  }
  return table;
}

// The same results as swapByScan in about one probe per element.
void swapByTable(const double *values, const double *to, const Slot *table, Count mask,
                 unsigned shift, double *result, Count count) {
  for (Count p = 0; p < count; ++p) {
    const double value = values[p];
    double swapped = value;
    if (value == value) {
      const std::uint64_t keyBits = keyBitsOf(value);
      for (Count slot = slotOf(keyBits, shift); table[slot].pairPlusOne != 0;
           slot = (slot + 1) & mask) {
        if (table[slot].keyBits == keyBits) {
          swapped = to[table[slot].pairPlusOne - 1];
          break;
        }
      }
    }
    result[p] = swapped;
  }
}

void swapValues(const double *values, const double *from, const double *to, Count pairs,
                double *result, Count count) {
  if (pairs > kScanPairs && count > kScanPairs) {
    Count mask = 0;
    unsigned shift = 0;
    Slot *table = buildTable(from, pairs, mask, shift);
    if (table != nullptr) {
      swapByTable(values, to, table, mask, shift, result, count);
      std::free(table);
      return;
    }
  }
  swapByScan(values, from, to, pairs, result, count);
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"valueSwap", "B = valueSwap(A, FROM, TO)", nlhs, plhs, nrhs, prhs};

  // Check arguments. The pair count is FROM's row count: its first column
  // holds the from values, and TO's first elements the to values.
  gateway::requireInputs(call, kInputCount);
  const double *values = gateway::anyDoubleMatrix(call, kValues, "A");
  const Count pairs = gateway::rows(call, kFrom);
  const double *from = gateway::doubleFirstColumn(call, kFrom, "FROM");
  const double *to = gateway::doubleElements(call, kTo, "TO", pairs);
  const Count rows = gateway::rows(call, kValues);
  const Count columns = gateway::columns(call, kValues);

  // Do the job. The scratch table is made only after every check and the
  // output, so no error can leave it allocated.
  double *result = gateway::createOutput(call, rows, columns);
  if (rows == 0 || columns == 0) return;
  swapValues(values, from, to, pairs, result, rows * columns);
}
