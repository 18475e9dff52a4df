// A copy of a matrix with values replaced through from/to pairs: the kernel
// of valueSwap.
#ifndef KORVEL_ARRAYS_VALUE_SWAP_H
#define KORVEL_ARRAYS_VALUE_SWAP_H

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../core/fault.h"
#include "../core/simd.h"
#include "../core/threads.h"

namespace korvel {

namespace swap_detail {

// Up to this many pairs, comparing every element with every pair is faster
// than building and probing a lookup table.
const Count kScanPairs = 12;

// The literal rule: every pair is tried, and the last one whose from value
// equals the element (IEEE equality) gives its to value. Comparisons use the
// input element, never a written one, so replacements do not chain. Values
// move as bits, selected without branches: with SSE2 two elements at a time
// through the compare's mask (a scalar select on doubles compiles to a
// branch, which mispredicts wherever matches are frequent), the to values
// loaded straight into vector registers so that a NaN keeps its payload.
inline void swapByScan(const double *values, const double *from, const double *to, Count pairs,
                double *result, Count count) {
  Count p = 0;
#ifdef KORVEL_HAVE_SSE2
  for (; p + 2 <= count; p += 2) {
    const __m128d value = _mm_loadu_pd(values + p);
    __m128d swapped = value;
    for (Count k = 0; k < pairs; ++k) {
      const __m128d hit = _mm_cmpeq_pd(value, _mm_load1_pd(from + k));
      swapped = _mm_or_pd(_mm_and_pd(hit, _mm_load1_pd(to + k)), _mm_andnot_pd(hit, swapped));
    }
    _mm_storeu_pd(result + p, swapped);
  }
#endif
  for (; p < count; ++p) {
    const double value = values[p];
    std::uint64_t swapped;
    std::memcpy(&swapped, &value, sizeof swapped);
    for (Count k = 0; k < pairs; ++k) {
      std::uint64_t toBits;
      std::memcpy(&toBits, &to[k], sizeof toBits);
      const std::uint64_t hit = -static_cast<std::uint64_t>(value == from[k]);
      swapped = (toBits & hit) | (swapped & ~hit);
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
inline Table buildTable(const double *from, const double *to, Count pairs) {
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

// How many elements ahead swapByTable asks for the first slot of an
// element's probe: a table larger than the cache answers faster when asked
// ahead.
const Count kPrefetchAhead = 16;

// The same results as swapByScan. The first two slots of a probe are read
// without branching on them: at a load of at most 1/4 the key is nearly
// always found there or an empty slot ends the search, so the loop that
// follows them rarely runs and the lookups of neighbouring elements overlap.
inline void swapByTable(const double *values, const Table &table, double *result, Count count) {
  const Slot *slots = table.slots;
  const Count mask = table.mask;
  for (Count p = 0; p < count; ++p) {
    if (p + kPrefetchAhead < count)
      prefetchForRead(&slots[slotOf(bitsOf(values[p + kPrefetchAhead]), table.shift)]);
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
      // Each key is stored once, and never beyond an empty slot on its
      // probe, so an empty slot ends the search.
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

// --- Direct lookup: whole from values in a compact range ----------------------
//
// When every from value that is not a NaN is a whole number within 32-bit
// range and they span few enough numbers, an element finds its pair by
// indexing an array with element - lowest instead of hashing. An array of
// consecutive from values (low, low + 1, ...) is such an array already: the
// to values themselves. Otherwise a table of the span is built: each entry
// the to value of the last pair holding its number, or that number itself,
// which is what an element equal to it passes through as, but for the sign
// of a zero, which is looked after on its own.
const double kLowestWhole = -2147483648.0;
const double kHighestWhole = 2147483647.0;

// A table may hold this many entries per pair, and these few more: at most as
// much memory as the hash table over the same pairs.
const std::uint64_t kDirectEntriesPerPair = 4;
const std::uint64_t kDirectEntriesExtra = 64;

struct Direct {
  const double *entries;  // the to values, or the built table
  double *owned;          // the built table, freed with std::free; null if none
  double low, high;              // the range of from values
  std::int64_t lowWhole;
  bool zeroPassesThrough;  // 0 in range but no from value: an element's zero keeps its sign
};

// Whether the from values allow a direct lookup, and the lookup when they do;
// false (and nothing allocated) when they do not, or when the table's memory
// could not be had.
inline bool directLookup(const double *from, const double *to, Count pairs, Direct &direct) {
  // The common case, a table of consecutive labels from a whole first one,
  // in one pass of a single comparison each: a table of millions of pairs
  // costs here about as much as the replacement itself otherwise.
  const double first = pairs > 0 ? from[0] : 0;
  const double last = first + static_cast<double>(pairs - 1);  // exact: below 2^33
  if (pairs > 0 && first >= kLowestWhole && last <= kHighestWhole &&
      static_cast<double>(static_cast<std::int32_t>(first)) == first) {
    bool consecutive = true;
    for (Count k = 0; k < pairs; ++k) consecutive &= from[k] == first + static_cast<double>(k);
    if (consecutive) {  // every number in range is a from value, once; 0 too if in range
      direct = Direct{to, nullptr, first, last, static_cast<std::int32_t>(first), false};
      return true;
    }
  }
  double low = kHighestWhole, high = kLowestWhole;
  bool consecutive = true, any = false, zero = false;
  for (Count k = 0; k < pairs; ++k) {
    const double value = from[k];
    // Exact: both terms and the sum are whole and below 2^33.
    consecutive = consecutive && value == from[0] + static_cast<double>(k);
    if (value != value) continue;  // a NaN from value matches nothing
    if (!(value >= kLowestWhole && value <= kHighestWhole)) return false;
    if (static_cast<double>(static_cast<std::int32_t>(value)) != value) return false;
    any = true;
    zero = zero || value == 0;
    low = value < low ? value : low;
    high = value > high ? value : high;
  }
  if (!any) return false;
  const std::int64_t lowWhole = static_cast<std::int32_t>(low);
  const std::uint64_t entries =
      static_cast<std::uint64_t>(static_cast<std::int32_t>(high) - lowWhole) + 1;
  direct = Direct{nullptr, nullptr, low, high, lowWhole, low <= 0 && high >= 0 && !zero};
  if (consecutive) {  // every number in range is a from value, once
    direct.entries = to;
    return true;
  }
  if (entries > kDirectEntriesPerPair * static_cast<std::uint64_t>(pairs) + kDirectEntriesExtra ||
      entries > SIZE_MAX / sizeof(double))
    return false;
  double *table = static_cast<double *>(std::malloc(static_cast<Count>(entries) * sizeof *table));
  if (table == nullptr) return false;
  for (Count i = 0; i < entries; ++i)
    table[i] = static_cast<double>(lowWhole + static_cast<std::int64_t>(i));
  // In pair order: a later pair overwrites an earlier one, so the last wins.
  for (Count k = 0; k < pairs; ++k) {
    const double value = from[k];
    if (value != value) continue;
    // As bits.
    std::memcpy(&table[static_cast<std::int32_t>(value) - lowWhole], &to[k], sizeof *table);
  }
  direct.entries = table;
  direct.owned = table;
  return true;
}

// The same results as swapByScan, without branches: an element is clamped
// into the range (a NaN to its low end) so that its index is always inside
// the lookup, and takes the entry only if it equals the entry's number.
inline void swapByDirect(const double *values, const Direct &direct, double *result, Count count) {
  const double low = direct.low, high = direct.high;
  const std::int64_t lowWhole = direct.lowWhole;
  const double *entries = direct.entries;
  const bool zeroPassesThrough = direct.zeroPassesThrough;
  Count p = 0;
#ifdef KORVEL_HAVE_SSE2
  // Two elements at a time, the same steps lane by lane (maxpd and minpd
  // select exactly as the comparisons below do, a NaN giving low), the
  // entries fetched by their two indices and every value moved as bits.
  const __m128d lowPair = _mm_set1_pd(low), highPair = _mm_set1_pd(high);
  const __m128d zeroKeeps = _mm_castsi128_pd(_mm_set1_epi32(zeroPassesThrough ? -1 : 0));
  for (; p + 2 <= count; p += 2) {
    const __m128d value = _mm_loadu_pd(values + p);
    const __m128d clamped = _mm_min_pd(_mm_max_pd(value, lowPair), highPair);
    const __m128i whole = _mm_cvttpd_epi32(clamped);
    const std::int64_t first = _mm_cvtsi128_si32(whole) - lowWhole;
    const std::int64_t second = _mm_cvtsi128_si32(_mm_srli_si128(whole, 4)) - lowWhole;
    const __m128d entry = _mm_loadh_pd(_mm_load_sd(&entries[first]), &entries[second]);
    const __m128d keptZero = _mm_and_pd(zeroKeeps, _mm_cmpeq_pd(value, _mm_setzero_pd()));
    const __m128d hit = _mm_andnot_pd(keptZero, _mm_cmpeq_pd(_mm_cvtepi32_pd(whole), value));
    _mm_storeu_pd(result + p, _mm_or_pd(_mm_and_pd(hit, entry), _mm_andnot_pd(hit, value)));
  }
#endif
  for (; p < count; ++p) {
    const double value = values[p];
    double clamped = value > low ? value : low;  // NaN: low
    clamped = clamped < high ? clamped : high;
    const std::int32_t whole = static_cast<std::int32_t>(clamped);
    std::uint64_t entry;
    std::memcpy(&entry, &entries[static_cast<Count>(whole - lowWhole)], sizeof entry);
    const bool hit = static_cast<double>(whole) == value && !(zeroPassesThrough && value == 0);
    const std::uint64_t hitMask = -static_cast<std::uint64_t>(hit);
    const std::uint64_t swapped = (entry & hitMask) | (bitsOf(value) & ~hitMask);
    std::memcpy(&result[p], &swapped, sizeof swapped);
  }
}

}  // namespace swap_detail

// result[p] for each of the `count` values: the to value (to[k], as bits) of
// the last pair k of the `pairs` whose from value from[k] equals values[p]
// (IEEE equality: a NaN matches nothing, -0 matches +0), else values[p] as
// bits. Replacements never chain. result must not overlap values, from or
// to; count and pairs may be 0. At most `threads` threads (0: the process's
// policy). Besides the output, may take a lookup table from the C heap (at
// most four entries per pair and a few more) and falls back to comparing
// every pair when none can be had.
//
// Elements are independent: the table is built once, on the calling thread,
// and pieces of the matrix go to the threads, which only read it. The scan's
// work grows with the pairs, so its threads are chosen by elements times
// (pairs + 1).
inline void valueSwap(const double *values, Count count, const double *from, const double *to,
                      Count pairs, double *result, unsigned threads) {
  using namespace swap_detail;
  if (count == 0) return;
  Direct direct;
  if (directLookup(from, to, pairs, direct)) {
    runParallelRanges(kSwapTableSplit, threads, count,
                      [values, &direct, result](Count first, Count end, unsigned) {
                        swapByDirect(values + first, direct, result + first, end - first);
                      });
    std::free(direct.owned);
    return;
  }
  if (pairs > kScanPairs && count > kScanPairs) {
    const Table table = buildTable(from, to, pairs);
    if (table.slots != nullptr) {
      runParallelRanges(
          kSwapTableSplit, threads, count,
          [values, &table, result](Count first, Count end, unsigned) {
            swapByTable(values + first, table, result + first, end - first);
          });
      std::free(table.slots);
      return;
    }
  }
  // Few pairs, or no memory for a table over many.
  const Split split = kSwapScanSplit;
  const Count work = pairs + 1 > SIZE_MAX / count ? SIZE_MAX : count * (pairs + 1);
  runParallelRanges(
      threadsFor(work, split.threshold, threads), count, split.piece,
      [values, from, to, pairs, result](Count first, Count end, unsigned) {
        swapByScan(values + first, from, to, pairs, result + first, end - first);
      });
}

}  // namespace korvel

#endif  // KORVEL_ARRAYS_VALUE_SWAP_H
