// plateauLabels: the 4-connected regions of equal value, numbered in
// column-major order of their first elements, L = plateauLabels(A).
#include "mex.h"

#include "../gateway/checks.h"
#include "plateau_labels.h"

namespace {
enum Input { kValues, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments.
  const gateway::Call call = gateway::startCall(
      {"plateauLabels", "L = plateauLabels(A)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const gateway::Array<const double> values = gateway::anyDoubleMatrix(call, kValues, "A");

  // Create the output, then do the job.
  double *labels = gateway::createOutput(call, values.rows, values.columns);
  korvel::plateauLabels(values.data, values.rows, values.columns, labels);
}
