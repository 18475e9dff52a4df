/* mex.h of the stand-in host.
 *
 * The host's plug-in interface (libmex) with the names and signatures the
 * real hosts use, so that a plug-in source that includes "mex.h" builds
 * unchanged here, with MATLAB's mex and with Octave's mkoctfile --mex. The
 * array operations come from matrix.h (libmx). */
#ifndef STANDIN_MEX_H
#define STANDIN_MEX_H

#include "matrix.h"

#if defined(STANDIN_BUILDING_LIBMEX) && defined(_WIN32)
#define MEX_API __declspec(dllexport)
#elif defined(STANDIN_BUILDING_LIBMEX)
#define MEX_API __attribute__((visibility("default")))
#elif defined(_WIN32)
#define MEX_API __declspec(dllimport)
#else
#define MEX_API
#endif

#if defined(_WIN32)
#define MEX_ENTRY_EXPORT __declspec(dllexport)
#else
#define MEX_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Aborts the running command: control goes back to the host, which reports
 * the identifier and the message. Does not return. */
MEX_API void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((noreturn, format(printf, 2, 3)))
#endif
    ;

/* The plug-in's entry; every plug-in defines it and exports nothing else. */
MEX_ENTRY_EXPORT void mexFunction(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

#ifdef __cplusplus
}
#endif

#endif
