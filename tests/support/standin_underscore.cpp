// A plug-in whose entry carries the leading underscore that some 32-bit
// Windows builds give it.
#include "mex.h"

extern "C" MEX_ENTRY_EXPORT void _mexFunction(int, mxArray *plhs[], int, const mxArray *[]) {
  plhs[0] = mxCreateDoubleMatrix(1, 1, mxREAL);
  mxGetPr(plhs[0])[0] = 7;
}
