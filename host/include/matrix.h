/* matrix.h of the stand-in host.
 *
 * Declares the part of the host's array library (libmx) that this toolbox
 * uses, with the names and signatures the real hosts use. As in the real
 * hosts, mex.h includes it, the mx* operations live in libmx and the mex*
 * calls in libmex: a plug-in imports each from the library that holds it.
 * Only the stand-in build puts this folder on the include path. */
#ifndef STANDIN_MATRIX_H
#define STANDIN_MATRIX_H

#include <stddef.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(STANDIN_BUILDING_LIBMX) && defined(_WIN32)
#define MX_API __declspec(dllexport)
#elif defined(STANDIN_BUILDING_LIBMX)
#define MX_API __attribute__((visibility("default")))
#elif defined(_WIN32)
#define MX_API __declspec(dllimport)
#else
#define MX_API
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

/* Sizes and dimensions are 32-bit signed here, as in the host's
 * compatible-array-dimension interface that mxCreateDoubleMatrix_700 belongs
 * to. */
#define mxCreateDoubleMatrix mxCreateDoubleMatrix_700
#define mxCreateNumericMatrix mxCreateNumericMatrix_700
#define mxCreateNumericArray mxCreateNumericArray_700
#define mxGetNumberOfDimensions mxGetNumberOfDimensions_700
#define mxGetDimensions mxGetDimensions_700

MX_API double *mxGetPr(const mxArray *array);
MX_API double *mxGetPi(const mxArray *array);
MX_API void *mxGetData(const mxArray *array);
MX_API size_t mxGetM(const mxArray *array);
MX_API size_t mxGetN(const mxArray *array);
MX_API size_t mxGetNumberOfElements(const mxArray *array);
/* At least 2; the dimensions stay valid while the array lives. */
MX_API int mxGetNumberOfDimensions_700(const mxArray *array);
MX_API const int *mxGetDimensions_700(const mxArray *array);
MX_API mxClassID mxGetClassID(const mxArray *array);
MX_API const char *mxGetClassName(const mxArray *array);
MX_API bool mxIsComplex(const mxArray *array);
MX_API bool mxIsSparse(const mxArray *array);
MX_API mxArray *mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity);
MX_API mxArray *mxCreateNumericMatrix_700(int rows, int columns, mxClassID classId,
                                             mxComplexity complexity);
/* As the hosts do: fewer than 2 dimensions are made 2 (none: 0-by-0; one:
 * a column) and trailing singleton dimensions beyond the second dropped. */
MX_API mxArray *mxCreateNumericArray_700(int dimensionCount, const int *dimensions, mxClassID classId,
                                         mxComplexity complexity);
MX_API void mxDestroyArray(mxArray *array);

#ifdef __cplusplus
}
#endif

#endif
