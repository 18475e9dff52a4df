// The stand-in for the host's array library: just enough of libmx for the
// toolbox's plug-ins and tests. It keeps the running call's context, since
// its own operations raise errors too (a class it cannot create, no memory):
// an error returns control to the caller of standinCall through longjmp.
#define STANDIN_BUILDING_LIBMX 1
#include "standin.h"

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct mxArray_tag {
  mxClassID classId;
  bool complex;
  size_t rows;           // the first dimension
  size_t columns;        // the product of the others, as mxGetN reports it
  int dimensionCount;    // at least 2
  int *dimensions;       // in the same block, after the array
  void *realData;  // null for an empty array, as real hosts may report it
  void *imagData;
  bool reportsOverride;
  void *reportedAddress;
  bool withoutData;     // a function handle or an object: no data block
  char className[64];   // its class name
};

namespace {

struct CallContext {
  std::jmp_buf jump;
  StandinError *error;
  CallContext *outer;
};

CallContext *activeCall = nullptr;
long arraysCreated = 0;
long arraysAlive = 0;

size_t elementSize(mxClassID classId) {
  switch (classId) {
    case mxDOUBLE_CLASS:
    case mxINT64_CLASS:
    case mxUINT64_CLASS:
      return 8;
    case mxSINGLE_CLASS:
    case mxINT32_CLASS:
    case mxUINT32_CLASS:
      return 4;
    case mxINT16_CLASS:
    case mxUINT16_CLASS:
    case mxCHAR_CLASS:
      return 2;
    case mxINT8_CLASS:
    case mxUINT8_CLASS:
    case mxLOGICAL_CLASS:
      return 1;
    default:
      return 0;
  }
}

[[noreturn]] void hostError(const char *identifier, const char *message) {
  standinRaise(identifier, message);
}

// What Octave 7 does when a plug-in asks for the data of a value without a
// data block: no error the plug-in's caller could catch, the end of the process.
void requireData(const mxArray *array, const char *operation) {
  if (!array->withoutData) return;
  std::fprintf(stderr, "%s of a %s value, which has no data block: the host aborts\n", operation,
               array->className);
  std::abort();
}

// Errors are raised before anything is allocated: nothing leaks on the jump.
mxArray *createArray(int dimensionCount, const int *givenDimensions, mxClassID classId,
                     mxComplexity complexity) {
  const size_t size = elementSize(classId);
  if (size == 0) hostError("standin:badClass", "the stand-in host cannot create arrays of this class");
  // Fewer than two dimensions make a matrix, as in the hosts: none 0-by-0,
  // one a column.
  const int asMatrix[2] = {dimensionCount >= 1 ? givenDimensions[0] : 0, dimensionCount >= 1 ? 1 : 0};
  const int *dimensions = dimensionCount >= 2 ? givenDimensions : asMatrix;
  int count = dimensionCount >= 2 ? dimensionCount : 2;
  while (count > 2 && dimensions[count - 1] == 1) --count;  // trailing singletons
  // mxGetN reports the product of the dimensions after the first: it too
  // must fit, even when the first is 0.
  size_t columns = 1;
  bool tooLarge = false;
  for (int d = 0; d < count; ++d)
    if (dimensions[d] < 0) hostError("standin:badSize", "array sizes must not be negative");
  for (int d = 1; d < count; ++d) {
    const size_t extent = static_cast<size_t>(dimensions[d]);
    if (extent != 0 && columns > SIZE_MAX / extent) tooLarge = true;
    columns *= extent;
  }
  const size_t rows = static_cast<size_t>(dimensions[0]);
  if (tooLarge || (columns != 0 && rows > SIZE_MAX / size / columns))
    hostError("standin:outOfMemory", "array too large");
  const size_t elements = rows * columns;
  auto *array = static_cast<mxArray *>(std::calloc(1, sizeof(mxArray) + count * sizeof(int)));
  if (array == nullptr) hostError("standin:outOfMemory", "out of memory");
  array->classId = classId;
  array->complex = complexity == mxCOMPLEX;
  array->dimensionCount = count;
  array->dimensions = reinterpret_cast<int *>(array + 1);
  std::memcpy(array->dimensions, dimensions, count * sizeof(int));
  array->rows = rows;
  array->columns = columns;
  if (elements > 0) {
    array->realData = std::calloc(elements, size);
    if (array->complex) array->imagData = std::calloc(elements, size);
    if (array->realData == nullptr || (array->complex && array->imagData == nullptr)) {
      std::free(array->realData);
      std::free(array->imagData);
      std::free(array);
      hostError("standin:outOfMemory", "out of memory");
    }
  }
  ++arraysCreated;
  ++arraysAlive;
  return array;
}

}  // namespace

