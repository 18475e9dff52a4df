/* mex.h of the stand-in host.
 *
 * Declares the part of the host's array library (libmx) that this toolbox
 * uses, with the names and signatures the real hosts use, so that a plug-in
 * source that includes "mex.h" builds unchanged here, with MATLAB's mex and
 * with Octave's mkoctfile --mex. Only the stand-in build puts this folder on
 * the include path. */
#ifndef STANDIN_MEX_H
#define STANDIN_MEX_H

#include <stddef.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(_WIN32)
#define MX_IMPORT __declspec(dllimport)
#define MEX_ENTRY_EXPORT __declspec(dllexport)
#else
#define MX_IMPORT
#define MEX_ENTRY_EXPORT __attribute__((visibility("default")))
#endif

#ifdef STANDIN_BUILDING_LIBMX
#undef MX_IMPORT
#if defined(_WIN32)
#define MX_IMPORT __declspec(dllexport)
#else
#define MX_IMPORT __attribute__((visibility("default")))
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct mxArray_tag mxArray;
typedef size_t mwSize;
typedef size_t mwIndex;

typedef enum {
  mxUNKNOWN_CLASS = 0,
  mxCELL_CLASS,
  mxSTRUCT_CLASS,
  mxLOGICAL_CLASS,
  mxCHAR_CLASS,
  mxVOID_CLASS,
  mxDOUBLE_CLASS,
  mxSINGLE_CLASS,
  mxINT8_CLASS,
  mxUINT8_CLASS,
  mxINT16_CLASS,
  mxUINT16_CLASS,
  mxINT32_CLASS,
  mxUINT32_CLASS,
  mxINT64_CLASS,
  mxUINT64_CLASS,
  mxFUNCTION_CLASS
} mxClassID;

typedef enum { mxREAL = 0, mxCOMPLEX = 1 } mxComplexity;

/* Sizes are 32-bit signed here, as in the host's compatible-array-dimension
 * interface that mxCreateDoubleMatrix_700 belongs to. */
#define MX_CREATE_SIZES_ARE_INT 1
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_700
#define mxCreateNumericMatrix mxCreateNumericMatrix_700

MX_IMPORT double *mxGetPr(const mxArray *array);
MX_IMPORT double *mxGetPi(const mxArray *array);
MX_IMPORT void *mxGetData(const mxArray *array);
MX_IMPORT size_t mxGetM(const mxArray *array);
MX_IMPORT size_t mxGetN(const mxArray *array);
MX_IMPORT size_t mxGetNumberOfElements(const mxArray *array);
MX_IMPORT mxClassID mxGetClassID(const mxArray *array);
MX_IMPORT const char *mxGetClassName(const mxArray *array);
MX_IMPORT bool mxIsComplex(const mxArray *array);
MX_IMPORT bool mxIsSparse(const mxArray *array);
MX_IMPORT mxArray *mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity);
MX_IMPORT mxArray *mxCreateNumericMatrix_700(int rows, int columns, mxClassID classId,
                                             mxComplexity complexity);
MX_IMPORT void mxDestroyArray(mxArray *array);

/* Aborts the running command: control goes back to the host, which reports
 * the identifier and the message. Does not return. */
MX_IMPORT void mexErrMsgIdAndTxt(const char *identifier, const char *format, ...)
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
