// The faces to draw, the farthest first: the kernel of korvelDepthOrder.
#ifndef KORVEL_SCENE_DEPTH_ORDER_H
#define KORVEL_SCENE_DEPTH_ORDER_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "../core/fault.h"

namespace korvel {

// The inputs of korvelDepthOrder by position, as faults name them.
enum DepthOrderInput {
  kDepthFaces,      // F, 3 rows, zero-based columns of D
  kDepthDistances,  // D
  kDepthFlags       // FLAGS
};

namespace depth_detail {

// A face is drawn when its flag is exactly 1 (true, for a logical flag).
inline bool drawn(const double *flags, Count t) { return flags[t] == 1.0; }
inline bool drawn(const unsigned char *flags, Count t) { return flags[t] == 1; }

// The mean of a face's corners' distances, summed in corner order.
inline double depthOf(const std::int32_t *faces, const double *distances, Count t) {
  const std::int32_t *corner = faces + 3 * t;
  return ((distances[corner[0]] + distances[corner[1]]) + distances[corner[2]]) / 3;
}

// A key that sorts as the depths are drawn: NaN first, then from the
// largest depth down; -0 and +0 alike.
inline std::uint64_t farFirstKey(double depth) {
  if (depth != depth) return 0;
  depth += 0.0;  // -0 becomes +0
  std::uint64_t bits;
  std::memcpy(&bits, &depth, sizeof bits);
  // Ascending order of doubles as unsigned integers, then reversed.
  const std::uint64_t ascending = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
  return ~ascending;  // never 0, which NaN has: no double has all bits set
}

struct Keyed {
  std::uint64_t key;
  std::uint64_t face;  // zero-based column of F
};

// Stable: least significant digit first, 11 bits at a time, each pass
// skipped where every key has the same digit (the high ones, mostly).
// Returns whichever of the two buffers holds the sorted items.
inline Keyed *radixSort(Keyed *items, Keyed *spare, Count count) {
  const int kDigitBits = 11;
  const Count kBuckets = Count{1} << kDigitBits;
  Count counts[kBuckets];
  for (int shift = 0; shift < 64; shift += kDigitBits) {
    std::fill(counts, counts + kBuckets, Count{0});
    for (Count i = 0; i < count; ++i) ++counts[(items[i].key >> shift) & (kBuckets - 1)];
    if (counts[(items[0].key >> shift) & (kBuckets - 1)] == count) continue;
    Count start = 0;
    for (Count b = 0; b < kBuckets; ++b) {
      const Count size = counts[b];
      counts[b] = start;
      start += size;
    }
    for (Count i = 0; i < count; ++i)
      spare[counts[(items[i].key >> shift) & (kBuckets - 1)]++] = items[i];
    std::swap(items, spare);
  }
  return items;
}

}  // namespace depth_detail

// How many of the `triangles` faces are drawn: flags exactly 1.
template <typename Flag>
inline Count drawnFaces(const Flag *flags, Count triangles) {
  Count count = 0;
  for (Count t = 0; t < triangles; ++t) count += depth_detail::drawn(flags, t) ? 1 : 0;
  return count;
}

// The first corner of a drawn face outside the distances' `points`
// elements, in column order (badIndex of F: element the face, row the
// corner, value the index); kNoFault when every drawn face's corners hold.
template <typename Flag>
inline Fault depthOrderFault(const std::int32_t *faces, Count triangles, Count points,
                             const Flag *flags) {
  for (Count t = 0; t < triangles; ++t) {
    if (!depth_detail::drawn(flags, t)) continue;
    for (int corner = 0; corner < 3; ++corner) {
      const std::int32_t index = faces[3 * t + corner];
      if (index < 0 || static_cast<Count>(index) >= points)
        return Fault{Reason::badIndex, kDepthFaces, t, corner, static_cast<double>(index), 0, 0};
    }
  }
  return kNoFault;
}

// The drawn faces (flag exactly 1; faces 3-by-triangles zero-based indices
// into distances), the farthest first by the mean of their corners'
// distances, ((d1 + d2) + d3) / 3: order gets their one-based column
// numbers and depth (when not null) their means, drawnFaces of each.
// Faces of equal depth keep their column order, -0 equals +0, and NaN
// depths come first. The caller has checked depthOrderFault and that the
// outputs overlap nothing read. Runs on the calling thread; takes a scratch
// of 32 bytes per drawn face from the C heap, and sorts in place (slower)
// without it.
template <typename Flag>
inline void depthOrder(const std::int32_t *faces, Count triangles, const double *distances,
                       const Flag *flags, double *order, double *depth) {
  using namespace depth_detail;
  const Count count = drawnFaces(flags, triangles);
  if (count == 0) return;
  auto *items = static_cast<Keyed *>(std::malloc(2 * count * sizeof(Keyed)));
  if (items != nullptr) {
    Count at = 0;
    for (Count t = 0; t < triangles; ++t)
      if (drawn(flags, t)) items[at++] = {farFirstKey(depthOf(faces, distances, t)), t};
    const Keyed *sorted = radixSort(items, items + count, count);
    for (Count i = 0; i < count; ++i) order[i] = static_cast<double>(sorted[i].face + 1);
    std::free(items);
  } else {
    Count at = 0;
    for (Count t = 0; t < triangles; ++t)
      if (drawn(flags, t)) order[at++] = static_cast<double>(t + 1);
    std::sort(order, order + count, [faces, distances](double a, double b) {
      const std::uint64_t keyA = farFirstKey(depthOf(faces, distances, static_cast<Count>(a) - 1));
      const std::uint64_t keyB = farFirstKey(depthOf(faces, distances, static_cast<Count>(b) - 1));
      return keyA != keyB ? keyA < keyB : a < b;
    });
  }
  if (depth != nullptr)
    for (Count i = 0; i < count; ++i)
      depth[i] = depthOf(faces, distances, static_cast<Count>(order[i]) - 1);
}

}  // namespace korvel

#endif  // KORVEL_SCENE_DEPTH_ORDER_H
