// valueSwap: a copy of a matrix with values replaced through from/to pairs,
// B = valueSwap(A, FROM, TO).
#include "mex.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../gateway/gateway.h"
#include "../gateway/parallel.h"
#include "../gateway/parallel_sizes.h"
#include "../gateway/simd.h"

namespace {

enum Input { kValues, kFrom, kTo, kInputCount };

using gateway::Count;

// Up to this many pairs, comparing every element with every pair is faster
// than building and probing a lookup table.
const Count kScanPairs = 12;

// The literal rule: every pair is tried, and the last one whose from value
// equals the element (IEEE equality) gives its to value. Comparisons use the
// input element, never a written one, so replacements do not chain. Values
// move as bits, selected without branches.
void swapByScan(const double *values, const double *from, const double *to, Count pairs,
                double *result, Count count) {
  for (Count p = 0; p < count; ++p) {
    const double value = values[p];
    std::uint64_t swapped;
    std::memcpy(&swapped, &value, sizeof swapped);
    for (Count k = 0; k < pairs; ++k) {
      std::uint64_t toBits;
      std::memcpy(&toBits, &to[k], sizeof toBits);
      swapped = value == from[k] ? toBits : swapped;
    }
    std::memcpy(&result[p], &swapped, sizeof swapped);
  }
}

// Open-addressing table from a from value to the to value of the last pair
// that holds it, both as bits, so a hit costs one memory access. Keys are the
// bits of non-NaN, non-zero from values, so bitwise key equality is IEEE
// equality and key 0 (calloc's fill) marks an empty slot; both zeros, which
// match each other, are kept beside the table.
struct Slot {
  std::uint64_t keyBits;
  std::uint64_t toBits;
};

struct Table {
  Slot *slots;  // null when its memory could not be had; freed with std::free
  Count mask;
  unsigned shift;  // 64 - log2(slot count)
  bool zeroMatches;
  std::uint64_t zeroToBits;
};

inline std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

inline Count slotOf(std::uint64_t keyBits, unsigned shift) {
  // Fibonacci hashing: the high bits of the product mix every key bit.
  return static_cast<Count>((keyBits * 0x9E3779B97F4A7C15ull) >> shift);
}

// The table for the pairs, with at least four times as many slots as pairs.
Table buildTable(const double *from, const double *to, Count pairs) {
  Table table{nullptr, 0, 63, false, 0};
  Count slots = 2;
  while (slots / 4 < pairs && slots <= (SIZE_MAX / sizeof(Slot)) / 2) {
    slots *= 2;
    --table.shift;
  }
  if (slots / 4 < pairs) return table;
  table.slots = static_cast<Slot *>(std::calloc(slots, sizeof(Slot)));
  if (table.slots == nullptr) return table;
  table.mask = slots - 1;
  // In pair order: a later pair overwrites an earlier one, so the last wins.
  for (Count k = 0; k < pairs; ++k) {
    const double value = from[k];
    if (value != value) continue;  // a NaN from value matches nothing
    if (value == 0) {
      table.zeroMatches = true;
      table.zeroToBits = bitsOf(to[k]);
      continue;
    }
    const std::uint64_t keyBits = bitsOf(value);
    Count slot = slotOf(keyBits, table.shift);
    while (table.slots[slot].keyBits != 0 && table.slots[slot].keyBits != keyBits)
      slot = (slot + 1) & table.mask;
    table.slots[slot].keyBits = keyBits;
    table.slots[slot].toBits = bitsOf(to[k]);
  }
  return table;
}

// The same results as swapByScan. The first two slots of a probe are read
// without branching on them: at a load of at most 1/4 the key is nearly
// always found there or an empty slot ends the search, so the loop that
// follows them rarely runs and the lookups of neighbouring elements overlap.
const Count kPrefetchAhead = 16;

void swapByTable(const double *values, const Table &table, double *result, Count count) {
  const Slot *slots = table.slots;
  const Count mask = table.mask;
  for (Count p = 0; p < count; ++p) {
    // A table larger than the cache answers faster when asked ahead.
    if (p + kPrefetchAhead < count)
      gateway::prefetchForRead(&slots[slotOf(bitsOf(values[p + kPrefetchAhead]), table.shift)]);
    const double value = values[p];
    std::uint64_t swapped = bitsOf(value);
    if (value == 0) {
      if (table.zeroMatches) swapped = table.zeroToBits;
    } else if (value == value) {
      const std::uint64_t keyBits = swapped;
      const Count first = slotOf(keyBits, table.shift);
      const Count second = (first + 1) & mask;
      const Slot a = slots[first];
      const Slot b = slots[second];
      // Keys are unique, and a key lies past an empty slot never.
      swapped = a.keyBits == keyBits ? a.toBits : b.keyBits == keyBits ? b.toBits : swapped;
      if (a.keyBits != 0 && b.keyBits != 0 && a.keyBits != keyBits && b.keyBits != keyBits) {
        for (Count slot = (second + 1) & mask; slots[slot].keyBits != 0; slot = (slot + 1) & mask) {
          if (slots[slot].keyBits == keyBits) {
            swapped = slots[slot].toBits;
            break;
          }
        }
      }
    }
    std::memcpy(&result[p], &swapped, sizeof swapped);
  }
}

// Elements are independent: the table is built once, on the calling thread,
// and pieces of the matrix go to the threads, which only read it. The scan's
// work grows with the pairs, so its threads are chosen by elements times
// (pairs + 1).
void swapValues(const double *values, const double *from, const double *to, Count pairs,
                double *result, Count count) {
  if (pairs > kScanPairs && count > kScanPairs) {
    const Table table = buildTable(from, to, pairs);
    if (table.slots != nullptr) {
      gateway::runParallelRanges(
          gateway::kSwapTableSplit, count,
          [values, &table, result](Count first, Count end, unsigned) {
            swapByTable(values + first, table, result + first, end - first);
          });
      std::free(table.slots);
      return;
    }
  }
  // Few pairs, or no memory for a table over many.
  const gateway::Split split = gateway::kSwapScanSplit;
  const Count work = pairs + 1 > SIZE_MAX / count ? SIZE_MAX : count * (pairs + 1);
  gateway::runParallelRanges(
      gateway::threadsFor(work, split.threshold), count, split.piece,
      [values, from, to, pairs, result](Count first, Count end, unsigned) {
        swapByScan(values + first, from, to, pairs, result + first, end - first);
      });
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"valueSwap", "B = valueSwap(A, FROM, TO)", 1, nlhs, plhs,
                           nrhs, prhs};

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
