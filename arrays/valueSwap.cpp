// valueSwap: a copy of a matrix with values replaced through from/to pairs,
// B = valueSwap(A, FROM, TO).
#include "mex.h"

#include "../gateway/checks.h"
#include "value_swap.h"

namespace {
enum Input { kValues, kFrom, kTo, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments. The pair count is FROM's row count: its first column
  // holds the from values, and TO's first elements the to values.
  const gateway::Call call = gateway::startCall(
      {"valueSwap", "B = valueSwap(A, FROM, TO)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> values = gateway::anyDoubleMatrix(call, kValues, "A");
  const gateway::Array<const double> from = gateway::doubleFirstColumn(call, kFrom, "FROM");
  const gateway::Count pairs = from.rows;
  const double *to = gateway::doubleElements(call, kTo, "TO", pairs).data;

  // Create the output, then do the job. The kernel's scratch table is made
  // after every check and the output, so no error can leave it allocated.
  double *result = gateway::createOutput(call, values.rows, values.columns);
  korvel::valueSwap(values.data, values.rows * values.columns, from.data, to, pairs, result, 0);
}
