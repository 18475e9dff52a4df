// korvelDataPtr / pelvaDataPtr: where an array's data lies, as the low 32
// bits of its address read as a signed 32-bit integer, A = korvelDataPtr(X).
// One source for both names; the build passes the name it is built under.
#include "mex.h"

#include <cstdint>

#include "../gateway/checks.h"

#ifndef MEX_COMMAND_NAME
#define MEX_COMMAND_NAME korvelDataPtr
#endif
#define COMMAND_NAME KORVEL_NAME_OF(MEX_COMMAND_NAME)

namespace {

enum Input { kArray, kInputCount };

// Two's complement of the low 32 bits, without an implementation-defined
// narrowing conversion; every result is exact in a double. A null address
// gives 0.
double lowAddressBits(const void *address) {
  const std::uint32_t low = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
  return low >= 0x80000000u ? static_cast<double>(low) - 4294967296.0 : static_cast<double>(low);
}

}  // namespace

void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]) {
  // Check arguments: any array with a data block will do; its contents are
  // not read.
  const gateway::Call call = gateway::startCall(
      {COMMAND_NAME, "A = " COMMAND_NAME "(X)", 1, kInputCount}, nlhs, plhs, nrhs, prhs);
  const void *address = gateway::dataBlock(call, kArray, "X").data;

  // Do the job.
  double *result = gateway::createOutput(call, 1, 1);
  result[0] = lowAddressBits(address);
}