extern "C" {

double *mxGetPr(const mxArray *array) { return static_cast<double *>(mxGetData(array)); }

double *mxGetPi(const mxArray *array) {
  requireData(array, "mxGetPi");
  return static_cast<double *>(array->imagData);
}

void *mxGetData(const mxArray *array) {
  requireData(array, "mxGetData");
  return array->reportsOverride ? array->reportedAddress : array->realData;
}

size_t mxGetM(const mxArray *array) { return array->rows; }

size_t mxGetN(const mxArray *array) { return array->columns; }

size_t mxGetNumberOfElements(const mxArray *array) { return array->rows * array->columns; }

int mxGetNumberOfDimensions_700(const mxArray *array) { return array->dimensionCount; }

const int *mxGetDimensions_700(const mxArray *array) { return array->dimensions; }

mxClassID mxGetClassID(const mxArray *array) { return array->classId; }

const char *mxGetClassName(const mxArray *array) {
  if (array->withoutData) return array->className;
  switch (array->classId) {
    case mxDOUBLE_CLASS: return "double";
    case mxSINGLE_CLASS: return "single";
    case mxINT8_CLASS: return "int8";
    case mxUINT8_CLASS: return "uint8";
    case mxINT16_CLASS: return "int16";
    case mxUINT16_CLASS: return "uint16";
    case mxINT32_CLASS: return "int32";
    case mxUINT32_CLASS: return "uint32";
    case mxINT64_CLASS: return "int64";
    case mxUINT64_CLASS: return "uint64";
    case mxLOGICAL_CLASS: return "logical";
    case mxCHAR_CLASS: return "char";
    default: return "unknown";
  }
}

bool mxIsComplex(const mxArray *array) { return array->complex; }

bool mxIsSparse(const mxArray *) { return false; }

mxArray *mxCreateDoubleMatrix_700(int rows, int columns, mxComplexity complexity) {
  const int dimensions[2] = {rows, columns};
  return createArray(2, dimensions, mxDOUBLE_CLASS, complexity);
}

mxArray *mxCreateNumericMatrix_700(int rows, int columns, mxClassID classId,
                                   mxComplexity complexity) {
  const int dimensions[2] = {rows, columns};
  return createArray(2, dimensions, classId, complexity);
}

mxArray *mxCreateNumericArray_700(int dimensionCount, const int *dimensions, mxClassID classId,
                                  mxComplexity complexity) {
  return createArray(dimensionCount, dimensions, classId, complexity);
}

void mxDestroyArray(mxArray *array) {
  if (array == nullptr) return;
  std::free(array->realData);
  std::free(array->imagData);
  std::free(array);
  --arraysAlive;
}

void standinRaise(const char *identifier, const char *message) {
  if (activeCall == nullptr) {
    std::fprintf(stderr, "error outside a command: %s: %s\n", identifier, message);
    std::abort();
  }
  StandinError *error = activeCall->error;
  error->raised = 1;
  std::snprintf(error->identifier, sizeof error->identifier, "%s", identifier);
  std::snprintf(error->message, sizeof error->message, "%s", message);
  std::longjmp(activeCall->jump, 1);
}

void standinCall(MexEntry entry, int nlhs, mxArray *plhs[], int nrhs, const mxArray *prhs[],
                 StandinError *error) {
  const int slots = nlhs > 0 ? nlhs : 1;
  for (int i = 0; i < slots; ++i) plhs[i] = nullptr;
  std::memset(error, 0, sizeof *error);
  // volatile: read after longjmp, so it must not live only in a register.
  CallContext *volatile context = static_cast<CallContext *>(std::malloc(sizeof(CallContext)));
  if (context == nullptr) {
    error->raised = 1;
    std::snprintf(error->identifier, sizeof error->identifier, "standin:outOfMemory");
    return;
  }
  context->error = error;
  context->outer = activeCall;
  activeCall = context;
  if (setjmp(context->jump) == 0) {
    entry(nlhs, plhs, nrhs, prhs);
  } else {
    // The host frees what an aborted command created.
    for (int i = 0; i < slots; ++i) {
      mxDestroyArray(plhs[i]);
      plhs[i] = nullptr;
    }
  }
  activeCall = context->outer;
  std::free(context);
}

mxArray *standinCreateValueWithoutData(mxClassID classId, const char *className) {
  auto *array = static_cast<mxArray *>(std::calloc(1, sizeof(mxArray) + 2 * sizeof(int)));
  if (array == nullptr) hostError("standin:outOfMemory", "out of memory");
  array->classId = classId;
  array->rows = 1;
  array->columns = 1;
  array->dimensionCount = 2;
  array->dimensions = reinterpret_cast<int *>(array + 1);
  array->dimensions[0] = array->dimensions[1] = 1;
  array->withoutData = true;
  std::snprintf(array->className, sizeof array->className, "%s", className);
  ++arraysCreated;
  ++arraysAlive;
  return array;
}

void standinReportDataAddress(mxArray *array, void *address) {
  array->reportsOverride = true;
  array->reportedAddress = address;
}

// The array becomes a matrix of that many columns; its dimensions, 32-bit
// as in the compatible interface, say at most INT_MAX of them.
void standinReportColumnCount(mxArray *array, size_t columns) {
  array->columns = columns;
  array->dimensionCount = 2;
  array->dimensions[1] = columns > INT_MAX ? INT_MAX : static_cast<int>(columns);
}

long standinArraysCreated(void) { return arraysCreated; }

long standinArraysAlive(void) { return arraysAlive; }

}  // extern "C"
