// plateauLabels: the 4-connected regions of equal value, numbered in
// column-major order of their first elements, L = plateauLabels(A).
#include "mex.h"

#include <cstdint>
#include <cstring>

#include "../gateway/gateway.h"

namespace {

enum Input { kValues, kInputCount };

using gateway::Count;

// Two ways to the same labels, both linear in rows * columns and both using
// nothing but the output and a few scalars:
//
// 1. Linking (fast): one column-major pass links every cell to an earlier cell
//    of its region, or leaves it 0 if it is the first; regions met from two
//    sides are joined by union-find, whose root is always the region's first
//    cell. A second pass numbers the roots in order and gives every other cell
//    the label of the earlier cell it links to, already final.
// 2. Flooding: fill each region from its first cell before looking for the
//    next, with the work list threaded through the output.
//
// Union-find with path halving costs very nearly one step per cell on images,
// but no bound linear in the cell count is known for it, so its finds get a
// budget of steps; past it the output is cleared and flooding, linear by
// construction, labels the matrix instead.
#ifndef KORVEL_PLATEAU_FIND_STEPS_PER_CELL
#define KORVEL_PLATEAU_FIND_STEPS_PER_CELL 8
#endif
const Count kFindStepsPerCell = KORVEL_PLATEAU_FIND_STEPS_PER_CELL;

// While linking, a cell holds 0 (no earlier cell of its region: a root) or
// q + 1, q being an earlier cell of the same region. Exact in a double below
// 2^53 cells; int64 arithmetic keeps the pass free of branches.
inline std::int64_t linkOf(double cell) { return static_cast<std::int64_t>(cell); }
inline Count linkedCell(double cell) { return static_cast<Count>(linkOf(cell) - 1); }

// The root of x's tree, halving the path on the way; counts the steps.
Count findRoot(double *links, Count x, Count &steps) {
  for (;;) {
    const double up = links[x];
    if (up == 0) return x;
    const Count parent = linkedCell(up);
    const double grand = links[parent];
    if (grand == 0) return parent;
    links[x] = grand;
    x = linkedCell(grand);
    ++steps;
  }
}

// Joins the regions of cells a and b: the later root links to the earlier.
void join(double *links, Count a, Count b, Count &steps) {
  const Count rootA = findRoot(links, a, steps);
  const Count rootB = findRoot(links, b, steps);
  ++steps;
  if (rootA < rootB) links[rootB] = static_cast<double>(rootA + 1);
  if (rootB < rootA) links[rootA] = static_cast<double>(rootB + 1);
}

// A cell's link given masks (all ones where the neighbour above / to the left
// holds an equal value) and those neighbours' links: to the cell a neighbour
// links to, or to the neighbour itself if it is a root; above before left.
inline std::int64_t linkFrom(std::int64_t up, std::int64_t left, std::int64_t aboveLink,
                             std::int64_t leftLink, Count p, Count rows) {
  const std::int64_t viaUp = aboveLink != 0 ? aboveLink : static_cast<std::int64_t>(p);
  const std::int64_t viaLeft = leftLink != 0 ? leftLink : static_cast<std::int64_t>(p - rows + 1);
  return (viaUp & up) | (viaLeft & left & ~up);
}

// IEEE equality as a mask: a NaN equals nothing, -0 equals +0.
inline std::int64_t equalMask(double a, double b) { return -static_cast<std::int64_t>(a == b); }

// Pass 1 of linking, in column-major order, without branches on the values
// but where two trees meet. False when the finds ran over their budget; links
// then holds a partial forest.
bool linkRegions(const double *values, double *links, Count rows, Count columns) {
  const Count budget = kFindStepsPerCell * rows * columns;
  Count steps = 0;
  // Column 1: only the cell above can come earlier.
  std::int64_t aboveLink = 0;  // links[p - 1], kept in a register
  for (Count p = 1; p < rows; ++p) {
    aboveLink = linkFrom(equalMask(values[p - 1], values[p]), 0, aboveLink, 0, p, rows);
    links[p] = static_cast<double>(aboveLink);
  }
  for (Count column = 1; column < columns; ++column) {
    const Count start = column * rows;
    // Row 1: only the cell to the left.
    aboveLink = linkFrom(0, equalMask(values[start - rows], values[start]), 0,
                         linkOf(links[start - rows]), start, rows);
    links[start] = static_cast<double>(aboveLink);
    for (Count p = start + 1; p < start + rows; ++p) {
      const double value = values[p];
      const std::int64_t up = equalMask(values[p - 1], value);
      const std::int64_t left = equalMask(values[p - rows], value);
      aboveLink = linkFrom(up, left, aboveLink, linkOf(links[p - rows]), p, rows);
      links[p] = static_cast<double>(aboveLink);
      // Equal above and to the left: two trees to join, unless the diagonal
      // cell, equal too, has joined them already.
      if ((up & left) != 0 && !(values[p - 1 - rows] == value)) {
        join(links, p - 1, p - rows, steps);
        if (steps > budget) return false;
      }
    }
  }
  return true;
}

// Pass 2 of linking: roots get 1, 2, 3, ... in order; every other cell the
// final label of the earlier cell it links to.
void numberRegions(double *labels, Count count) {
  double label = 0;
  for (Count p = 0; p < count; ++p) {
    const double link = labels[p];
    const bool root = link == 0;
    label += root ? 1.0 : 0.0;
    const double inherited = labels[root ? p : linkedCell(link)];
    labels[p] = root ? label : inherited;
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
  const gateway::Call call{"plateauLabels", "L = plateauLabels(A)", nlhs, plhs, nrhs, prhs};

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
