/* What the stand-in host offers beyond the real host's libraries, all in its
 * libmx: the call of a plug-in entry that catches its error, the raise that
 * ends it, and test-only controls. */
#ifndef STANDIN_STANDIN_H
#define STANDIN_STANDIN_H

#include "mex.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*MexEntry)(int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[]);

enum { STANDIN_ID_CAPACITY = 128, STANDIN_MESSAGE_CAPACITY = 1024 };

typedef struct {
  int raised; /* 1 when the command called mexErrMsgIdAndTxt */
  char identifier[STANDIN_ID_CAPACITY];
  char message[STANDIN_MESSAGE_CAPACITY];
} StandinError;

/* Calls entry as the host does. plhs needs max(nlhs, 1) slots, which are
 * cleared first. On an error the outputs made so far are destroyed, the slots
 * cleared, and error->raised set; otherwise error->raised is 0. */
MX_API void standinCall(MexEntry entry, int nlhs, mxArray *plhs[], int nrhs,
                           const mxArray *prhs[], StandinError *error);

/* Ends the running command with identifier and message, as the host does
 * for an error in one of its own operations; libmex's mexErrMsgIdAndTxt
 * raises through it. Outside a command it aborts the process. */
MX_API void standinRaise(const char *identifier, const char *message)
#if defined(__GNUC__)
    __attribute__((noreturn))
#endif
    ;

/* Test-only: make mxGetPr and mxGetData of array report address instead of
 * its data (the array's own data stays allocated and is freed as usual). */
MX_API void standinReportDataAddress(mxArray *array, void *address);

/* Test-only: make mxGetN of array report columns, and mxGetNumberOfElements
 * its rows times that, while its data stays the block it has: a command must
 * refuse a result that large before it reads any data. */
MX_API void standinReportColumnCount(mxArray *array, size_t columns);

/* Test-only: a 1-by-1 value without a data block, as a function handle
 * (classId mxFUNCTION_CLASS) or an object (mxUNKNOWN_CLASS, as Octave reports
 * objects of every class system) is; className is what mxGetClassName says
 * (up to 63 characters). Asking for its data ends the process, as it does in
 * Octave 7, so a command that asks fails its tests however they catch errors. */
MX_API mxArray *standinCreateValueWithoutData(mxClassID classId, const char *className);

/* Test-only: how many arrays have been created since the library was loaded,
 * and how many are alive now. */
MX_API long standinArraysCreated(void);
MX_API long standinArraysAlive(void);

#ifdef __cplusplus
}
#endif

#endif
