/* The call that benchmarks written outside C++ (bench_arrays.py, through
 * ctypes) make of a plug-in: standinCall with its error record kept here, so
 * that its layout is written in one place, the stand-in host's standin.h.
 * Returns 1 and "identifier: message" in text when the command raised an
 * error, else 0. */
#include <stdio.h>

#include "standin.h"

#if defined(_WIN32)
#define BENCH_EXPORT __declspec(dllexport)
#else
#define BENCH_EXPORT __attribute__((visibility("default")))
#endif

BENCH_EXPORT int benchCall(MexEntry entry, int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[],
                           char *text, size_t capacity) {
  StandinError error;
  standinCall(entry, nlhs, plhs, nrhs, prhs, &error);
  if (error.raised && capacity > 0) snprintf(text, capacity, "%s: %s", error.identifier, error.message);
  return error.raised;
}
