// plateauLabels: the 4-connected regions of equal value, numbered in
// column-major order of their first elements, L = plateauLabels(A).
#include "mex.h"

#include "../gateway/gateway.h"

namespace {

enum Input { kValues, kInputCount };

using gateway::Count;

// The output doubles as the work list of the flood fill, so nothing but the
// output is allocated. A cell holds
//   0         not reached yet (the host creates the output zero-filled),
//   -(q + 1)  waiting on the work list, q being the next waiting cell
//             (q == count: none), exact in a double below 2^53 elements,
//   k >= 1    its final label.
inline double waitingMark(Count next) { return -static_cast<double>(next) - 1.0; }
inline Count nextWaiting(double mark) { return static_cast<Count>(-mark - 1.0); }

// Floods from each not-yet-reached cell, in column-major order, before looking
// for the next one: the region of the first cell outside regions 1..k becomes
// region k + 1, and every cell is pushed and popped once, so the time is
// linear in rows * columns whatever the regions look like.
void labelPlateaus(const double *values, double *labels, Count rows, Count columns) {
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
