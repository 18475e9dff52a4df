// What the painting kernels share: the picture they paint into, the map from
// picture units to pixels, colours as bytes, and the cutting of a picture
// into bands for threads.
#ifndef KORVEL_SCENE_PICTURE_H
#define KORVEL_SCENE_PICTURE_H

#include <cmath>
#include <cstdint>

#include "../core/fault.h"

namespace korvel {

// A picture of height by width pixels and three channels, of doubles
// (0 .. 1) or of bytes (0 .. 255). Element (row, column, channel), all
// zero-based, lies at row * rowStep + column * columnStep + channel *
// channelStep: an H-by-W-by-3 MATLAB array has steps 1, H and H * W; a
// NumPy (H, W, 3) array 3 * W, 3 and 1. Exactly one of doubles and bytes is
// set.
struct Picture {
  double *doubles;
  std::uint8_t *bytes;
  Count height;
  Count width;
  Count rowStep;
  Count columnStep;
  Count channelStep;
};

// Which face won each pixel, as a double (0 for none), at row * rowStep +
// column * columnStep; values null for no map.
struct WinnerMap {
  double *values;
  Count rowStep;
  Count columnStep;
};

// The picture's place in picture units: pixel (r, c), one-based, covers u
// from uMin + (c - 1) / pixelsPerUnit across and v from vMax - (r - 1) /
// pixelsPerUnit down, its centre at column coordinate c and row coordinate
// r. u runs right, v up.
struct PictureView {
  double uMin;
  double vMax;
  double pixelsPerUnit;
};

// The largest side a picture may have: bands and bounding boxes are kept in
// 32-bit integers.
const Count kLargestPictureSide = 0x7fffffff;

// A view is usable when its corner is finite and its scale finite and
// positive.
inline bool usableView(const PictureView &view) {
  return std::isfinite(view.uMin) && std::isfinite(view.vMax) && view.pixelsPerUnit > 0 &&
         std::isfinite(view.pixelsPerUnit);
}

// The column and row coordinates of a point in picture units.
inline double pixelColumn(const PictureView &view, double u) {
  return (u - view.uMin) * view.pixelsPerUnit + 0.5;
}
inline double pixelRow(const PictureView &view, double v) {
  return (view.vMax - v) * view.pixelsPerUnit + 0.5;
}

// std::round, half away from zero, without a call into the C library (the
// painters round a few times per pixel): exact, since below 2^52 the
// fraction v - trunc(v) is exact and from 2^52 on every double is whole.
inline double roundHalfAway(double v) {
  const double kWhole = 4503599627370496.0;  // 2^52
  if (!(v > -kWhole && v < kWhole)) return v;
  const double whole = static_cast<double>(static_cast<std::int64_t>(v));
  const double fraction = v - whole;
  if (fraction >= 0.5) return whole + 1;
  if (fraction <= -0.5) return whole - 1;
  return whole;
}

// A colour channel as a byte: times 255, rounded to nearest with ties away
// from zero, clamped to 0 .. 255; NaN gives 0.
inline std::uint8_t channelByte(double value) {
  const double scaled = value * 255.0;
  if (!(scaled > 0)) return 0;
  if (scaled >= 255) return 255;
  // roundHalfAway(scaled), whose branch on the fraction random colours
  // mispredict half the time: from 0 to 255 the whole part and the
  // fraction are exact.
  const auto whole = static_cast<std::uint8_t>(scaled);
  return static_cast<std::uint8_t>(whole + unsigned{scaled - whole >= 0.5});
}

// One colour, ready to be written into a picture of either kind.
struct PaintColour {
  double channels[3];
  std::uint8_t bytes[3];
};

inline PaintColour paintColour(const double *channel, Count channelStep) {
  PaintColour colour;
  for (int k = 0; k < 3; ++k) {
    colour.channels[k] = channel[k * channelStep];
    colour.bytes[k] = channelByte(colour.channels[k]);
  }
  return colour;
}

// Writes `colour` to rows firstRow to lastRow (inclusive, zero-based) of one
// column.
inline void paintRun(const Picture &picture, Count column, Count firstRow, Count lastRow,
                     const PaintColour &colour) {
  const Count start = firstRow * picture.rowStep + column * picture.columnStep;
  const Count rows = lastRow - firstRow + 1;
  for (int k = 0; k < 3; ++k) {
    const Count channel = start + k * picture.channelStep;
    if (picture.doubles != nullptr) {
      double *at = picture.doubles + channel;
      for (Count r = 0; r < rows; ++r) at[r * picture.rowStep] = colour.channels[k];
    } else {
      std::uint8_t *at = picture.bytes + channel;
      for (Count r = 0; r < rows; ++r) at[r * picture.rowStep] = colour.bytes[k];
    }
  }
}

inline void markRun(const WinnerMap &winners, Count column, Count firstRow, Count lastRow,
                    double winner) {
  if (winners.values == nullptr) return;
  double *at = winners.values + firstRow * winners.rowStep + column * winners.columnStep;
  for (Count r = 0; r <= lastRow - firstRow; ++r) at[r * winners.rowStep] = winner;
}

// A rectangle of pixels, one-based and inclusive.
struct PixelBox {
  Count firstRow, lastRow, firstColumn, lastColumn;
};

// Threads paint bands of the picture across its slower axis (columns of a
// MATLAB picture, rows of a NumPy one), so each writes memory of its own.
inline bool bandsOfColumns(const Picture &picture) {
  return picture.columnStep >= picture.rowStep;
}

// Band `band` of `bands` cut at the given slow-axis line numbers: cuts[b] to
// cuts[b + 1] - 1, zero-based.
inline PixelBox bandBox(const Picture &picture, const Count *cuts, unsigned band) {
  const Count first = cuts[band] + 1;
  const Count last = cuts[band + 1];
  if (bandsOfColumns(picture)) return {1, picture.height, first, last};
  return {first, last, 1, picture.width};
}

// The smallest index from begin to end - 1 at which the predicate, false
// and then true along the indices, holds; end when it holds nowhere. Index
// is Count for rows and 64 bits for a segment's samples, which may pass
// 2^32 on a 32-bit target.
template <typename Index, typename Predicate>
inline Index firstHolding(Index begin, Index end, Predicate holds) {
  while (begin < end) {
    const Index middle = begin + (end - begin) / 2;
    if (holds(middle))
      end = middle;
    else
      begin = middle + 1;
  }
  return end;
}

}  // namespace korvel

#endif  // KORVEL_SCENE_PICTURE_H
