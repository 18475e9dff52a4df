// Triangles filled into a picture, later ones on top: the kernel of
// korvelPaintTriangles, and the check of the indices it reads.
#ifndef KORVEL_SCENE_PAINT_TRIANGLES_H
#define KORVEL_SCENE_PAINT_TRIANGLES_H

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "../core/fault.h"
#include "../core/simd.h"
#include "../core/threads.h"
#include "picture.h"

namespace korvel {

// The inputs of korvelPaintTriangles by position, as faults name them.
enum PaintTrianglesInput {
  kPaintCanvas,     // P
  kPaintView,       // VIEW
  kPaintPoints,     // UV, 2 rows
  kPaintFaces,      // F, 3 rows, zero-based columns of UV
  kPaintColours,    // COLOURS
  kPaintOrder       // ORDER, one-based columns of F
};

// What is painted: points (u, v) in picture units, uv[pointStep * i] and
// uv[pointStep * i + 1] (a pointStep of 3 reads a screen matrix's x and y as
// they are); faces, three zero-based point indices each, faces[3 * t +
// corner]; each face's colour, channel k of face t at colours[t *
// colourFaceStep + k * colourChannelStep] (a face step of 0 gives every face
// one colour); and the order, one-based face numbers as doubles (null: every
// face, first to last).
struct TriangleScene {
  const double *uv;
  Count points;
  const std::int32_t *faces;
  Count faceCount;
  const double *colours;
  Count colourFaceStep;
  Count colourChannelStep;
  const double *order;
  Count orderCount;
  Count pointStep = 2;
};

struct PaintOptions {
  unsigned threads = 0;  // at most this many (0: the process's policy)
  // Columns of a face's box at least this tall find where each edge crosses
  // them; shorter ones test every pixel. Either way the pixels are the same
  // (the tests use both).
  Count searchFromRows = 12;
  // From this many faces painted, when they are at least half the points
  // (faces) stored, each point's pixel coordinates (each face's colour) are
  // worked out once beforehand; 0: always. Either way the pixels are the
  // same (the tests use both).
  Count prepareFrom = 4096;
  // Faces painted last to first, a pixel filled by the first face over it
  // and left alone after: a face whose box is all filled already costs no
  // edge test nor any write. Otherwise first to last, each face over the
  // earlier ones. Either way the same pixels (the tests use both).
  bool nearestFirst = true;
};

namespace paint_detail {

inline Count paintedCount(const TriangleScene &scene) {
  return scene.order != nullptr ? scene.orderCount : scene.faceCount;
}

// The zero-based face painted at position p: the order's entry, checked.
inline Count faceAt(const TriangleScene &scene, Count p) {
  return scene.order != nullptr ? static_cast<Count>(scene.order[p]) - 1 : p;
}

struct Corners {
  double x[3];
  double y[3];
};

// What a face reads, made beforehand in the order it is stored when most of
// it is painted: every point's pixel coordinates (x, y of point i at 2i and
// 2i + 1) and every face's colour as the picture takes it (its 3 bytes and
// a spare, or its 3 channels). Faces in depth order then read their corners
// from a denser array and their colour from one place instead of three; the
// values are those worked out per face.
struct Prepared {
  const double *pixels = nullptr;  // null: from the scene's uv
  const std::uint8_t *colourBytes = nullptr;  // 4 a face
  const double *colourChannels = nullptr;     // 3 a face; both null: from the scene's colours
};

inline Corners cornersOf(const TriangleScene &scene, const PictureView &view,
                         const Prepared &prepared, Count face) {
  Corners corners;
  for (int k = 0; k < 3; ++k) {
    const Count point = static_cast<Count>(scene.faces[3 * face + k]);
    if (prepared.pixels != nullptr) {
      corners.x[k] = prepared.pixels[2 * point];
      corners.y[k] = prepared.pixels[2 * point + 1];
    } else {
      corners.x[k] = pixelColumn(view, scene.uv[scene.pointStep * point]);
      corners.y[k] = pixelRow(view, scene.uv[scene.pointStep * point + 1]);
    }
  }
  return corners;
}

// The face's colour; from the prepared bytes only those, from the prepared
// channels only those, as the picture reads them.
inline PaintColour colourOf(const TriangleScene &scene, const Prepared &prepared, Count face) {
  PaintColour colour = {};
  if (prepared.colourBytes != nullptr)
    for (int k = 0; k < 3; ++k) colour.bytes[k] = prepared.colourBytes[4 * face + k];
  else if (prepared.colourChannels != nullptr)
    for (int k = 0; k < 3; ++k) colour.channels[k] = prepared.colourChannels[3 * face + k];
  else
    colour = paintColour(scene.colours + face * scene.colourFaceStep, scene.colourChannelStep);
  return colour;
}

// The pixels whose centres a face may cover, one-based and inclusive;
// firstColumn > lastColumn for a face left out: a corner not finite, a zero
// area, or no pixel centre in its bounds.
struct FaceBox {
  std::int32_t firstRow, lastRow, firstColumn, lastColumn;
};

const FaceBox kNoBox = {1, 0, 1, 0};

// max(1, ceil(least)) and min(side, floor(most)) of finite coordinates, as
// whole numbers; first > last when no pixel centre lies between them.
// Written out rather than through the C library's ceil and floor, which
// cost more than the rest of a small triangle.
inline void centresBetween(double least, double most, Count side, std::int32_t &first,
                           std::int32_t &last) {
  const double top = static_cast<double>(side);
  if (least > top || most < 1) {
    first = 1;
    last = 0;
    return;
  }
  if (least <= 1) {
    first = 1;
  } else {  // 1 < least <= side < 2^31: trunc is floor
    const auto whole = static_cast<std::int32_t>(least);
    first = static_cast<double>(whole) < least ? whole + 1 : whole;
  }
  last = most >= top ? static_cast<std::int32_t>(side) : static_cast<std::int32_t>(most);
}

inline double least(const double v[3]) {
  const double a = v[0] < v[1] ? v[0] : v[1];
  return a < v[2] ? a : v[2];
}
inline double most(const double v[3]) {
  const double a = v[0] > v[1] ? v[0] : v[1];
  return a > v[2] ? a : v[2];
}

inline FaceBox boxOf(const Corners &c, Count height, Count width) {
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(c.x[k]) || !std::isfinite(c.y[k])) return kNoBox;
  const double area =
      (c.x[1] - c.x[0]) * (c.y[2] - c.y[0]) - (c.y[1] - c.y[0]) * (c.x[2] - c.x[0]);
  if (area == 0) return kNoBox;  // NaN (huge corners) is not zero: kept
  FaceBox box;
  centresBetween(least(c.x), most(c.x), width, box.firstColumn, box.lastColumn);
  centresBetween(least(c.y), most(c.y), height, box.firstRow, box.lastRow);
  if (box.firstColumn > box.lastColumn || box.firstRow > box.lastRow) return kNoBox;
  return box;
}

// Edge k runs from corner k to corner k + 1 (mod 3). Its function at pixel
// centre (column, row), in this order of operations:
//   (xb - xa) * (row - ya) - (yb - ya) * (column - xa).
// The pixel is covered when all three are >= 0 or all three <= 0, whichever
// way the triangle winds.
struct Edge {
  double across;  // xb - xa
  double ya;
  double down;    // (yb - ya) * (column - xa), for the column at hand
  double value(double row) const { return across * (row - ya) - down; }
};

inline void edgesAt(const Corners &c, double column, Edge edges[3]) {
  edges[0] = {c.x[1] - c.x[0], c.y[0], (c.y[1] - c.y[0]) * (column - c.x[0])};
  edges[1] = {c.x[2] - c.x[1], c.y[1], (c.y[2] - c.y[1]) * (column - c.x[1])};
  edges[2] = {c.x[0] - c.x[2], c.y[2], (c.y[0] - c.y[2]) * (column - c.x[2])};
}

// Corners this small keep every edge function finite and never NaN, and so
// each edge function, rounded operation by operation, moves one way along a
// column: row - ya, a product by a fixed factor and a fixed difference each
// keep the order of their operand. Where each edge's sign holds is then a
// run of rows found by bisection.
const double kSearchableCorner = 1099511627776.0;  // 2^40

inline bool searchable(const Corners &c) {
  for (int k = 0; k < 3; ++k)
    if (!(std::fabs(c.x[k]) <= kSearchableCorner && std::fabs(c.y[k]) <= kSearchableCorner))
      return false;
  return true;
}

// Narrows [first, last] to the rows where edge's sign test holds: nonNegative
// asks for >= 0, else for <= 0.
inline void narrow(const Edge &edge, bool nonNegative, Count &first, Count &last) {
  if (first > last) return;
  auto holds = [&edge, nonNegative](Count row) {
    const double e = edge.value(static_cast<double>(row));
    return nonNegative ? e >= 0 : e <= 0;
  };
  if (edge.across == 0) {  // the same value down the whole column
    if (!holds(first)) last = first - 1;
    return;
  }
  // Growing with the row: the test holds from some row on for >= 0, up to
  // some row for <= 0; falling, the other way round.
  const bool fromSomeRowOn = (edge.across > 0) == nonNegative;
  if (fromSomeRowOn) {
    first = firstHolding(first, last + 1, holds);
  } else {
    last = firstHolding(first, last + 1, [&holds](Count row) { return !holds(row); }) - 1;
  }
}

// The position of the lowest set bit of a word that is not 0.
inline int lowestBit(std::uint64_t word) {
#if defined(__GNUC__)
  return __builtin_ctzll(word);
#else
  int bit = 0;
  while ((word & 1) == 0) {
    word >>= 1;
    ++bit;
  }
  return bit;
#endif
}

inline void paintColumnRun(const Picture &picture, const WinnerMap &winners, Count column,
                           Count first, Count last, const PaintColour &colour, double winner) {
  paintRun(picture, column - 1, first - 1, last - 1, colour);
  markRun(winners, column - 1, first - 1, last - 1, winner);
}

// The pixels of a band already filled, when faces are painted nearest
// first: a bit a pixel, bit k of a column's word w for the band's row 64 w
// + k, each column's words in turn. words null: faces are painted first to
// last and nothing counts as filled.
struct Coverage {
  std::uint64_t *words;
  Count wordsPerColumn;
  Count firstRow;     // the band's, one-based
  Count firstColumn;
};

const Coverage kNoCoverage = {nullptr, 0, 1, 1};

// Bit k: whether row first + k of the column (one-based, inside the band)
// is filled, for k below count (1 .. 64).
inline std::uint64_t filledRows(const Coverage &coverage, Count column, Count first, Count count) {
  const Count offset = first - coverage.firstRow;
  const std::uint64_t *word =
      coverage.words + (column - coverage.firstColumn) * coverage.wordsPerColumn + offset / 64;
  const unsigned shift = static_cast<unsigned>(offset % 64);
  std::uint64_t bits = word[0] >> shift;
  if (shift != 0 && shift + count > 64) bits |= word[1] << (64 - shift);
  return count == 64 ? bits : bits & ((std::uint64_t{1} << count) - 1);
}

inline void fill(const Coverage &coverage, Count column, Count first, std::uint64_t bits) {
  const Count offset = first - coverage.firstRow;
  std::uint64_t *word =
      coverage.words + (column - coverage.firstColumn) * coverage.wordsPerColumn + offset / 64;
  const unsigned shift = static_cast<unsigned>(offset % 64);
  word[0] |= bits << shift;
  if (shift != 0) {
    const std::uint64_t over = bits >> (64 - shift);
    if (over != 0) word[1] |= over;
  }
}

// Whether every pixel of the box (inside the band) is filled already.
inline bool allFilled(const Coverage &coverage, const PixelBox &box) {
  for (Count column = box.firstColumn; column <= box.lastColumn; ++column)
    for (Count first = box.firstRow; first <= box.lastRow; first += 64) {
      const Count count = box.lastRow - first + 1 < 64 ? box.lastRow - first + 1 : 64;
      const std::uint64_t all = count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
      if (filledRows(coverage, column, first, count) != all) return false;
    }
  return true;
}

// Paints the rows first + k of the column whose bit k is set in covered
// (those of count rows, 1 .. 64, the face covers), a run at a time; nearest
// first, only those not filled yet, which it marks filled.
inline void paintColumnBits(const Picture &picture, const WinnerMap &winners,
                            const Coverage &coverage, Count column, Count first, Count count,
                            std::uint64_t covered, const PaintColour &colour, double winner) {
  if (coverage.words != nullptr && covered != 0) {
    covered &= ~filledRows(coverage, column, first, count);
    fill(coverage, column, first, covered);
  }
  while (covered != 0) {
    const int start = lowestBit(covered);
    const std::uint64_t fromStart = covered >> start;
    const int length = fromStart == ~std::uint64_t{0} ? 64 : lowestBit(~fromStart);
    paintColumnRun(picture, winners, column, first + start, first + start + length - 1, colour,
                   winner);
    covered = length + start >= 64 ? 0 : covered & (~std::uint64_t{0} << (start + length));
  }
}

// Boxes of at most kSmallRows rows and 64 / kSmallRows columns, which are
// most faces of a large mesh, are tested whole into one word of bits (each
// column kSmallRows bits, rows past the box computed and dropped), then
// painted a column at a time: the loops a face's size would mispredict are
// fewer.
const Count kSmallRows = 4;
const Count kSmallColumns = 64 / kSmallRows;

// The rows' part of each edge function, across * (row - ya), is the same in
// every column of the box: it is worked out once per row.
struct RowTerms {
  double edge[3][64];
};

inline void rowTermsAt(const Edge edges[3], Count first, Count count, RowTerms &terms) {
  for (Count k = 0; k < count; ++k) {
    const double row = static_cast<double>(first + k);
    for (int e = 0; e < 3; ++e) terms.edge[e][k] = edges[e].across * (row - edges[e].ya);
  }
}

// Whether row first + k of the column at hand is covered, the rows' parts
// taken from terms. Without branches: whether a pixel is covered is the
// data's whim, and a branch on it is mispredicted half the time.
inline unsigned coversRow(const RowTerms &terms, const Edge edges[3], Count k) {
  const double e1 = terms.edge[0][k] - edges[0].down;
  const double e2 = terms.edge[1][k] - edges[1].down;
  const double e3 = terms.edge[2][k] - edges[2].down;
  const unsigned nonNegative = unsigned{e1 >= 0} & unsigned{e2 >= 0} & unsigned{e3 >= 0};
  const unsigned nonPositive = unsigned{e1 <= 0} & unsigned{e2 <= 0} & unsigned{e3 <= 0};
  return nonNegative | nonPositive;
}

// coversRow for the kSmallRows rows of terms, as bits: with SSE2 two rows
// at a time, the same subtractions and comparisons (false for NaN, as in
// C++).
inline unsigned smallColumnBits(const RowTerms &terms, const Edge edges[3]) {
#if defined(KORVEL_HAVE_SSE2)
  const __m128d zero = _mm_setzero_pd();
  __m128d nonNegative[2], nonPositive[2];
  for (int e = 0; e < 3; ++e) {
    const __m128d down = _mm_set1_pd(edges[e].down);
    for (int pair = 0; pair < 2; ++pair) {
      const __m128d value = _mm_sub_pd(_mm_loadu_pd(terms.edge[e] + 2 * pair), down);
      const __m128d atLeast = _mm_cmpge_pd(value, zero);
      const __m128d atMost = _mm_cmple_pd(value, zero);
      nonNegative[pair] = e == 0 ? atLeast : _mm_and_pd(nonNegative[pair], atLeast);
      nonPositive[pair] = e == 0 ? atMost : _mm_and_pd(nonPositive[pair], atMost);
    }
  }
  return static_cast<unsigned>(_mm_movemask_pd(_mm_or_pd(nonNegative[0], nonPositive[0]))) |
         static_cast<unsigned>(_mm_movemask_pd(_mm_or_pd(nonNegative[1], nonPositive[1]))) << 2;
#else
  unsigned bits = 0;
  for (Count k = 0; k < kSmallRows; ++k) bits |= coversRow(terms, edges, k) << k;
  return bits;
#endif
}

inline void paintSmallBox(const Picture &picture, const WinnerMap &winners,
                          const Coverage &coverage, const Corners &corners, Count firstColumn,
                          Count lastColumn, Count top, Count bottom, const PaintColour &colour,
                          double winner) {
  Edge edges[3];
  edgesAt(corners, static_cast<double>(firstColumn), edges);
  RowTerms terms;
  rowTermsAt(edges, top, kSmallRows, terms);
  const std::uint64_t rowsInBox = (std::uint64_t{1} << (bottom - top + 1)) - 1;
  std::uint64_t covered = 0;
  for (Count column = firstColumn; column <= lastColumn; ++column) {
    if (column != firstColumn) edgesAt(corners, static_cast<double>(column), edges);
    covered |= (smallColumnBits(terms, edges) & rowsInBox) << (kSmallRows * (column - firstColumn));
  }
  for (Count column = firstColumn; covered != 0; ++column, covered >>= kSmallRows)
    paintColumnBits(picture, winners, coverage, column, top, bottom - top + 1,
                    covered & ((1u << kSmallRows) - 1), colour, winner);
}

// The part of the face's box inside the band; firstRow > lastRow or
// firstColumn > lastColumn when none.
inline PixelBox clipped(const FaceBox &box, const PixelBox &band) {
  const auto firstColumn = static_cast<Count>(box.firstColumn);
  const auto lastColumn = static_cast<Count>(box.lastColumn);
  const auto top = static_cast<Count>(box.firstRow);
  const auto bottom = static_cast<Count>(box.lastRow);
  return {top > band.firstRow ? top : band.firstRow, bottom < band.lastRow ? bottom : band.lastRow,
          firstColumn > band.firstColumn ? firstColumn : band.firstColumn,
          lastColumn < band.lastColumn ? lastColumn : band.lastColumn};
}

inline bool empty(const PixelBox &box) {
  return box.firstColumn > box.lastColumn || box.firstRow > box.lastRow;
}

// Paints the face's pixels inside `part`, its box's part inside the band.
inline void paintFace(const Picture &picture, const WinnerMap &winners, const Coverage &coverage,
                      const Corners &corners, const PixelBox &part, const PaintColour &colour,
                      double winner, Count searchFromRows) {
  const Count firstColumn = part.firstColumn;
  const Count lastColumn = part.lastColumn;
  const Count top = part.firstRow;
  const Count bottom = part.lastRow;
  const Count rows = bottom - top + 1;
  if (rows <= kSmallRows && rows < searchFromRows && lastColumn - firstColumn < kSmallColumns) {
    paintSmallBox(picture, winners, coverage, corners, firstColumn, lastColumn, top, bottom, colour,
                  winner);
    return;
  }
  const bool search = rows >= searchFromRows && searchable(corners);
  if (search) {
    for (Count column = firstColumn; column <= lastColumn; ++column) {
      Edge edges[3];
      edgesAt(corners, static_cast<double>(column), edges);
      for (bool nonNegative : {true, false}) {
        Count first = top;
        Count last = bottom;
        for (const Edge &edge : edges) narrow(edge, nonNegative, first, last);
        for (Count from = first; from <= last; from += 64) {
          const Count count = last - from + 1 < 64 ? last - from + 1 : 64;
          paintColumnBits(picture, winners, coverage, column, from, count,
                          count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1,
                          colour, winner);
        }
      }
    }
    return;
  }
  // The covered rows as bits, 64 rows at a time, painted a run at a time
  // (one run, mostly).
  RowTerms terms;
  for (Count first = top; first <= bottom; first += 64) {
    const Count count = bottom - first + 1 < 64 ? bottom - first + 1 : 64;
    Edge edges[3];
    edgesAt(corners, static_cast<double>(firstColumn), edges);
    rowTermsAt(edges, first, count, terms);
    for (Count column = firstColumn; column <= lastColumn; ++column) {
      if (column != firstColumn) edgesAt(corners, static_cast<double>(column), edges);
      std::uint64_t covered = 0;
      for (Count k = 0; k < count; ++k) covered |= std::uint64_t{coversRow(terms, edges, k)} << k;
      paintColumnBits(picture, winners, coverage, column, first, count, covered, colour, winner);
    }
  }
}

// Bands of the slower axis with about the same work each: every face adds
// its box's extent across the band to each line of the slower axis it
// spans. cuts gets bands + 1 line numbers, from 0 to the axis' length.
inline void cutBands(const Picture &picture, const FaceBox *boxes, Count count, unsigned bands,
                     Count *cuts) {
  const bool columns = bandsOfColumns(picture);
  const Count lines = columns ? picture.width : picture.height;
  cuts[0] = 0;
  for (unsigned b = 1; b <= bands; ++b) cuts[b] = lines * b / bands;
  auto *work = static_cast<double *>(std::calloc(lines + 1, sizeof(double)));
  if (work == nullptr) return;  // equal bands
  for (Count p = 0; p < count; ++p) {
    const FaceBox &box = boxes[p];
    if (box.firstColumn > box.lastColumn) continue;
    const Count lo = static_cast<Count>(columns ? box.firstColumn : box.firstRow) - 1;
    const Count hi = static_cast<Count>(columns ? box.lastColumn : box.lastRow);
    const double across = 4.0 + (columns ? box.lastRow - box.firstRow : box.lastColumn - box.firstColumn);
    work[lo] += across;
    work[hi] -= across;
  }
  double total = 0;
  double running = 0;
  for (Count line = 0; line < lines; ++line) {
    running += work[line];
    work[line] = running + 1.0;  // every line costs a little
    total += work[line];
  }
  double sum = 0;
  unsigned band = 1;
  for (Count line = 0; line < lines && band < bands; ++line) {
    sum += work[line];
    while (band < bands && sum >= total * band / bands) cuts[band++] = line + 1;
  }
  std::free(work);
}

}  // namespace paint_detail

