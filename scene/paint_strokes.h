// Line segments drawn into a picture with a square pen, later ones on top:
// the kernel of korvelPaintStrokes, and the check of its pen.
#ifndef KORVEL_SCENE_PAINT_STROKES_H
#define KORVEL_SCENE_PAINT_STROKES_H

#include <cmath>
#include <cstdint>

#include "../core/fault.h"
#include "../core/threads.h"
#include "picture.h"

namespace korvel {

// The inputs of korvelPaintStrokes by position, as faults name them.
enum PaintStrokesInput {
  kStrokeCanvas,    // P
  kStrokeView,      // VIEW
  kStrokeSegments,  // SEGMENTS, 4 rows
  kStrokeColours,   // COLOURS
  kStrokePen        // WIDTH
};

// The widest pen, in pixels.
const double kWidestPen = 4096;

// The pen's width must be a whole number from 1 to kWidestPen (badValue of
// WIDTH with the value).
inline Fault strokePenFault(double width) {
  if (!(width >= 1 && width <= kWidestPen && width == std::floor(width)))
    return Fault{Reason::badValue, kStrokePen, 0, 0, width, 0, 0};
  return kNoFault;
}

// What is drawn: segment s from (u1, v1) to (u2, v2) in picture units at
// segments[4 * s] to segments[4 * s + 3]; its colour, channel k at
// colours[s * colourSegmentStep + k * colourChannelStep] (a segment step of
// 0 gives every segment one colour); the pen's width in pixels.
struct StrokeScene {
  const double *segments;
  Count count;
  const double *colours;
  Count colourSegmentStep;
  Count colourChannelStep;
  Count pen;
};

namespace stroke_detail {

using Sample = std::uint64_t;

// More samples than this cannot all be numbered exactly in doubles.
const double kMostSamples = 9007199254740992.0;  // 2^53

// A segment in pixel coordinates and its samples: `samples` points every
// half pixel or less along it, both ends included,
//   samples = ceil(2 * sqrt(dx * dx + dy * dy)) + 1,  dx = x2 - x1, dy = y2 - y1,
// sample i at x1 + t * dx, y1 + t * dy with t = i / max(samples - 1, 1).
struct Line {
  double x1, y1, dx, dy;
  Sample samples;  // 0: left out
  double x(Sample i) const { return x1 + at(i) * dx; }
  double y(Sample i) const { return y1 + at(i) * dy; }
  double at(Sample i) const {
    const double last = static_cast<double>(samples) - 1;
    return static_cast<double>(i) / (last > 1 ? last : 1);
  }
};

// A segment with a coordinate that is not finite is left out, and so is one
// whose samples cannot be counted exactly (longer than about 2^52 pixels).
inline Line lineOf(const StrokeScene &scene, const PictureView &view, Count s) {
  const double *segment = scene.segments + 4 * s;
  Line line = {0, 0, 0, 0, 0};
  for (int k = 0; k < 4; ++k)
    if (!std::isfinite(segment[k])) return line;
  const double x1 = pixelColumn(view, segment[0]);
  const double y1 = pixelRow(view, segment[1]);
  const double x2 = pixelColumn(view, segment[2]);
  const double y2 = pixelRow(view, segment[3]);
  line.x1 = x1;
  line.y1 = y1;
  line.dx = x2 - x1;
  line.dy = y2 - y1;
  const double samples = std::ceil(2 * std::sqrt(line.dx * line.dx + line.dy * line.dy)) + 1;
  if (samples <= kMostSamples) line.samples = static_cast<Sample>(samples);
  return line;
}

// Narrows the samples begin to end - 1 to those whose coordinate along one
// axis lies in [lo, hi]: along a segment each coordinate moves one way,
// rounded operation by operation, so they are a run, found by bisection.
template <typename Coordinate>
inline void keepWithin(Coordinate coordinate, bool growing, double lo, double hi, Sample &begin,
                       Sample &end) {
  auto firstWhere = [begin, end](auto holds) { return firstHolding(begin, end, holds); };
  const Sample from = growing ? firstWhere([&](Sample i) { return coordinate(i) >= lo; })
                              : firstWhere([&](Sample i) { return coordinate(i) <= hi; });
  const Sample to = growing ? firstWhere([&](Sample i) { return coordinate(i) > hi; })
                            : firstWhere([&](Sample i) { return coordinate(i) < lo; });
  begin = from;
  end = to > from ? to : from;
}

// Segments with more samples than this look for the ones near the band
// first; shorter ones try every sample.
const Sample kSearchSamples = 64;

// Draws every segment, in order, into the pixels of `band`. The pen covers
// the pixels (round(y + dy), round(x + dx)) for dx and dy from -floor((pen -
// 1) / 2) on, pen of each, rounded half away from zero.
inline void drawBand(const Picture &picture, const PictureView &view, const StrokeScene &scene,
                     const PixelBox &band) {
  const double reachBack = -std::floor((static_cast<double>(scene.pen) - 1) / 2);
  const double reachOn = reachBack + static_cast<double>(scene.pen) - 1;
  for (Count s = 0; s < scene.count; ++s) {
    const Line line = lineOf(scene, view, s);
    if (line.samples == 0) continue;
    Sample begin = 0;
    Sample end = line.samples;
    if (line.samples > kSearchSamples) {
      // A sample whose pen reaches the band lies within it widened by the
      // pen and half a pixel; one pixel more leaves room for rounding.
      keepWithin([&line](Sample i) { return line.x(i); }, line.dx >= 0,
                 static_cast<double>(band.firstColumn) - 1.5 - reachOn,
                 static_cast<double>(band.lastColumn) + 1.5 - reachBack, begin, end);
      keepWithin([&line](Sample i) { return line.y(i); }, line.dy >= 0,
                 static_cast<double>(band.firstRow) - 1.5 - reachOn,
                 static_cast<double>(band.lastRow) + 1.5 - reachBack, begin, end);
      if (begin == end) continue;
    }
    const PaintColour colour =
        paintColour(scene.colours + s * scene.colourSegmentStep, scene.colourChannelStep);
    const double firstColumn = static_cast<double>(band.firstColumn);
    const double lastColumn = static_cast<double>(band.lastColumn);
    const double firstRow = static_cast<double>(band.firstRow);
    const double lastRow = static_cast<double>(band.lastRow);
    for (Sample i = begin; i < end; ++i) {
      const double x = line.x(i);
      const double y = line.y(i);
      for (double across = reachBack; across <= reachOn; ++across) {
        const double column = roundHalfAway(x + across);
        if (!(column >= firstColumn && column <= lastColumn)) continue;
        // Rows come in a run unless rounding skips one; test each.
        for (double down = reachBack; down <= reachOn; ++down) {
          const double row = roundHalfAway(y + down);
          if (!(row >= firstRow && row <= lastRow)) continue;
          const auto r = static_cast<Count>(row) - 1;
          paintRun(picture, static_cast<Count>(column) - 1, r, r, colour);
        }
      }
    }
  }
}

}  // namespace stroke_detail

// Draws each segment of the scene into the picture in its colour, a later
// segment over an earlier one, with a square pen of scene.pen pixels
// (stroke_detail::drawBand) at samples every half pixel or less along it
// (stroke_detail::Line), with the ends at pixelColumn and pixelRow of the
// view. A segment with a coordinate that is not finite, or so long that its
// samples cannot be counted exactly, is left out. A byte picture gets each
// channel as channelByte gives it. The caller has checked strokePenFault,
// that the view is usable, that the picture's sides are at most
// kLargestPictureSide and that the picture overlaps nothing read. At most
// `threads` threads (0: the process's policy).
inline void paintStrokes(const Picture &picture, const PictureView &view,
                         const StrokeScene &scene, unsigned threads) {
  using namespace stroke_detail;
  if (scene.count == 0 || picture.height == 0 || picture.width == 0) return;
  // The work: the pen's pixels at every sample that may reach the picture.
  double work = 0;
  const double penArea = static_cast<double>(scene.pen) * static_cast<double>(scene.pen);
  const double sidesInSamples = 2.0 * static_cast<double>(picture.height + picture.width);
  for (Count s = 0; s < scene.count; ++s) {
    const double samples = static_cast<double>(lineOf(scene, view, s).samples);
    work += penArea * (samples < sidesInSamples ? samples : sidesInSamples);
  }
  const Count capped = work < 1e15 ? static_cast<Count>(work) : static_cast<Count>(-1) / 2;
  const unsigned bands = threadsFor(capped, kPaintSplit.threshold, threads);
  const bool columns = bandsOfColumns(picture);
  const Count lines = columns ? picture.width : picture.height;
  Count cuts[kMaxThreads + 1];
  for (unsigned b = 0; b <= bands; ++b) cuts[b] = lines * b / bands;
  runParallel(bands, bands, [&](std::size_t band, unsigned) {
    if (cuts[band] < cuts[band + 1])
      drawBand(picture, view, scene, bandBox(picture, cuts, static_cast<unsigned>(band)));
  });
}

}  // namespace korvel

#endif  // KORVEL_SCENE_PAINT_STROKES_H
