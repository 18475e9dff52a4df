// plateauLabels: the 4-connected regions of equal value, numbered in
// column-major order of their first elements, L = plateauLabels(A).
#include "mex.h"

#include <cstdint>
#include <cstring>

#include "../gateway/gateway.h"
#include "../gateway/simd.h"

namespace {

enum Input { kValues, kInputCount };

using gateway::Count;

// Two ways to the same labels, both linear in rows * columns and both using
// nothing but the output and a few scalars:
//
// 1. Linking, the usual way: one column-major pass links every cell to an earlier cell
//    of its region, or leaves it 0 if it is the first; regions met from two
//    sides are joined by union-find, whose root is always the region's first
//    cell. A second pass numbers the roots in order and gives every other cell
//    the label of the earlier cell it links to, already final.
// 2. Flooding: fill each region from its first cell before looking for the
//    next, with the work list threaded through the output.
//
// Union-find with path halving takes few steps per cell on images (README:
// Figures behind the kernels), but no bound linear in the cell count is known
// for it, so its finds get a budget of steps; past it the output is cleared
// and flooding, linear by construction, labels the matrix instead.
#ifndef KORVEL_PLATEAU_FIND_STEPS_PER_CELL
#define KORVEL_PLATEAU_FIND_STEPS_PER_CELL 8
#endif
const Count kFindStepsPerCell = KORVEL_PLATEAU_FIND_STEPS_PER_CELL;

// While linking, a cell holds a word, not a double: 0 (no earlier cell of its
// region: a root; the host's zero fill reads as 0 too) or q + 1, q being an
// earlier cell of the same region. Words keep the pass free of conversions
// between integers and doubles, and its selects free of branches.
using Word = std::uint64_t;

inline Count linkAt(const double *cells, Count p) {
  Word word;
  std::memcpy(&word, cells + p, sizeof word);
  return static_cast<Count>(word);
}
inline void setLink(double *cells, Count p, Count link) {
  const Word word = link;
  std::memcpy(cells + p, &word, sizeof word);
}

// The root of x's tree, halving the path on the way; counts the steps.
Count findRoot(double *links, Count x, Count &steps) {
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

// Joins the regions of cells a and b: the later root links to the earlier.
void join(double *links, Count a, Count b, Count &steps) {
  const Count rootA = findRoot(links, a, steps);
  const Count rootB = findRoot(links, b, steps);
  ++steps;
  if (rootA < rootB) setLink(links, rootB, rootA + 1);
  if (rootB < rootA) setLink(links, rootA, rootB + 1);
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
inline Count linkFrom(Count up, Count left, Count aboveLink, Count leftLink, Count p, Count rows) {
  const Count viaUp = aboveLink != 0 ? aboveLink : p;
  const Count viaLeft = leftLink != 0 ? leftLink : p - rows + 1;
  return (viaUp & up) | (viaLeft & left & ~up);
}

// Pass 1 of linking, in column-major order, without branches on the values
// but where two trees meet. False when the finds ran over their budget; links
// then holds a partial forest.
bool linkRegions(const double *values, double *links, Count rows, Count columns) {
  const Count budget = kFindStepsPerCell * rows * columns;
  Count steps = 0;
  // Column 1: only the cell above can come earlier.
  Count aboveLink = 0;  // the link of cell p - 1, kept in a register
  for (Count p = 1; p < rows; ++p) {
    aboveLink = linkFrom(equalMask(values + p - 1, values + p), 0, aboveLink, 0, p, rows);
    setLink(links, p, aboveLink);
  }
  for (Count column = 1; column < columns; ++column) {
    const Count start = column * rows;
    // Row 1: only the cell to the left.
    aboveLink = linkFrom(0, equalMask(values + start - rows, values + start), 0,
                         linkAt(links, start - rows), start, rows);
    setLink(links, start, aboveLink);
    for (Count p = start + 1; p < start + rows; ++p) {
      const double *value = values + p;
      const Count up = equalMask(value - 1, value);
      const Count left = equalMask(value - rows, value);
      const Count diagonal = equalMask(value - 1 - rows, value);
      aboveLink = linkFrom(up, left, aboveLink, linkAt(links, p - rows), p, rows);
      setLink(links, p, aboveLink);
      // Equal above and to the left: two trees to join, unless the diagonal
      // cell, equal too, has joined them already.
      if ((up & left & ~diagonal) != 0) {
        join(links, p - 1, p - rows, steps);
        if (steps > budget) return false;
      }
    }
  }
  return true;
}

// Pass 2 of linking: roots get 1, 2, 3, ... in order; every other cell the
// final label of the earlier cell it links to. Cells before p hold labels,
// cells from p on still hold links. Without branches: in a busy image half
// the cells are roots, in no pattern a branch predictor could learn; and the
// count is an integer, so that no cell waits on a floating-point add.
void numberRegions(double *cells, Count count) {
  std::int64_t label = 0;  // signed: converts to double in one instruction
  for (Count p = 0; p < count; ++p) {
    const Count link = linkAt(cells, p);
    const bool root = link == 0;
    label += root;
    // link - 1 for a linked cell, p itself for a root. Masks, not selects:
    // the compiler turns these selects into branches.
    const Count source = (link - 1) + (-static_cast<Count>(root) & (p + 1));
    Word inherited, own;
    std::memcpy(&inherited, cells + source, sizeof inherited);
    const double ownLabel = static_cast<double>(label);
    std::memcpy(&own, &ownLabel, sizeof own);
    const Word ownMask = -static_cast<Word>(root);
    const Word result = (own & ownMask) | (inherited & ~ownMask);
    std::memcpy(cells + p, &result, sizeof result);
  }
}

// While flooding, a cell holds
//   0         not reached yet (the host creates the output zero-filled),
//   -(q + 1)  waiting on the work list, q being the next waiting cell
//             (q == count: none),
//   k >= 1    its final label.
inline double waitingMark(Count next) { return -static_cast<double>(next) - 1.0; }
inline Count nextWaiting(double mark) { return static_cast<Count>(-mark - 1.0); }

// Floods from each not-yet-reached cell, in column-major order, before
// looking for the next one: the region of the first cell outside regions
// 1..k becomes region k + 1. Every cell is pushed and popped once.
void floodRegions(const double *values, double *labels, Count rows, Count columns) {
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
}

void labelPlateaus(const double *values, double *labels, Count rows, Count columns) {
  const Count count = rows * columns;
  if (linkRegions(values, labels, rows, columns)) {
    numberRegions(labels, count);
    return;
  }
  std::memset(labels, 0, count * sizeof(double));  // all-zero bits: +0, "not reached"
  floodRegions(values, labels, rows, columns);
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  const gateway::Call call{"plateauLabels", "L = plateauLabels(A)", 1, nlhs, plhs, nrhs,
                           prhs};

  // Check arguments.
  gateway::requireInputs(call, kInputCount);
  const double *values = gateway::anyDoubleMatrix(call, kValues, "A");
  const Count rows = gateway::rows(call, kValues);
  const Count columns = gateway::columns(call, kValues);

  // Do the job.
  double *labels = gateway::createOutput(call, rows, columns);
  if (rows == 0 || columns == 0) return;
  labelPlateaus(values, labels, rows, columns);
}
