// korvelDataPtr / pelvaDataPtr: where an array's data lies, as the low 32
// bits of its address read as a signed 32-bit integer, A = korvelDataPtr(X).
// One source for both names; the build passes the name it is built under.
#include "mex.h"

#include "../gateway/checks.h"
#include "data_address.h"

#ifndef MEX_COMMAND_NAME
#define MEX_COMMAND_NAME korvelDataPtr
#endif
#define COMMAND_NAME KORVEL_NAME_OF(MEX_COMMAND_NAME)

namespace {
enum Input { kArray, kInputCount };
}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments: any array with a data block will do; its contents are
  // not read.
  const gateway::Call call = gateway::startCall(
      {COMMAND_NAME, "A = " COMMAND_NAME "(X)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const void *address = gateway::dataBlock(call, kArray, "X").data;

  // Create the output, then do the job.
  double *result = gateway::createOutput(call, 1, 1);
  result[0] = korvel::lowAddressBits(address);
}
