// Where each threaded kernel splits its work (threads.h): from
// `threshold` units of work on it uses threads, each taking at least
// threshold / 2 units, in pieces of `piece` units claimed one at a time.
// Results never depend on these numbers; the tests run every kernel just
// below, at and above its threshold and around multiples of its piece.
//
// How they were chosen: `make bench-thresholds` times every kernel at 1
// thread and at the default (2 threads on the idle 2-core machine, after
// finding that count as every call does) side by side on sizes by powers of
// two; the threshold is the smallest size from which the default is not
// slower than 1 thread. What starting and joining a thread and finding the
// count cost is measured in docs/performance.md; a kernel gains only from
// several times that much work. A piece holds some 10 to 50 us of work,
// small enough to even out threads that the system holds back, large enough
// that claiming it costs nothing measurable.
#ifndef KORVEL_CORE_PARALLEL_SIZES_H
#define KORVEL_CORE_PARALLEL_SIZES_H

#include <cstddef>

namespace korvel {

struct Split {
  std::size_t threshold;  // units of work from which threads are used
  std::size_t piece;      // units of work claimed at a time
};

// The build that measures the thresholds (`make bench-thresholds`) uses
// threads from a 16th of each threshold on, so that 1 and 2 threads can be
// compared below the thresholds too; its pieces are the real ones, since
// smaller pieces would even out the threads better than the real build does.
#if defined(KORVEL_MEASURE_THRESHOLDS)
constexpr Split measured(Split split) { return {split.threshold / 16, split.piece}; }
#else
constexpr Split measured(Split split) { return split; }
#endif

// Points (columns of the point matrix).
constexpr Split kTorusSplit = measured({32768, 2048});
constexpr Split kConeSplit = measured({131072, 8192});
constexpr Split kOffsetSplit = measured({1 << 20, 32768});
constexpr Split kSpinSplit = measured({1 << 20, 32768});
constexpr Split kViewerSplit = measured({131072, 32768});
constexpr Split kRangeSplit = measured({1 << 21, 32768});
// Triangles; the packing of the flags splits by points, in the same sizes.
constexpr Split kFaceSplit = measured({131072, 16384});
// valueSwap: elements of the value matrix for its table lookup; elements
// times (pairs + 1) for its scan over few pairs.
constexpr Split kSwapTableSplit = measured({262144, 16384});
constexpr Split kSwapScanSplit = measured({262144, 16384});
// plateauLabels: elements, cut into bands of whole columns.
constexpr Split kPlateauSplit = measured({262144, 0});
// The paint commands: pixels plus faces (or pen samples), cut into one band
// of the picture per thread; the faces' boxes are found in pieces of faces.
constexpr Split kPaintSplit = measured({262144, 16384});
// korvelEncodePng: bytes of filtered rows; its pieces (of about 256 KiB)
// are fixed by the encoding, not here, since they shape the file.
constexpr Split kPngSplit = measured({524288, 0});

}  // namespace korvel

#endif  // KORVEL_CORE_PARALLEL_SIZES_H