// Checks the indices the painting reads, in the order it reads them: each
// order entry a whole number from 1 to faceCount (badIndex of ORDER:
// element the position, value the entry), then the corners of each face
// painted, in painting order, zero-based columns of UV (badIndex of F:
// element the face, row the corner, value the index). kNoFault when all hold.
inline Fault paintTrianglesFault(const TriangleScene &scene) {
  if (scene.order != nullptr) {
    const double end = static_cast<double>(scene.faceCount);
    for (Count p = 0; p < scene.orderCount; ++p) {
      const double entry = scene.order[p];
      if (!(entry >= 1 && entry <= end && entry == std::floor(entry)))
        return Fault{Reason::badIndex, kPaintOrder, p, 0, entry, 0, 0};
    }
  }
  const Count count = paint_detail::paintedCount(scene);
  for (Count p = 0; p < count; ++p) {
    const Count face = paint_detail::faceAt(scene, p);
    for (int corner = 0; corner < 3; ++corner) {
      const std::int32_t index = scene.faces[3 * face + corner];
      if (index < 0 || static_cast<Count>(index) >= scene.points)
        return Fault{Reason::badIndex, kPaintFaces, face, corner, static_cast<double>(index), 0, 0};
    }
  }
  return kNoFault;
}

// Fills each face of the scene's order into the picture in its colour, a
// later face over an earlier one: a pixel is filled when its centre (column
// c, row r, one-based) lies inside the face or on its edge (the edge
// functions of paint_detail::Edge, all >= 0 or all <= 0), with the corners
// at pixelColumn and pixelRow of the view. A face with a corner not finite
// there, or of zero area ((x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1) in
// that order), is left out. A byte picture gets each channel as
// channelByte gives it. winners, when given, gets the one-based face number
// of every pixel filled and is left alone elsewhere. The caller has checked
// paintTrianglesFault, that the view is usable, that the picture's sides are
// at most kLargestPictureSide and that nothing written overlaps anything
// read. May take a scratch of 16 bytes per face painted from the C heap,
// without which it paints on the calling thread alone, and, when most
// points and faces are painted (PaintOptions::prepareFrom), 16 bytes a
// point and 4 (a byte picture) or 24 a face, without which it reads them
// where they are, and, nearest first, a bit a pixel for each band, without
// which that band is painted first to last.
inline void paintTriangles(const Picture &picture, const WinnerMap &winners,
                           const PictureView &view, const TriangleScene &scene,
                           const PaintOptions &options = {}) {
  using namespace paint_detail;
  const Count count = paintedCount(scene);
  if (count == 0 || picture.height == 0 || picture.width == 0) return;
  const Count pixels = picture.height * picture.width;
  unsigned threads = threadsFor(count + pixels, kPaintSplit.threshold, options.threads);
  auto *boxes = threads > 1 ? static_cast<FaceBox *>(std::malloc(count * sizeof(FaceBox))) : nullptr;
  if (boxes == nullptr) threads = 1;

  // Worth making when most points and faces are painted (a frame's), each
  // read once in storage order, by the same threads.
  Prepared prepared;
  auto worthPreparing = [&options, count](Count stored) {
    return options.prepareFrom == 0 || (count >= options.prepareFrom && 2 * count >= stored);
  };
  const Count points = worthPreparing(scene.points) ? scene.points : 0;
  const Count faceColours = worthPreparing(scene.faceCount) ? scene.faceCount : 0;
  const Count pointSize = 2 * sizeof(double);
  const Count colourSize = picture.bytes != nullptr ? 4 : 3 * sizeof(double);
  void *preparedMemory = points + faceColours > 0
                             ? std::malloc(points * pointSize + faceColours * colourSize)
                             : nullptr;
  if (preparedMemory != nullptr) {
    auto *pointPixels = static_cast<double *>(preparedMemory);
    auto *colourMemory = static_cast<unsigned char *>(preparedMemory) + points * pointSize;
    auto *colourChannels = reinterpret_cast<double *>(colourMemory);
    if (points > 0) prepared.pixels = pointPixels;
    if (faceColours > 0 && picture.bytes != nullptr) prepared.colourBytes = colourMemory;
    if (faceColours > 0 && picture.bytes == nullptr) prepared.colourChannels = colourChannels;
    // Points first, then faces, in one run of pieces.
    runParallelRanges(threads, points + faceColours, kPaintSplit.piece,
                      [&](Count first, Count end, unsigned) {
      for (Count i = first; i < end && i < points; ++i) {
        pointPixels[2 * i] = pixelColumn(view, scene.uv[scene.pointStep * i]);
        pointPixels[2 * i + 1] = pixelRow(view, scene.uv[scene.pointStep * i + 1]);
      }
      for (Count t = (first > points ? first : points) - points; t + points < end; ++t) {
        const PaintColour colour =
            paintColour(scene.colours + t * scene.colourFaceStep, scene.colourChannelStep);
        for (int k = 0; k < 3; ++k) {
          if (picture.bytes != nullptr)
            colourMemory[4 * t + k] = colour.bytes[k];
          else
            colourChannels[3 * t + k] = colour.channels[k];
        }
      }
    });
  }

  // Faces come in depth order, scattered over the face, point and colour
  // arrays: a cache miss or three per face read. So the face and its colour
  // are asked for kFetchAhead faces ahead, and its corners' points half as
  // far ahead, when the face itself has arrived.
  constexpr Count kFetchAhead = 16;
  auto fetchFace = [&scene, &prepared](Count at) {
    const Count face = faceAt(scene, at);
    prefetchForRead(scene.faces + 3 * face);
    if (prepared.colourBytes != nullptr)
      prefetchForRead(prepared.colourBytes + 4 * face);
    else if (prepared.colourChannels != nullptr)
      prefetchForRead(prepared.colourChannels + 3 * face);
    else
      for (int k = 0; k < 3; ++k)
        prefetchForRead(scene.colours + face * scene.colourFaceStep + k * scene.colourChannelStep);
  };
  auto fetchCorners = [&scene, &prepared](Count at) {
    const std::int32_t *corner = scene.faces + 3 * faceAt(scene, at);
    for (int k = 0; k < 3; ++k) {
      const auto point = static_cast<Count>(corner[k]);
      prefetchForRead(prepared.pixels != nullptr ? prepared.pixels + 2 * point
                                                 : scene.uv + scene.pointStep * point);
    }
  };

  // Nearest first when the band's coverage can be had, else first to last.
  auto paintBand = [&](const PixelBox &band, bool boxesKnown) {
    Coverage coverage = kNoCoverage;
    if (options.nearestFirst) {
      const Count wordsPerColumn = (band.lastRow - band.firstRow + 1 + 63) / 64;
      coverage = {static_cast<std::uint64_t *>(std::calloc(
                      wordsPerColumn * (band.lastColumn - band.firstColumn + 1),
                      sizeof(std::uint64_t))),
                  wordsPerColumn, band.firstRow, band.firstColumn};
    }
    const bool backwards = coverage.words != nullptr;
    // What the faces a few steps on read; with the boxes known, only for
    // those over the band.
    auto wanted = [&](Count at) {
      if (!boxesKnown) return true;
      return boxes[at].firstColumn <= boxes[at].lastColumn && !empty(clipped(boxes[at], band));
    };
    for (Count step = 0; step < count; ++step) {
      const Count p = backwards ? count - 1 - step : step;
      if (step + kFetchAhead < count) {
        const Count at = backwards ? p - kFetchAhead : p + kFetchAhead;
        if (wanted(at)) fetchFace(at);
      }
      if (step + kFetchAhead / 2 < count) {
        const Count at = backwards ? p - kFetchAhead / 2 : p + kFetchAhead / 2;
        if (wanted(at)) fetchCorners(at);
      }
      const Count face = faceAt(scene, p);
      Corners corners;
      PixelBox part;
      if (boxesKnown) {
        if (boxes[p].firstColumn > boxes[p].lastColumn) continue;
        part = clipped(boxes[p], band);
        if (empty(part) || (backwards && allFilled(coverage, part))) continue;
        corners = cornersOf(scene, view, prepared, face);
      } else {
        corners = cornersOf(scene, view, prepared, face);
        const FaceBox box = boxOf(corners, picture.height, picture.width);
        if (box.firstColumn > box.lastColumn) continue;
        part = clipped(box, band);
        if (backwards && allFilled(coverage, part)) continue;
      }
      const PaintColour colour = colourOf(scene, prepared, face);
      paintFace(picture, winners, coverage, corners, part, colour, static_cast<double>(face + 1),
                options.searchFromRows);
    }
    std::free(coverage.words);
  };

  const PixelBox whole = {1, picture.height, 1, picture.width};
  if (threads <= 1) {
    paintBand(whole, false);
    std::free(preparedMemory);
    return;
  }
  runParallelRanges(threads, count, kPaintSplit.piece, [&](Count first, Count end, unsigned) {
    for (Count p = first; p < end; ++p) {
      if (p + kFetchAhead < count) fetchFace(p + kFetchAhead);
      if (p + kFetchAhead / 2 < count) fetchCorners(p + kFetchAhead / 2);
      boxes[p] = boxOf(cornersOf(scene, view, prepared, faceAt(scene, p)), picture.height,
                       picture.width);
    }
  });
  Count cuts[kMaxThreads + 1];
  cutBands(picture, boxes, count, threads, cuts);
  runParallel(threads, threads, [&](std::size_t band, unsigned) {
    if (cuts[band] < cuts[band + 1]) paintBand(bandBox(picture, cuts, static_cast<unsigned>(band)), true);
  });
  std::free(boxes);
  std::free(preparedMemory);
}

}  // namespace korvel

#endif  // KORVEL_SCENE_PAINT_TRIANGLES_H
