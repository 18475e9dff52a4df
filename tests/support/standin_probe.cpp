// A plug-in that exercises the stand-in host: input 1 chooses what it does.
#include "mex.h"

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  (void)nlhs;
  const double mode = nrhs > 0 ? mxGetPr(prhs[0])[0] : 0;
  if (mode == 0) {  // a 2-by-3 zero-filled output, as created
    plhs[0] = mxCreateDoubleMatrix(2, 3, mxREAL);
  } else if (mode == 1) {  // create an output, then fail: the host must free it
    plhs[0] = mxCreateDoubleMatrix(4, 4, mxREAL);
    mexErrMsgIdAndTxt("probe:failed", "failed after %d of %s", 3, "four");
  } else if (mode == 2) {  // write into input 2 in place
    mxGetPr(prhs[1])[0] = 42;
  } else if (mode == 3) {  // report the number of inputs and outputs seen
    plhs[0] = mxCreateDoubleMatrix(1, 2, mxREAL);
    mxGetPr(plhs[0])[0] = nrhs;
    mxGetPr(plhs[0])[1] = nlhs;
  }
}
