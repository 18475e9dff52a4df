// The 4-connected regions of equal value, numbered in column-major order of
// their first elements: the kernel of plateauLabels.
#ifndef KORVEL_ARRAYS_PLATEAU_LABELS_H
#define KORVEL_ARRAYS_PLATEAU_LABELS_H

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "../core/fault.h"
#include "../core/simd.h"
#include "../core/threads.h"

namespace korvel {

// How plateauLabels may go about its work; the labels never depend on it.
struct PlateauOptions {
  // At most this many threads (0: the process's policy).
  unsigned threads = 0;
  // The budget of union-find steps per cell, past which the matrix is
  // flooded instead (0: flood whenever two trees join; the tests use it).
  Count findStepsPerCell = 8;
  // False: no thread starts, as when every start fails (the tests use it).
  bool startThreads = true;
};

namespace plateau_detail {

// Two ways to the same labels, linking and flooding, both linear in
// rows * columns and both using nothing but the output and a few scalars;
// the sections below follow them in this order:
//
// 1. Linking, the usual way: one column-major pass links every cell to an
//    earlier cell of its region, or leaves it 0 if it is the first; regions
//    met from two sides are joined by union-find, whose root is always the
//    region's first cell. A second pass numbers the roots in order and gives
//    every other cell the label of the earlier cell it links to, already
//    final.
// 2. Linking in bands of columns, for threads: each band is linked on its
//    own, the trees that meet at band edges are joined, the roots of those
//    trees labelled, and then the bands are numbered, giving the same labels
//    as one pass.
// 3. Flooding: fill each region from its first cell before looking for the
//    next, with the work list threaded through the output.
//
// Union-find with path halving takes few steps per cell on images
// (docs/performance.md: Figures behind the kernels), but no bound linear in
// the cell count is known for it, so its finds get a budget of steps; past it
// the output is cleared and flooding, linear by construction, labels the
// matrix instead (plateauLabels, last).

// --- 1. Linking --------------------------------------------------------------

// While linking, a cell holds a word, not a double: 0 (no earlier cell of its
// region: a root) or q + 1, q being an earlier cell of the same region. Words
// keep the pass free of conversions between integers and doubles, and its
// selects free of branches.
using Word = std::uint64_t;

inline Word wordAt(const double *cells, Count p) {
  Word word;
  std::memcpy(&word, cells + p, sizeof word);
  return word;
}
inline Count linkAt(const double *cells, Count p) { return static_cast<Count>(wordAt(cells, p)); }
inline void setLink(double *cells, Count p, Count link) {
  const Word word = link;
  std::memcpy(cells + p, &word, sizeof word);
}

// The root of x's tree, halving the path on the way; counts the steps.
inline Count findRoot(double *links, Count x, Count &steps) {
  for (;;) {
    const Count up = linkAt(links, x);
    if (up == 0) return x;
    const Count parent = up - 1;
    const Count grand = linkAt(links, parent);
    if (grand == 0) return parent;
    setLink(links, x, grand);
    x = grand - 1;
    ++steps;
  }
}

// The root of x's tree as findRoot gives it. Nearly every find while linking
// ends within a hop, whose way is in no pattern a branch could learn: that
// hop takes none.
inline Count rootNear(double *links, Count x, Count &steps) {
  const Count up = linkAt(links, x);
  const Count next = up != 0 ? up - 1 : x;
  return linkAt(links, next) == 0 ? next : findRoot(links, next, steps);
}

// Joins the regions of cells a and b: the later root links to the earlier.
// True when they were two regions, which leaves one root fewer. Without
// branches but in rare finds: two regions or one, and which root is the
// earlier, come in no pattern.
inline bool join(double *links, Count a, Count b, Count &steps) {
  const Count rootA = rootNear(links, a, steps);
  const Count rootB = rootNear(links, b, steps);
  ++steps;
  const Count earlier = rootA < rootB ? rootA : rootB;
  const Count later = rootA < rootB ? rootB : rootA;
  const bool two = rootA != rootB;
  // A root's link is 0: one region writes that 0 again.
  setLink(links, later, (earlier + 1) & -static_cast<Count>(two));
  return two;
}

// IEEE equality of two stored values as a mask of all ones or 0: a NaN equals
// nothing, -0 equals +0. SSE2's compare makes the mask itself, in two
// instructions where the compiler's a == b takes five (the unordered case
// needs a flag of its own).
inline Count equalMask(const double *a, const double *b) {
#ifdef KORVEL_HAVE_SSE2
  const __m128i mask = _mm_castpd_si128(_mm_cmpeq_sd(_mm_load_sd(a), _mm_load_sd(b)));
#if defined(__x86_64__) || defined(_M_X64)
  return static_cast<Count>(_mm_cvtsi128_si64(mask));
#else
  return static_cast<Count>(_mm_cvtsi128_si32(mask));
#endif
#else
  return -static_cast<Count>(*a == *b);
#endif
}

// A cell's link given masks (all ones where the neighbour above / to the left
// holds an equal value) and those neighbours' links: to the cell a neighbour
// links to, or to the neighbour itself if it is a root; above before left.
// Masks, not selects: at -O3 the compiler turns the selects into branches,
// which noise mispredicts.
inline Count linkFrom(Count up, Count left, Count aboveLink, Count leftLink, Count p, Count rows) {
  const Count viaUp = aboveLink | (p & -static_cast<Count>(aboveLink == 0));
  const Count viaLeft = leftLink | ((p - rows + 1) & -static_cast<Count>(leftLink == 0));
  return (viaUp & up) | (viaLeft & left & ~up);
}

// Pass 1 of linking finds, 64 rows of a column at a time, which cells equal
// the cell above and which the cell to the left, as bits; and from them the
// cells where something is decided: each run's first cell (a run: cells of
// equal value one below the other), and each cell where two trees meet.
// Where those are few, as in large regions, the block is linked a run at a
// time: every other cell of a run takes the run's link, written in one
// sweep. Where they are many, as in noise, cell by cell without branches on
// the values but where two trees meet.
const Count kBlockRows = 64;

inline unsigned lowestBit(std::uint64_t bits) {  // bits != 0
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  unsigned bit = 0;
  while ((bits & 1) == 0) bits >>= 1, ++bit;
  return bit;
#endif
}

inline unsigned bitCount(std::uint64_t bits) {
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_popcountll(bits));
#else
  unsigned count = 0;
  for (; bits != 0; bits &= bits - 1) ++count;
  return count;
#endif
}

// Bit i of up: cell first + i equals the cell above it; of left: the cell
// to its left. Cells first - 1 and first - rows exist (no first column).
struct EqualBits {
  std::uint64_t up, left;
};
inline EqualBits equalBits(const double *values, Count first, Count count, Count rows) {
  std::uint64_t up = 0, left = 0;
  Count i = 0;
#ifdef KORVEL_HAVE_SSE2
  for (; i + 2 <= count; i += 2) {
    const double *value = values + first + i;
    const __m128d here = _mm_loadu_pd(value);
    up |= static_cast<std::uint64_t>(_mm_movemask_pd(_mm_cmpeq_pd(here, _mm_loadu_pd(value - 1))))
          << i;
    left |= static_cast<std::uint64_t>(
                _mm_movemask_pd(_mm_cmpeq_pd(here, _mm_loadu_pd(value - rows))))
            << i;
  }
#endif
  for (; i < count; ++i) {
    const double *value = values + first + i;
    up |= static_cast<std::uint64_t>(*value == *(value - 1)) << i;
    left |= static_cast<std::uint64_t>(*value == *(value - rows)) << i;
  }
  return EqualBits{up, left};
}

// Links the `count` cells from `first`, a block of one column, given their
// bits; runLink: the link that cell first - 1 passes on (any value at a
// column's start, whose up bit is 0), on return that of the block's last
// cell. First every cell's link without a branch, then the joins, from the
// joins' bits: apart, neither pass has a branch that the values decide cell
// by cell. A join made after the cells below it are linked still finds their
// trees, as links only ever point within a region. False past the budget.
inline bool linkBlockByCells(double *links, Count rows, Count first, Count count,
                             const EqualBits &bits, std::uint64_t joins, Word &runLink,
                             Count &rootTotal, Count &stepTotal, Count budget) {
  Count rootCount = rootTotal, steps = stepTotal;
  // The link of cell p - 1, 0 for a root; at first the link the run passes
  // on, which is the same where it is not 0.
  Count aboveLink = static_cast<Count>(runLink);
  std::uint64_t upBits = bits.up, leftBits = bits.left;
  for (Count p = first; p < first + count; ++p) {
    const Count up = -static_cast<Count>(upBits & 1);
    const Count left = -static_cast<Count>(leftBits & 1);
    upBits >>= 1;
    leftBits >>= 1;
    aboveLink = linkFrom(up, left, aboveLink, linkAt(links, p - rows), p, rows);
    setLink(links, p, aboveLink);
    rootCount += aboveLink == 0;
  }
  runLink = aboveLink != 0 ? aboveLink : first + count;
  for (; joins != 0; joins &= joins - 1) {
    const Count p = first + lowestBit(joins);
    // The two cells' trees, found from where the two cells link to; none
    // is needed when that is one cell.
    const Count upLink = linkAt(links, p - 1);
    const Count leftLink = linkAt(links, p - rows);
    const Count upTarget = upLink != 0 ? upLink - 1 : p - 1;
    const Count leftTarget = leftLink != 0 ? leftLink - 1 : p - rows;
    if (upTarget != leftTarget) rootCount -= join(links, upTarget, leftTarget, steps);
    if (steps > budget) return false;
  }
  rootTotal = rootCount;
  stepTotal = steps;
  return true;
}

// A block links run by run when at most one cell in this many is decided.
const Count kCellsPerDecisionForRuns = 6;

// Links one column (not the first linked) from its first cell `start`, block
// by block, each by runs or by cells as its decided cells are few or many;
// adds its roots to rootTotal and its finds' steps to stepTotal; false when
// the finds ran over their budget.
inline bool linkColumn(const double *values, double *links, Count rows, Count start,
                       Count &rootTotal, Count &stepTotal, Count budget) {
  // Locals, kept in registers: the links' stores might alias references.
  Count rootCount = rootTotal, steps = stepTotal;
  Word runLink = 0;             // the link of every later cell of the current run
  std::uint64_t leftAbove = 0;  // the left bit of the row above the block
  for (Count first = start; first < start + rows; first += kBlockRows) {
    const Count count = start + rows - first < kBlockRows ? start + rows - first : kBlockRows;
    EqualBits bits = equalBits(values, first, count, rows);
    if (first == start) bits.up &= ~std::uint64_t(1);  // row 1 starts a run
    const std::uint64_t valid =
        count == kBlockRows ? ~std::uint64_t(0) : (std::uint64_t(1) << count) - 1;
    // Equal above and to the left, while the cell above differs from its
    // left: two trees to join. (The diagonal cell equals this one exactly
    // when it equals the one above, which equals this one.)
    const std::uint64_t joins = bits.up & bits.left & ~((bits.left << 1) | leftAbove);
    std::uint64_t decided = (~bits.up & valid) | joins;
    leftAbove = (bits.left >> (count - 1)) & 1;
    if (bitCount(decided) * kCellsPerDecisionForRuns > count) {
      if (!linkBlockByCells(links, rows, first, count, bits, joins, runLink, rootCount, steps,
                            budget))
        return false;
      continue;
    }
    Count p = first;  // the next cell to write
    while (decided != 0) {
      const Count cell = first + lowestBit(decided);
      decided &= decided - 1;
      for (; p < cell; ++p) setLink(links, p, runLink);
      const std::uint64_t bit = std::uint64_t(1) << (cell - first);
      const Count leftLink = linkAt(links, cell - rows);
      if ((bits.up & bit) == 0) {
        const Count link = (bits.left & bit) == 0 ? 0 : leftLink != 0 ? leftLink : cell - rows + 1;
        setLink(links, cell, link);
        rootCount += link == 0;
        runLink = link != 0 ? link : cell + 1;
      } else {
        setLink(links, cell, runLink);
        const Count upTarget = runLink - 1;
        const Count leftTarget = leftLink != 0 ? leftLink - 1 : cell - rows;
        if (upTarget != leftTarget) rootCount -= join(links, upTarget, leftTarget, steps);
        if (steps > budget) return false;
      }
      p = cell + 1;
    }
    for (; p < first + count; ++p) setLink(links, p, runLink);
  }
  rootTotal = rootCount;
  stepTotal = steps;
  return true;
}

// Pass 1 of linking over columns firstColumn to endColumn - 1, in
// column-major order, the first of them taken as if it were the matrix's
// first (its cells link only upwards), so every link stays among these
// columns. Counts the roots; false when the finds ran over their budget,
// links then holding a partial forest.
inline bool linkRegions(const double *values, double *links, Count rows, Count firstColumn,
                        Count endColumn, Count stepsPerCell, Count &roots) {
  const Count budget = stepsPerCell * rows * (endColumn - firstColumn);
  Count steps = 0;
  const Count origin = firstColumn * rows;  // the first cell: a root
  setLink(links, origin, 0);
  Count rootCount = 1;
  // First column: only the cell above can come earlier.
  Count aboveLink = 0;  // the link of cell p - 1, kept in a register
  for (Count p = origin + 1; p < origin + rows; ++p) {
    aboveLink = linkFrom(equalMask(values + p - 1, values + p), 0, aboveLink, 0, p, rows);
    setLink(links, p, aboveLink);
    rootCount += aboveLink == 0;
  }
  for (Count column = firstColumn + 1; column < endColumn; ++column)
    if (!linkColumn(values, links, rows, column * rows, rootCount, steps, budget)) return false;
  roots = rootCount;
  return true;
}

// Pass 2 of linking: roots get 1, 2, 3, ... in order; every other cell the
// final label of the earlier cell it links to. Cells before p hold labels,
// cells from p on still hold links. Without branches: in a busy image half
// the cells are roots, in no pattern a branch predictor could learn; and the
// count is an integer, so that no cell waits on a floating-point add.
//
// In bands (kBanded), cells first to end - 1 are numbered from the label after
// `label`, and a root may hold its label already (labelCrossingRoots): it is
// counted, and left as it is, since other bands read it meanwhile.

// The bits of every label, a double 1.0 or more, are at least these; a link
// word is a cell position + 1, far below.
const Word kLowestLabelBits = 0x3FF0000000000000ull;

template <bool kBanded>
inline std::int64_t numberRegions(double *cells, Count first, Count end, std::int64_t label) {
  for (Count p = first; p < end; ++p) {
    const Word word = wordAt(cells, p);
    const bool labelled = kBanded && word >= kLowestLabelBits;
    const bool root = (word == 0) | labelled;
    label += root;
    // link - 1 for a linked cell, p itself for a root. Masks, not selects:
    // the compiler turns these selects into branches. In one pass every root
    // holds 0, and a sum does it.
    const Count link = static_cast<Count>(word);
    const Count rootMask = -static_cast<Count>(root);
    const Count source = kBanded ? (p & rootMask) | ((link - 1) & ~rootMask)
                                 : (link - 1) + (rootMask & (p + 1));
    const Word inherited = wordAt(cells, source);
    const double ownLabel = static_cast<double>(label);
    Word own;
    std::memcpy(&own, &ownLabel, sizeof own);
    const Word ownMask = -static_cast<Word>(root);
    const Word result = (own & ownMask) | (inherited & ~ownMask);
    // Labelled roots are few: this branch is predicted right.
    if (!labelled) std::memcpy(cells + p, &result, sizeof result);
  }
  return label;
}

// --- 2. Linking in bands of columns, for threads -----------------------------
//
// Each band is linked on its own (linkRegions), in parallel; then, on one
// thread, the trees that meet across each band edge are joined, every link
// that crosses a band start is pointed straight at its region's root, and
// those roots are marked (joinBands); then, in parallel, each band's marked
// roots get their labels, counted from the roots in the bands before
// (labelCrossingRoots), and last each band is numbered. A cell that links
// into an earlier band then finds its label there already. Roots stay each
// region's first cell, so the labels are those of one thread. One team of
// threads takes these steps in turn (BandSteps).
const Count kMaxBands = 2 * kMaxThreads;
// Two bands per thread: a thread that the system holds back leaves less
// undone, and the joins at the band edges, a column of cells each, cost
// little.
const unsigned kBandsPerThread = 2;

struct Bands {
  Count rows, columns, count;  // bands
  Count firstColumn(Count band) const {
    return static_cast<Count>(static_cast<std::uint64_t>(band) * columns / count);
  }
  Count bandOf(Count cell) const {
    // The last band whose first column is at or before the cell's column.
    const std::uint64_t column = cell / rows;
    return static_cast<Count>(((column + 1) * count - 1) / columns);
  }
};

// The root of x's tree, changing no link, so that no walk ever skips a root
// that an earlier join linked across a band start; counts the steps.
inline Count rootOf(const double *links, Count x, Count &steps) {
  for (Count up = linkAt(links, x); up != 0; up = linkAt(links, x)) {
    x = up - 1;
    ++steps;
  }
  return x;
}

// Points every cell on x's walk straight at its root.
inline void pointAtRoot(double *links, Count x, Count &steps) {
  const Count root = rootOf(links, x, steps);
  while (x != root) {
    const Count next = linkAt(links, x) - 1;
    setLink(links, x, root + 1);
    x = next;
  }
}

// Calls edge(left, right) for every pair of equal cells across a band edge
// whose regions the pair above has not joined already.
template <typename Edge>
void forEachEdgePair(const double *values, const Bands &bands, Count band, Edge edge) {
  const Count rows = bands.rows;
  const Count start = bands.firstColumn(band) * rows;
  for (Count p = start; p < start + rows; ++p) {
    if (values[p] != values[p - rows]) continue;
    if (p > start && values[p - 1] == values[p] && values[p - 1 - rows] == values[p]) continue;
    edge(p - rows, p);
  }
}

// A root whose label is written before the bands are numbered; a link word
// never comes near it, and it lies below every label's bits.
const Word kCrossingRoot = kLowestLabelBits - 1;

// A band's cells start to end - 1, and how far its marked roots reach:
// those before the middle end before forwardTo, the others start at
// backwardTo.
struct Marks {
  Count start, end, forwardTo, backwardTo;
  Count middle() const { return start + (end - start) / 2; }
};

// The root that cell x links straight to, or x itself.
inline Count straightRoot(const double *links, Count x) {
  const Word word = wordAt(links, x);
  return word == 0 || word == kCrossingRoot ? x : static_cast<Count>(word) - 1;
}

// Joins the trees that meet across band edges, the later root linked to the
// earlier, counting one root fewer in the band of each root linked; then
// points every walk from an edge cell at its root; then marks those roots.
// Links that cross a band start are made only here, and each lies on such a
// walk (walks only grow at their roots until then). False past the budget of
// steps.
inline bool joinBands(const double *values, double *links, const Bands &bands, Count stepsPerCell,
                      Count *roots, Marks *marks) {
  const Count budget = stepsPerCell * bands.rows * bands.columns;
  Count steps = 0;
  // Right to left: the left side's trees are still those of its own band.
  for (Count band = bands.count - 1; band > 0; --band) {
    forEachEdgePair(values, bands, band, [&](Count left, Count right) {
      const Count rootLeft = rootOf(links, left, steps);
      const Count rootRight = rootOf(links, right, steps);
      if (rootLeft == rootRight) return;
      const Count later = rootLeft > rootRight ? rootLeft : rootRight;
      const Count earlier = rootLeft > rootRight ? rootRight : rootLeft;
      setLink(links, later, earlier + 1);
      --roots[bands.bandOf(later)];
    });
    if (steps > budget) return false;
  }
  // Left to right, so that each walk meets roots already pointed at theirs.
  for (Count band = 1; band < bands.count; ++band) {
    forEachEdgePair(values, bands, band, [&](Count left, Count right) {
      pointAtRoot(links, left, steps);
      pointAtRoot(links, right, steps);
    });
    if (steps > budget) return false;
  }
  // Last, as a mark is no link 0 that a walk could stop at.
  for (Count band = 0; band < bands.count; ++band) {
    const Count start = bands.firstColumn(band) * bands.rows;
    const Count end = bands.firstColumn(band + 1) * bands.rows;
    marks[band] = Marks{start, end, start, end};
  }
  for (Count band = 1; band < bands.count; ++band)
    forEachEdgePair(values, bands, band, [&](Count left, Count right) {
      for (const Count root : {straightRoot(links, left), straightRoot(links, right)}) {
        const Word mark = kCrossingRoot;
        std::memcpy(links + root, &mark, sizeof mark);
        Marks &reach = marks[bands.bandOf(root)];
        if (root < reach.middle())
          reach.forwardTo = reach.forwardTo > root + 1 ? reach.forwardTo : root + 1;
        else
          reach.backwardTo = reach.backwardTo < root ? reach.backwardTo : root;
      }
    });
  return true;
}

// The scans below go by blocks of cells, each counted at once while none of
// its cells is marked; blocks with a mark, and the ends of a scan, cell by
// cell.
const Count kScanBlock = 16;

// The roots among the kScanBlock cells from `first`, or -1 when one of them
// is marked. With SSE2 two words at a time, each equality of 64 bits made
// from two of 32.
inline std::int64_t unmarkedBlockRoots(const double *cells, Count first) {
#ifdef KORVEL_HAVE_SSE2
  const __m128i zero = _mm_setzero_si128();
  const int markHigh = static_cast<int>(kCrossingRoot >> 32);
  const int markLow = static_cast<int>(kCrossingRoot & 0xFFFFFFFFu);
  const __m128i mark = _mm_set_epi32(markHigh, markLow, markHigh, markLow);
  __m128i roots = zero, marked = zero;
  for (Count i = 0; i < kScanBlock; i += 2) {
    const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i *>(cells + first + i));
    const __m128i zeroHalves = _mm_cmpeq_epi32(words, zero);
    const __m128i markHalves = _mm_cmpeq_epi32(words, mark);
    // Both halves of a word: each 32-bit lane and its neighbour swapped in.
    const __m128i zeroWords =
        _mm_and_si128(zeroHalves, _mm_shuffle_epi32(zeroHalves, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m128i markWords =
        _mm_and_si128(markHalves, _mm_shuffle_epi32(markHalves, _MM_SHUFFLE(2, 3, 0, 1)));
    roots = _mm_sub_epi64(roots, zeroWords);  // all ones: -1
    marked = _mm_or_si128(marked, markWords);
  }
  if (_mm_movemask_epi8(marked) != 0) return -1;
  std::int64_t lanes[2];
  _mm_storeu_si128(reinterpret_cast<__m128i *>(lanes), roots);
  return lanes[0] + lanes[1];
#else
  std::int64_t roots = 0;
  for (Count p = first; p < first + kScanBlock; ++p) {
    const Word word = wordAt(cells, p);
    if (word == kCrossingRoot) return -1;
    roots += word == 0;
  }
  return roots;
#endif
}

// Cell by cell over first to end - 1: `before` is the label of the last root
// met before first; returns the label of the last root met.
inline std::int64_t labelMarksForward(double *cells, Count first, Count end, std::int64_t before) {
  for (Count p = first; p < end; ++p) {
    const Word word = wordAt(cells, p);
    before += (word == 0) | (word == kCrossingRoot);
    if (word == kCrossingRoot) {
      const double rootLabel = static_cast<double>(before);
      std::memcpy(cells + p, &rootLabel, sizeof rootLabel);
    }
  }
  return before;
}

// Cell by cell from end - 1 down to first: `next` is the label of the next
// root met going down; returns it for the cells below first.
inline std::int64_t labelMarksBackward(double *cells, Count first, Count end, std::int64_t next) {
  for (Count p = end; p-- > first;) {
    const Word word = wordAt(cells, p);
    const bool root = (word == 0) | (word == kCrossingRoot);
    next -= root;
    if (word == kCrossingRoot) {
      const double rootLabel = static_cast<double>(next + 1);
      std::memcpy(cells + p, &rootLabel, sizeof rootLabel);
    }
  }
  return next;
}

// Gives each marked root of a band its label, `label` being the last label of
// the bands before and `roots` the band's own count: forwards from the band's
// start over the marks in its first half, backwards from its end over the
// rest. Marks gather near band edges, so either scan is usually short.
inline void labelCrossingRoots(double *cells, const Marks &band, std::int64_t label, Count roots) {
  std::int64_t before = label;  // the label of the last root met
  for (Count p = band.start; p < band.forwardTo;) {
    const Count end = band.forwardTo - p < kScanBlock ? band.forwardTo : p + kScanBlock;
    const std::int64_t blockRoots = end - p == kScanBlock ? unmarkedBlockRoots(cells, p) : -1;
    before = blockRoots >= 0 ? before + blockRoots : labelMarksForward(cells, p, end, before);
    p = end;
  }
  // The label of the next root met going down: the band's last.
  std::int64_t next = label + static_cast<std::int64_t>(roots);
  for (Count p = band.end; p > band.backwardTo;) {
    const Count first = p - band.backwardTo < kScanBlock ? band.backwardTo : p - kScanBlock;
    const std::int64_t blockRoots = p - first == kScanBlock ? unmarkedBlockRoots(cells, first) : -1;
    next = blockRoots >= 0 ? next - blockRoots : labelMarksBackward(cells, first, p, next);
    p = first;
  }
}

// The steps of linking in bands, as tasks that the threads of one team take
// in order: link each band; join the bands (one task); label each band's
// crossing roots; number each band. A task waits until every task of the
// step before has finished. One team for all steps, started once: on a
// virtual machine a core that has gone idle, between calls or between the
// steps of one, takes milliseconds to run a thread again, and the team's
// threads never leave theirs idle inside a call. A thread that starts late
// takes whatever tasks are left, and the calling thread does them all if it
// must.
struct BandSteps {
  const double *values;
  double *labels;
  Bands bands;
  const PlateauOptions *options;
  Count roots[kMaxBands];
  bool linked[kMaxBands];
  Marks marks[kMaxBands];
  std::int64_t before[kMaxBands];  // labels of the bands before each
  std::int64_t total;
  bool failed;  // the finds ran over their budget: the steps after linking are skipped
  std::atomic<std::size_t> next;
  std::atomic<std::size_t> finished[4];  // tasks finished, per step

  std::size_t tasks(unsigned step) const { return step == 1 ? 1 : bands.count; }

  void run(unsigned step, Count band) {
    const Count rows = bands.rows;
    switch (step) {
      case 0:
        linked[band] = linkRegions(values, labels, rows, bands.firstColumn(band),
                                   bands.firstColumn(band + 1), options->findStepsPerCell,
                                   roots[band]);
        break;
      case 1:
        failed = false;
        for (Count b = 0; b < bands.count; ++b) failed = failed || !linked[b];
        failed = failed || !joinBands(values, labels, bands, options->findStepsPerCell, roots, marks);
        total = 0;
        for (Count b = 0; b < bands.count; ++b) {
          before[b] = total;
          total += static_cast<std::int64_t>(roots[b]);
        }
        break;
      case 2:
        if (!failed) labelCrossingRoots(labels, marks[band], before[band], roots[band]);
        break;
      default:
        // Labelled roots lie only where the marks reach; between, the
        // cheaper numbering of one pass.
        if (!failed) {
          const Marks &reach = marks[band];
          std::int64_t label = numberRegions<true>(labels, reach.start, reach.forwardTo, before[band]);
          label = numberRegions<false>(labels, reach.forwardTo, reach.backwardTo, label);
          numberRegions<true>(labels, reach.backwardTo, reach.end, label);
        }
    }
  }

  // Takes tasks until none is left.
  void work() {
    for (;;) {
      std::size_t task = next.fetch_add(1, std::memory_order_relaxed);
      unsigned step = 0;
      while (step < 4 && task >= tasks(step)) task -= tasks(step++);
      if (step == 4) return;
      if (step > 0)
        while (finished[step - 1].load(std::memory_order_acquire) < tasks(step - 1)) spinPause();
      run(step, static_cast<Count>(task));
      finished[step].fetch_add(1, std::memory_order_release);
    }
  }

  static void spinPause() {
#ifdef KORVEL_HAVE_SSE2
    _mm_pause();
#endif
  }
};

// False when some finds ran over their budget; labels then holds a partial
// forest.
inline bool linkAndNumberInBands(const double *values, double *labels, const Bands &bands,
                                 unsigned threads, const PlateauOptions &options,
                                 Count &regions) {
  BandSteps steps;
  steps.values = values;
  steps.labels = labels;
  steps.bands = bands;
  steps.options = &options;
  steps.failed = false;
  steps.next.store(0, std::memory_order_relaxed);
  for (std::atomic<std::size_t> &count : steps.finished) count.store(0, std::memory_order_relaxed);
  // One piece per thread, each taking tasks until none is left.
  runParallel(
      threads, threads, [&steps](std::size_t, unsigned) { steps.work(); }, options.startThreads);
  if (steps.failed) return false;
  regions = static_cast<Count>(steps.total);
  return true;
}

// --- 3. Flooding, past the budget of finds -----------------------------------

// While flooding, a cell holds
//   0         not reached yet (the output is cleared before flooding),
//   -(q + 1)  waiting on the work list, q being the next waiting cell
//             (q == count: none),
//   k >= 1    its final label.
inline double waitingMark(Count next) { return -static_cast<double>(next) - 1.0; }
inline Count nextWaiting(double mark) { return static_cast<Count>(-mark - 1.0); }

// Floods from each not-yet-reached cell, in column-major order, before
// looking for the next one: the region of the first cell outside regions
// 1..k becomes region k + 1. Every cell is pushed and popped once.
inline Count floodRegions(const double *values, double *labels, Count rows, Count columns) {
  const Count count = rows * columns;
  const Count none = count;
  double label = 0;
  for (Count seed = 0; seed < count; ++seed) {
    if (labels[seed] != 0) continue;
    label += 1;
    labels[seed] = waitingMark(none);
    Count top = seed;
    while (top != none) {
      const Count cell = top;
      top = nextWaiting(labels[cell]);
      labels[cell] = label;
      const double value = values[cell];
      const Count row = cell % rows;
      // Equal value (IEEE: a NaN joins nothing, -0 joins +0) and not reached.
      auto reach = [&](Count neighbour) {
        if (labels[neighbour] == 0 && values[neighbour] == value) {
          labels[neighbour] = waitingMark(top);
          top = neighbour;
        }
      };
      if (row > 0) reach(cell - 1);
      if (row + 1 < rows) reach(cell + 1);
      if (cell >= rows) reach(cell - rows);
      if (cell + rows < count) reach(cell + rows);
    }
  }
  return static_cast<Count>(label);
}

// --- Which way ---------------------------------------------------------------

}  // namespace plateau_detail

// labels[r + c * rows] = the number of the 4-connected region of equal value
// (IEEE equality: a NaN joins nothing, -0 joins +0) that holds values[r + c *
// rows], regions numbered 1, 2, ... in column-major order of their first
// elements; returns the region count. Any rows-by-columns matrix (an N-D
// array as its rows by the product of the rest); labels (rows * columns
// doubles, any contents: every one is written) must not overlap values.
// Nothing but labels and a few scalars on the stack is used.
//
// Linking in bands when the matrix is large enough for threads and has
// columns for two bands, else linking in one pass; flooding when the finds
// ran over their budget either way.
inline Count plateauLabels(const double *values, Count rows, Count columns, double *labels,
                           const PlateauOptions &options = PlateauOptions()) {
  using namespace plateau_detail;
  const Count count = rows * columns;
  if (count == 0) return 0;
  const unsigned threads = threadsFor(count, kPlateauSplit.threshold, options.threads);
  Count bandCount = static_cast<Count>(threads) * kBandsPerThread;
  bandCount = bandCount < columns ? bandCount : columns;
  bandCount = bandCount < kMaxBands ? bandCount : kMaxBands;
  if (threads > 1 && bandCount > 1) {
    Count regions;
    if (linkAndNumberInBands(values, labels, Bands{rows, columns, bandCount}, threads, options,
                             regions))
      return regions;
  } else {
    Count roots;
    if (linkRegions(values, labels, rows, 0, columns, options.findStepsPerCell, roots)) {
      numberRegions<false>(labels, 0, count, 0);
      return roots;
    }
  }
  std::memset(labels, 0, count * sizeof(double));  // all-zero bits: +0, "not reached"
  return floodRegions(values, labels, rows, columns);
}

}  // namespace korvel

#endif  // KORVEL_ARRAYS_PLATEAU_LABELS_H
