// The strokes of one character cell appended to a stroke and a colour
// buffer: the kernel of korvelStrokeText, and the checks of the values it
// computes positions from.
#ifndef KORVEL_SCENE_STROKE_TEXT_H
#define KORVEL_SCENE_STROKE_TEXT_H

#include <cfloat>
#include <cmath>

#include "../core/fault.h"

namespace korvel {

// The inputs of korvelStrokeText by position, as faults name them.
enum StrokeTextInput {
  kStrokeBuffer,   // B, 4 rows
  kColourBuffer,   // C, 6 rows
  kStrokeCounter,  // N
  kStrokeTable,    // T, 4 rows
  kStrokeCodes     // CODES
};

// Stroke i goes to buffer column trunc(i + counter): the sum is rounded to a
// double first, so a fractional counter can skip a column.
inline double strokeColumn(Count stroke, double counter) {
  return std::trunc(static_cast<double>(stroke) + counter);
}

// The checks of the values, in the order the command makes them: the
// counter must be finite and 0 or more (badValue of the counter); each of
// the `count` codes, truncated toward zero, a one-based column number of the
// table (badIndex of CODES: element, value); and the stroke buffer, then the
// colour buffer, must have the columns first to last that the strokes are
// written to (badSize: first, last). kNoFault when all hold.
inline Fault strokeTextFault(double counter, const double *codes, Count count,
                             Count tableColumns, Count strokeColumns, Count colourColumns) {
  if (!(counter >= 0 && counter <= DBL_MAX))
    return Fault{Reason::badValue, kStrokeCounter, 0, 0, counter, 0, 0};
  // trunc(v) lies in 1..columns exactly when 1 <= v < columns + 1; NaN fails.
  const double end = static_cast<double>(tableColumns) + 1;
  for (Count i = 0; i < count; ++i)
    if (!(codes[i] >= 1 && codes[i] < end))
      return Fault{Reason::badIndex, kStrokeCodes, i, 0, codes[i], 0, 0};
  if (count == 0) return kNoFault;
  // Columns grow with the stroke number, so the last stroke's is the largest.
  // They are doubles: they come from arithmetic on the caller's values and
  // may exceed every array size.
  const double first = strokeColumn(0, counter);
  const double last = strokeColumn(count - 1, counter);
  if (!(static_cast<double>(strokeColumns) >= last + 1))
    return Fault{Reason::badSize, kStrokeBuffer, 0, 0, 0, first, last};
  if (!(static_cast<double>(colourColumns) >= last + 1))
    return Fault{Reason::badSize, kColourBuffer, 0, 0, 0, first, last};
  return kNoFault;
}

// Writes stroke i, table column trunc(codes[i]) (one-based), scaled and moved
// into the character cell, to column strokeColumn(i, counter) of the stroke
// buffer (4 rows), and the colour twice to the same column of the colour
// buffer (6 rows); returns the new counter, count + counter. The caller has
// checked the values (strokeTextFault) and that the written buffers share
// memory neither with each other nor with the table or the codes. The
// counter is taken by value: a write cannot move later strokes; so are the
// scale, the position, the origin and the colour, before the first write,
// which the caller may therefore pass in a buffer's memory.
inline double strokeText(double *strokes, double *colours, double counter, const double *table,
                         const double *codes, Count count, double scale, const double *origin,
                         double position, const double *colour) {
  const double ox = origin[0];
  const double oy = origin[1];
  const double c1 = colour[0];
  const double c2 = colour[1];
  const double c3 = colour[2];
  for (Count i = 0; i < count; ++i) {
    const Count code = static_cast<Count>(codes[i]);  // toward zero
    const auto column = static_cast<Count>(strokeColumn(i, counter));
    const double *glyph = table + 4 * (code - 1);
    const double x1 = glyph[0];
    const double y1 = glyph[1];
    const double x2 = glyph[2];
    const double y2 = glyph[3];
    double *segment = strokes + 4 * column;
    segment[0] = ((position + x1) - 1.0) * scale + ox;
    segment[1] = y1 * scale + oy;
    segment[2] = ((position + x2) - 1.0) * scale + ox;
    segment[3] = y2 * scale + oy;
    double *ends = colours + 6 * column;
    ends[0] = c1;
    ends[1] = c2;
    ends[2] = c3;
    ends[3] = c1;
    ends[4] = c2;
    ends[5] = c3;
  }
  return static_cast<double>(count) + counter;
}

}  // namespace korvel

#endif  // KORVEL_SCENE_STROKE_TEXT_H
