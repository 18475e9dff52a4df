// korvel for Python: the kernels of the core as NumPy functions, the
// extension module `korvel`. Each function takes its arguments through
// np.asarray's conversions, checks what the kernel cannot take, creates its
// result and calls the core with the GIL released.
//
// Layout: a point set is an (N, 3) C-ordered float64 array, the very memory
// of the MEX commands' 3-by-N column-major matrix, so the kernels run on it
// unchanged. Every array the core is given is C-contiguous, aligned and
// native float64 (or int32 / bytes where the kernel reads those).
//
// Written against the NumPy C API alone, with no C++ runtime: like the
// plug-ins, the module imports nothing but the C library (no newer than
// glibc 2.17), libm, libpthread and the Python and NumPy it runs in.
#define PY_SSIZE_T_CLEAN
#include <Python.h>
#define NPY_NO_DEPRECATED_API NPY_1_7_API_VERSION
#include <numpy/arrayobject.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arrays/plateau_labels.h"
#include "arrays/value_swap.h"
#include "core/fault.h"
#include "core/overlap.h"
#include "projections/cone_screen.h"
#include "projections/torus_screen.h"
#include "scene/depth_order.h"
#include "scene/face_shown.h"
#include "scene/paint_strokes.h"
#include "scene/png_encode.h"
#include "scene/paint_triangles.h"
#include "scene/picture.h"
#include "scene/stroke_text.h"
#include "transforms/offset.h"
#include "transforms/range.h"
#include "transforms/spin.h"
#include "transforms/to_viewer.h"

#ifndef KORVEL_VERSION
#define KORVEL_VERSION "0"
#endif

namespace {

using korvel::Count;
using korvel::Reason;

// --- Refusals -----------------------------------------------------------------

// Raises `type` (ValueError or TypeError) with the message and a `reason`
// attribute, the reason of the MEX identifier for the same refusal.
PyObject *refuse(PyObject *type, Reason reason, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PyObject *message = PyUnicode_FromFormatV(format, arguments);
  va_end(arguments);
  if (message == nullptr) return nullptr;
  PyObject *error = PyObject_CallFunctionObjArgs(type, message, nullptr);
  Py_DECREF(message);
  if (error == nullptr) return nullptr;
  PyObject *name = PyUnicode_FromString(korvel::reasonName(reason));
  if (name != nullptr && PyObject_SetAttrString(error, "reason", name) == 0)
    PyErr_SetObject(type, error);
  Py_XDECREF(name);
  Py_DECREF(error);
  return nullptr;
}

// A float as Python's repr writes it: 1.5, nan, -inf.
struct Repr {
  char *text;
  explicit Repr(double value) : text(PyOS_double_to_string(value, 'r', 0, Py_DTSF_ADD_DOT_0, nullptr)) {}
  ~Repr() { PyMem_Free(text); }
  const char *c() const { return text != nullptr ? text : "?"; }
};

// "a float32 array of shape (2, 5)".
PyObject *describe(PyArrayObject *array) {
  PyObject *shape = PyObject_GetAttrString(reinterpret_cast<PyObject *>(array), "shape");
  if (shape == nullptr) return nullptr;
  PyObject *text = PyUnicode_FromFormat("a %S array of shape %R",
                                        reinterpret_cast<PyObject *>(PyArray_DESCR(array)), shape);
  Py_DECREF(shape);
  return text;
}

// "<name> must be <expected>; got <the given array>".
PyObject *refuseArray(PyObject *type, Reason reason, const char *name, const char *expected,
                      PyArrayObject *given) {
  PyObject *text = describe(given);
  if (text == nullptr) return nullptr;
  refuse(type, reason, "%s must be %s; got %U", name, expected, text);
  Py_DECREF(text);
  return nullptr;
}

// --- Arguments ----------------------------------------------------------------

// An owned reference to an array, released when it goes out of scope.
struct Array {
  PyArrayObject *array = nullptr;
  Array() = default;
  Array(const Array &) = delete;
  Array &operator=(const Array &) = delete;
  ~Array() { Py_XDECREF(array); }
  bool ok() const { return array != nullptr; }
  Count size() const { return static_cast<Count>(PyArray_SIZE(array)); }
  int ndim() const { return PyArray_NDIM(array); }
  npy_intp dim(int k) const { return PyArray_DIM(array, k); }
  template <typename T>
  T *data() const {
    return static_cast<T *>(PyArray_DATA(array));
  }
  PyObject *release() {
    PyObject *object = reinterpret_cast<PyObject *>(array);
    array = nullptr;
    return object;
  }
};

// Whether np.asarray's conversion to float64 keeps the value: booleans,
// integers and floats (a float32 becomes the exact float64 it is).
bool realKind(PyArrayObject *array) {
  const char kind = PyArray_DESCR(array)->kind;
  return kind == 'b' || kind == 'i' || kind == 'u' || kind == 'f';
}

// np.asarray(obj) as a C-contiguous native float64 array, or a TypeError
// (badClass) for what has no real value (complex, text, objects).
bool asDoubles(PyObject *obj, const char *name, const char *expected, Array &out) {
  Array given;
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return false;
  if (!realKind(given.array)) {
    refuseArray(PyExc_TypeError, Reason::badClass, name, expected, given.array);
    return false;
  }
  out.array = reinterpret_cast<PyArrayObject *>(
      PyArray_FROMANY(reinterpret_cast<PyObject *>(given.array), NPY_DOUBLE, 0, 0,
                      NPY_ARRAY_CARRAY_RO | NPY_ARRAY_FORCECAST));
  return out.ok();
}

// An (N, columns) array of real numbers.
bool rowsOf(PyObject *obj, const char *name, npy_intp columns, const char *expected, Array &out) {
  if (!asDoubles(obj, name, expected, out)) return false;
  if (out.ndim() == 2 && out.dim(1) == columns) return true;
  refuseArray(PyExc_ValueError, Reason::badSize, name, expected, out.array);
  return false;
}

// paint_triangles' uv: (N, 2) or more columns, of which the first two are
// read, so that a screen array (x, y, flag) goes in as it is.
bool pointColumns(PyObject *obj, Array &out) {
  const char *expected = "an (N, 2) array of real numbers (u, v), or an (N, 3) screen array";
  if (!asDoubles(obj, "uv", expected, out)) return false;
  if (out.ndim() == 2 && out.dim(1) >= 2) return true;
  refuseArray(PyExc_ValueError, Reason::badSize, "uv", expected, out.array);
  return false;
}

bool points(PyObject *obj, const char *name, Array &out) {
  return rowsOf(obj, name, 3, "an (N, 3) array of real numbers", out);
}

// Exactly `count` real numbers, in any shape.
bool numbers(PyObject *obj, const char *name, Count count, const char *expected, Array &out) {
  if (!asDoubles(obj, name, expected, out)) return false;
  if (out.size() == count) return true;
  refuseArray(PyExc_ValueError, Reason::badSize, name, expected, out.array);
  return false;
}

// One real number: a Python float or int, a NumPy scalar, an array of one.
bool number(PyObject *obj, const char *name, double &value) {
  if (PyFloat_CheckExact(obj)) {
    value = PyFloat_AS_DOUBLE(obj);
    return true;
  }
  Array one;
  if (!numbers(obj, name, 1, "a real number", one)) return false;
  value = one.data<double>()[0];
  return true;
}

// The thread limit: 0 for the process's policy, as the plug-ins use.
bool threadLimit(Py_ssize_t threads, unsigned &limit) {
  if (threads < 0) {
    refuse(PyExc_ValueError, Reason::badValue,
           "threads must be 0 (the process's policy) or a count of threads; got %zd", threads);
    return false;
  }
  limit = threads > 1024 ? 1024u : static_cast<unsigned>(threads);
  return true;
}

PyArrayObject *newArray(int ndim, const npy_intp *shape, int type) {
  return reinterpret_cast<PyArrayObject *>(
      PyArray_SimpleNew(ndim, const_cast<npy_intp *>(shape), type));
}

// A new (N, 3) float64 array for the result of N points.
bool newPoints(npy_intp n, Array &out) {
  const npy_intp shape[2] = {n, 3};
  out.array = newArray(2, shape, NPY_DOUBLE);
  return out.ok();
}

// --- Point transforms -----------------------------------------------------------

PyObject *offset(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "position", "threads", nullptr};
  PyObject *pointsArg, *positionArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|$n:offset", const_cast<char **>(names),
                                   &pointsArg, &positionArg, &threads))
    return nullptr;
  Array p, position, result;
  unsigned limit;
  if (!points(pointsArg, "points", p) ||
      !numbers(positionArg, "position", 3, "3 real numbers (x, y, z)", position) ||
      !threadLimit(threads, limit) || !newPoints(p.dim(0), result))
    return nullptr;
  const double *in = p.data<double>(), *at = position.data<double>();
  double *out = result.data<double>();
  const Count n = static_cast<Count>(p.dim(0));
  Py_BEGIN_ALLOW_THREADS
  korvel::offset(in, n, at, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

PyObject *spin(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "angle", "threads", nullptr};
  PyObject *pointsArg, *angleArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|$n:spin", const_cast<char **>(names),
                                   &pointsArg, &angleArg, &threads))
    return nullptr;
  Array p, result;
  double angle;
  unsigned limit;
  if (!points(pointsArg, "points", p) || !number(angleArg, "angle", angle) ||
      !threadLimit(threads, limit) || !newPoints(p.dim(0), result))
    return nullptr;
  const double *in = p.data<double>();
  double *out = result.data<double>();
  const Count n = static_cast<Count>(p.dim(0));
  Py_BEGIN_ALLOW_THREADS
  korvel::spin(in, n, angle, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

PyObject *toViewer(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "position", "angle", "threads", nullptr};
  PyObject *pointsArg, *positionArg, *angleArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOO|$n:to_viewer", const_cast<char **>(names),
                                   &pointsArg, &positionArg, &angleArg, &threads))
    return nullptr;
  Array p, position, result;
  double angle;
  unsigned limit;
  if (!points(pointsArg, "points", p) ||
      !numbers(positionArg, "position", 3, "3 real numbers (x, y, z)", position) ||
      !number(angleArg, "angle", angle) || !threadLimit(threads, limit) ||
      !newPoints(p.dim(0), result))
    return nullptr;
  const double *in = p.data<double>(), *at = position.data<double>();
  double *out = result.data<double>();
  const Count n = static_cast<Count>(p.dim(0));
  Py_BEGIN_ALLOW_THREADS
  korvel::toViewer(in, n, at, angle, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

PyObject *ranges(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "threads", nullptr};
  PyObject *pointsArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$n:ranges", const_cast<char **>(names),
                                   &pointsArg, &threads))
    return nullptr;
  Array p, result;
  unsigned limit;
  if (!points(pointsArg, "points", p) || !threadLimit(threads, limit)) return nullptr;
  const npy_intp n = p.dim(0);
  result.array = newArray(1, &n, NPY_DOUBLE);
  if (!result.ok()) return nullptr;
  const double *in = p.data<double>();
  double *out = result.data<double>();
  Py_BEGIN_ALLOW_THREADS
  korvel::pointRanges(in, static_cast<Count>(n), out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

// --- Screen projections -----------------------------------------------------------

// A screen constant the core refused (torusScreenFault, coneScreenFault).
PyObject *refuseConstant(const korvel::Fault &fault, const char *first, const char *second,
                         bool zeroAllowedFirst) {
  const bool isFirst = fault.argument == 1;
  return refuse(PyExc_ValueError, fault.reason, "%s must be a finite number%s; got %s",
                isFirst ? first : second, isFirst == zeroAllowedFirst ? "" : " other than 0",
                Repr(fault.value).c());
}

PyObject *torusScreen(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "gain", "horizon", "threads", nullptr};
  PyObject *pointsArg, *gainArg = nullptr, *horizonArg = nullptr;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$OOn:torus_screen",
                                   const_cast<char **>(names), &pointsArg, &gainArg, &horizonArg,
                                   &threads))
    return nullptr;
  Array p, result;
  korvel::TorusScreen screen = korvel::kFixedTorusScreen;
  unsigned limit;
  if (!points(pointsArg, "points", p) ||
      (gainArg != nullptr && gainArg != Py_None && !number(gainArg, "gain", screen.gain)) ||
      (horizonArg != nullptr && horizonArg != Py_None &&
       !number(horizonArg, "horizon", screen.horizon)) ||
      !threadLimit(threads, limit))
    return nullptr;
  const korvel::Fault fault = korvel::torusScreenFault(screen);
  if (fault.found()) return refuseConstant(fault, "gain", "horizon", false);
  if (!newPoints(p.dim(0), result)) return nullptr;
  const double *in = p.data<double>();
  double *out = result.data<double>();
  const Count n = static_cast<Count>(p.dim(0));
  Py_BEGIN_ALLOW_THREADS
  korvel::torusScreen(in, n, screen, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

PyObject *coneScreen(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"points", "radial", "vertical", "threads", nullptr};
  PyObject *pointsArg, *radialArg = nullptr, *verticalArg = nullptr;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$OOn:cone_screen", const_cast<char **>(names),
                                   &pointsArg, &radialArg, &verticalArg, &threads))
    return nullptr;
  Array p, result;
  korvel::ConeScreen screen = korvel::kFixedConeScreen;
  unsigned limit;
  if (!points(pointsArg, "points", p) ||
      (radialArg != nullptr && radialArg != Py_None &&
       !number(radialArg, "radial", screen.radial)) ||
      (verticalArg != nullptr && verticalArg != Py_None &&
       !number(verticalArg, "vertical", screen.vertical)) ||
      !threadLimit(threads, limit))
    return nullptr;
  const korvel::Fault fault = korvel::coneScreenFault(screen);
  if (fault.found()) return refuseConstant(fault, "radial", "vertical", true);
  if (!newPoints(p.dim(0), result)) return nullptr;
  const double *in = p.data<double>();
  double *out = result.data<double>();
  const Count n = static_cast<Count>(p.dim(0));
  Py_BEGIN_ALLOW_THREADS
  korvel::coneScreen(in, n, screen, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

// --- Scene --------------------------------------------------------------------------

const char *const kFacesExpected = "a (T, 3) array of integer corner indices";

// The corners as the kernel reads them, int32: an index outside int32 lies
// outside every screen the kernel can index, and becomes -1, which the
// kernel refuses the same way when it reaches it.
bool corners(PyObject *obj, Array &given, Array &out) {
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return false;
  const char kind = PyArray_DESCR(given.array)->kind;
  if (kind != 'i' && kind != 'u') {
    refuseArray(PyExc_TypeError, Reason::badClass, "faces", kFacesExpected, given.array);
    return false;
  }
  if (given.ndim() != 2 || given.dim(1) != 3) {
    refuseArray(PyExc_ValueError, Reason::badSize, "faces", kFacesExpected, given.array);
    return false;
  }
  if (PyArray_TYPE(given.array) == NPY_INT32) {
    out.array = reinterpret_cast<PyArrayObject *>(PyArray_FROMANY(
        reinterpret_cast<PyObject *>(given.array), NPY_INT32, 0, 0, NPY_ARRAY_CARRAY_RO));
    return out.ok();
  }
  Array wide;
  wide.array = reinterpret_cast<PyArrayObject *>(
      PyArray_FROMANY(reinterpret_cast<PyObject *>(given.array), NPY_INT64, 0, 0,
                      NPY_ARRAY_CARRAY_RO | NPY_ARRAY_FORCECAST));
  if (!wide.ok()) return false;
  out.array = newArray(2, PyArray_DIMS(given.array), NPY_INT32);
  if (!out.ok()) return false;
  const std::int64_t *from = wide.data<std::int64_t>();
  std::int32_t *to = out.data<std::int32_t>();
  const bool isUnsigned = kind == 'u';
  for (Count i = 0, n = wide.size(); i < n; ++i) {
    const std::int64_t index = from[i];
    to[i] = (isUnsigned && index < 0) || index < INT32_MIN || index > INT32_MAX
                ? -1
                : static_cast<std::int32_t>(index);
  }
  return true;
}

// A corner faces[t, k] outside what it indexes (badIndex, the fault's
// element t and row k), named by the index the caller gave, which may lie
// outside int32.
PyObject *refuseCorner(const Array &givenFaces, const korvel::Fault &fault, const char *which,
                       const char *index, Count size, const char *unit) {
  PyObject *given = PyArray_GETITEM(
      givenFaces.array, static_cast<const char *>(PyArray_GETPTR2(
                            givenFaces.array, static_cast<npy_intp>(fault.element), fault.row)));
  if (given == nullptr) return nullptr;
  refuse(PyExc_ValueError, fault.reason,
         "faces[%zd, %d], a corner of %s, must be %s, 0 or more and below its %zd %s; got %R",
         static_cast<Py_ssize_t>(fault.element), fault.row, which, index,
         static_cast<Py_ssize_t>(size), unit, given);
  Py_DECREF(given);
  return nullptr;
}

// The enable flags as the kernel reads them, one byte each, a triangle on
// where its byte is exactly 1: booleans, uint8 and int8 as they are, other
// real numbers as (flags == 1).
bool enableBytes(PyObject *obj, const char *name, Count triangles, Array &out) {
  const char *expected = "T flags (booleans, or numbers of which 1 sets a flag)";
  Array given;
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return false;
  if (!realKind(given.array)) {
    refuseArray(PyExc_TypeError, Reason::badClass, name, expected, given.array);
    return false;
  }
  if (given.size() != triangles) {
    refuseArray(PyExc_ValueError, Reason::badSize, name, expected, given.array);
    return false;
  }
  const int type = PyArray_TYPE(given.array);
  if (type == NPY_BOOL || type == NPY_UINT8 || type == NPY_INT8) {
    out.array = reinterpret_cast<PyArrayObject *>(PyArray_FROMANY(
        reinterpret_cast<PyObject *>(given.array), type, 0, 0, NPY_ARRAY_CARRAY_RO));
    return out.ok();
  }
  Array values;
  if (!asDoubles(reinterpret_cast<PyObject *>(given.array), name, expected, values)) return false;
  const npy_intp n = static_cast<npy_intp>(triangles);
  out.array = newArray(1, &n, NPY_UINT8);
  if (!out.ok()) return false;
  const double *from = values.data<double>();
  unsigned char *to = out.data<unsigned char>();
  for (Count t = 0; t < triangles; ++t) to[t] = from[t] == 1.0;
  return true;
}

PyObject *faceShown(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"faces", "screen", "mask", "threads", nullptr};
  PyObject *facesArg, *screenArg, *maskArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOO|$n:face_shown", const_cast<char **>(names),
                                   &facesArg, &screenArg, &maskArg, &threads))
    return nullptr;
  Array givenFaces, faces, screen, mask, result;
  unsigned limit;
  if (!corners(facesArg, givenFaces, faces) ||
      !rowsOf(screenArg, "screen", 3, "an (N, 3) screen array (x, y, flag)", screen))
    return nullptr;
  const Count triangles = static_cast<Count>(faces.dim(0));
  if (!enableBytes(maskArg, "mask", triangles, mask) || !threadLimit(threads, limit)) return nullptr;
  const npy_intp n = static_cast<npy_intp>(triangles);
  result.array = newArray(1, &n, NPY_BOOL);
  if (!result.ok()) return nullptr;
  // The kernel writes a double per triangle; they become the booleans.
  double *shown = static_cast<double *>(std::malloc(triangles > 0 ? triangles * sizeof(double) : 1));
  if (shown == nullptr) return PyErr_NoMemory();
  const std::int32_t *f = faces.data<std::int32_t>();
  const double *s = screen.data<double>();
  const Count columns = static_cast<Count>(screen.dim(0));
  const unsigned char *m = mask.data<unsigned char>();
  npy_bool *out = result.data<npy_bool>();
  korvel::Fault fault;
  Py_BEGIN_ALLOW_THREADS
  fault = korvel::faceShown(f, triangles, s, columns, m, shown, limit);
  if (!fault.found())
    for (Count t = 0; t < triangles; ++t) out[t] = shown[t] == 1.0;
  Py_END_ALLOW_THREADS
  std::free(shown);
  if (!fault.found()) return result.release();
  return refuseCorner(givenFaces, fault, "an enabled triangle", "a row index of screen", columns,
                      "rows");
}

// Results the kernel writes as one-based doubles into the memory of a new
// int64 array (0 for none): each becomes its value less one, the zero-based
// index (-1 for none), in place. Exact: the values are whole and below 2^53.
void toZeroBased(void *memory, Count count) {
  auto *values = static_cast<double *>(memory);
  for (Count i = 0; i < count; ++i) {
    const std::int64_t index = static_cast<std::int64_t>(values[i]) - 1;
    std::memcpy(values + i, &index, sizeof index);
  }
}

PyObject *depthOrder(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"faces", "distances", "flags", nullptr};
  PyObject *facesArg, *distancesArg, *flagsArg;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOO:depth_order", const_cast<char **>(names),
                                   &facesArg, &distancesArg, &flagsArg))
    return nullptr;
  Array givenFaces, faces, distances, flags, order, depth;
  if (!corners(facesArg, givenFaces, faces) ||
      !asDoubles(distancesArg, "distances", "N real numbers, any shape", distances))
    return nullptr;
  const Count triangles = static_cast<Count>(faces.dim(0));
  if (!enableBytes(flagsArg, "flags", triangles, flags)) return nullptr;
  const std::int32_t *f = faces.data<std::int32_t>();
  const unsigned char *drawn = flags.data<unsigned char>();
  const Count points = distances.size();
  const korvel::Fault fault = korvel::depthOrderFault(f, triangles, points, drawn);
  if (fault.found())
    return refuseCorner(givenFaces, fault, "a drawn triangle", "an index of distances", points,
                        "elements");
  const npy_intp count = static_cast<npy_intp>(korvel::drawnFaces(drawn, triangles));
  order.array = newArray(1, &count, NPY_INT64);
  depth.array = newArray(1, &count, NPY_DOUBLE);
  if (!order.ok() || !depth.ok()) return nullptr;
  const double *d = distances.data<double>();
  void *orderMemory = order.data<void>();
  double *depths = depth.data<double>();
  Py_BEGIN_ALLOW_THREADS
  korvel::depthOrder(f, triangles, d, drawn, static_cast<double *>(orderMemory), depths);
  toZeroBased(orderMemory, static_cast<Count>(count));
  Py_END_ALLOW_THREADS
  return Py_BuildValue("(NN)", order.release(), depth.release());
}

// The buffers stroke_text writes: the result's, or out='s.
bool outBuffer(PyObject *obj, const char *name, npy_intp columns, Array &out) {
  if (!PyArray_Check(obj)) {
    refuse(PyExc_TypeError, Reason::badClass, "%s must be a NumPy array; got %R", name,
           reinterpret_cast<PyObject *>(Py_TYPE(obj)));
    return false;
  }
  PyArrayObject *array = reinterpret_cast<PyArrayObject *>(obj);
  char expected[96];
  std::snprintf(expected, sizeof expected,
                "a writable C-contiguous float64 array of shape (M, %ld)", static_cast<long>(columns));
  if (PyArray_TYPE(array) != NPY_DOUBLE || !PyArray_ISCARRAY(array) ||
      !PyArray_ISNOTSWAPPED(array)) {
    refuseArray(PyExc_TypeError, Reason::badClass, name, expected, array);
    return false;
  }
  if (PyArray_NDIM(array) != 2 || PyArray_DIM(array, 1) != columns) {
    refuseArray(PyExc_ValueError, Reason::badSize, name, expected, array);
    return false;
  }
  Py_INCREF(obj);
  out.array = array;
  return true;
}

// A buffer without the rows the strokes are written to (strokeTextFault).
PyObject *refuseRows(const char *name, int columns, const korvel::Fault &fault,
                     PyArrayObject *given) {
  // Whole numbers, which may exceed every array size.
  char expected[200];
  if (fault.first == fault.last)
    std::snprintf(expected, sizeof expected,
                  "an (M, %d) array with at least %.0f rows, for a stroke in row %.0f", columns,
                  fault.last + 1, fault.first);
  else
    std::snprintf(expected, sizeof expected,
                  "an (M, %d) array with at least %.0f rows, for strokes in rows %.0f to %.0f",
                  columns, fault.last + 1, fault.first, fault.last);
  return refuseArray(PyExc_ValueError, fault.reason, name, expected, given);
}

// The bytes from an array's lowest element to the end of its highest, for
// any strides.
const void *extent(const Array &a, Count &bytes) {
  auto low = reinterpret_cast<std::uintptr_t>(PyArray_DATA(a.array));
  auto high = low + static_cast<std::uintptr_t>(PyArray_ITEMSIZE(a.array));
  for (int k = 0; k < a.ndim(); ++k) {
    const npy_intp reach = PyArray_STRIDE(a.array, k) * (a.dim(k) - 1);
    if (reach < 0)
      low -= static_cast<std::uintptr_t>(-reach);
    else
      high += static_cast<std::uintptr_t>(reach);
  }
  bytes = a.size() == 0 ? 0 : static_cast<Count>(high - low);
  return reinterpret_cast<const void *>(low);
}

bool overlap(const Array &a, const Array &b) {
  Count aBytes, bBytes;
  const void *aLow = extent(a, aBytes);
  const void *bLow = extent(b, bBytes);
  return korvel::overlappingBytes(aLow, aBytes, bLow, bBytes);
}

PyObject *refuseShared(const char *readName, const char *writtenName) {
  return refuse(PyExc_ValueError, Reason::sharedData,
                "%s must not share memory with %s, which is written; got %s and %s in "
                "overlapping memory",
                readName, writtenName, readName, writtenName);
}

PyObject *strokeText(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"strokes", "colours", "count", "table",  "codes", "scale",
                                "origin",  "position", "colour", "out",  nullptr};
  PyObject *strokesArg, *coloursArg, *countArg, *tableArg, *codesArg, *scaleArg, *originArg,
      *positionArg, *colourArg, *outArg = Py_None;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOOOOOOO|$O:stroke_text",
                                   const_cast<char **>(names), &strokesArg, &coloursArg, &countArg,
                                   &tableArg, &codesArg, &scaleArg, &originArg, &positionArg,
                                   &colourArg, &outArg))
    return nullptr;
  // Every check before anything is created or written: a refused call
  // leaves the buffers as they were.
  Array strokes, colours, table, codes, origin, colour, written[2];
  double counter, scale, position;
  if (!rowsOf(strokesArg, "strokes", 4, "an (M, 4) array of real numbers", strokes) ||
      !rowsOf(coloursArg, "colours", 6, "an (M, 6) array of real numbers", colours) ||
      !number(countArg, "count", counter) ||
      !rowsOf(tableArg, "table", 4, "a (G, 4) array of real numbers", table) ||
      !asDoubles(codesArg, "codes", "K real numbers", codes) ||
      !number(scaleArg, "scale", scale) ||
      !numbers(originArg, "origin", 2, "2 real numbers (x, y)", origin) ||
      !number(positionArg, "position", position) ||
      !numbers(colourArg, "colour", 3, "3 real numbers (r, g, b)", colour))
    return nullptr;
  const bool inPlace = outArg != Py_None;
  const char *bufferNames[2] = {"strokes", "colours"};
  if (inPlace) {
    if (!PyTuple_Check(outArg) || PyTuple_GET_SIZE(outArg) != 2)
      return refuse(PyExc_TypeError, Reason::badClass,
                    "out must be a tuple of two arrays (strokes, colours); got %R",
                    reinterpret_cast<PyObject *>(Py_TYPE(outArg)));
    if (!outBuffer(PyTuple_GET_ITEM(outArg, 0), "out[0]", 4, written[0]) ||
        !outBuffer(PyTuple_GET_ITEM(outArg, 1), "out[1]", 6, written[1]))
      return nullptr;
    // out receives the result, the given buffers appended: each is the
    // given buffer's shape.
    const Array *given[2] = {&strokes, &colours};
    for (int k = 0; k < 2; ++k)
      if (written[k].dim(0) != given[k]->dim(0))
        return refuse(PyExc_ValueError, Reason::badSize,
                      "out[%d] must have the shape of %s, (%zd, %d); got shape (%zd, %d)", k,
                      bufferNames[k], static_cast<Py_ssize_t>(given[k]->dim(0)), k == 0 ? 4 : 6,
                      static_cast<Py_ssize_t>(written[k].dim(0)), k == 0 ? 4 : 6);
    bufferNames[0] = "out[0]";
    bufferNames[1] = "out[1]";
    // As the MEX command in place: the written buffers share memory neither
    // with each other nor with what is read while they are written (the
    // table, the codes), nor with the other given buffer, copied in first.
    struct Pair {
      const Array *written, *read;
      const char *writtenName, *readName;
    } pairs[] = {{&written[0], &written[1], "out[0]", "out[1]"},
                 {&written[0], &table, "out[0]", "table"},
                 {&written[0], &codes, "out[0]", "codes"},
                 {&written[0], &colours, "out[0]", "colours"},
                 {&written[1], &table, "out[1]", "table"},
                 {&written[1], &codes, "out[1]", "codes"},
                 {&written[1], &strokes, "out[1]", "strokes"}};
    for (const Pair &pair : pairs)
      if (overlap(*pair.written, *pair.read)) return refuseShared(pair.readName, pair.writtenName);
  }
  const Count strokeCount = codes.size();
  const Count tableRows = static_cast<Count>(table.dim(0));
  const korvel::Fault fault =
      korvel::strokeTextFault(counter, codes.data<double>(), strokeCount, tableRows,
                              static_cast<Count>(strokes.dim(0)), static_cast<Count>(colours.dim(0)));
  if (fault.found()) {
    switch (fault.argument) {
      case korvel::kStrokeCounter:
        return refuse(PyExc_ValueError, fault.reason, "count must be a finite number, 0 or more; got %s",
                      Repr(fault.value).c());
      case korvel::kStrokeCodes:
        return refuse(PyExc_ValueError, fault.reason,
                      "codes[%zd] must be a one-based row number of table, from 1 to %zd after "
                      "truncation toward zero; got %s",
                      static_cast<Py_ssize_t>(fault.element), static_cast<Py_ssize_t>(tableRows),
                      Repr(fault.value).c());
      case korvel::kStrokeBuffer:
        return refuseRows(bufferNames[0], 4, fault, inPlace ? written[0].array : strokes.array);
      default:
        return refuseRows(bufferNames[1], 6, fault, inPlace ? written[1].array : colours.array);
    }
  }
  // The values read by value, before any write, so that they may share
  // memory with a written buffer.
  const double originValues[2] = {origin.data<double>()[0], origin.data<double>()[1]};
  const double colourValues[3] = {colour.data<double>()[0], colour.data<double>()[1],
                                  colour.data<double>()[2]};
  const Array *given[2] = {&strokes, &colours};
  for (int k = 0; k < 2; ++k) {
    if (!inPlace) {
      written[k].array = reinterpret_cast<PyArrayObject *>(PyArray_NewCopy(given[k]->array, NPY_CORDER));
      if (!written[k].ok()) return nullptr;
    } else if (written[k].data<double>() != given[k]->data<double>() &&
               PyArray_CopyInto(written[k].array, given[k]->array) < 0) {
      return nullptr;
    }
  }
  const double next = korvel::strokeText(written[0].data<double>(), written[1].data<double>(),
                                         counter, table.data<double>(), codes.data<double>(),
                                         strokeCount, scale, originValues, position, colourValues);
  return Py_BuildValue("(NNd)", written[0].release(), written[1].release(), next);
}

// --- Pictures -------------------------------------------------------------------------

const char *const kPictureExpected = "an (H, W, 3) array of floats (0 to 1) or of uint8 (0 to 255)";

// The picture to paint: uint8 stays uint8 and floats become float64; other
// kinds are refused, booleans and other integers having no agreed scale.
bool pictureArg(PyObject *obj, Array &given, int &type) {
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return false;
  const bool bytes = PyArray_TYPE(given.array) == NPY_UINT8;
  if (!bytes && PyArray_DESCR(given.array)->kind != 'f') {
    refuseArray(PyExc_TypeError, Reason::badClass, "picture", kPictureExpected, given.array);
    return false;
  }
  type = bytes ? NPY_UINT8 : NPY_DOUBLE;
  if (given.ndim() != 3 || given.dim(2) != 3 ||
      static_cast<Count>(given.dim(0)) > korvel::kLargestPictureSide ||
      static_cast<Count>(given.dim(1)) > korvel::kLargestPictureSide) {
    refuseArray(PyExc_ValueError, Reason::badSize, "picture", kPictureExpected, given.array);
    return false;
  }
  return true;
}

// out= of the paint functions, checked: a writable C-contiguous array of
// the result's dtype and the picture's shape, which gets the painted
// picture; the picture itself paints it in place.
bool outPicture(PyObject *obj, const Array &given, int type, Array &out) {
  if (!PyArray_Check(obj)) {
    refuse(PyExc_TypeError, Reason::badClass, "out must be a NumPy array; got %R",
           reinterpret_cast<PyObject *>(Py_TYPE(obj)));
    return false;
  }
  PyArrayObject *array = reinterpret_cast<PyArrayObject *>(obj);
  char expected[128];
  std::snprintf(expected, sizeof expected,
                "a writable C-contiguous %s array of the picture's shape (%zd, %zd, 3)",
                type == NPY_UINT8 ? "uint8" : "float64", static_cast<Py_ssize_t>(given.dim(0)),
                static_cast<Py_ssize_t>(given.dim(1)));
  if (PyArray_TYPE(array) != type || !PyArray_ISCARRAY(array) || !PyArray_ISNOTSWAPPED(array)) {
    refuseArray(PyExc_TypeError, Reason::badClass, "out", expected, array);
    return false;
  }
  if (PyArray_NDIM(array) != 3 || PyArray_DIM(array, 0) != given.dim(0) ||
      PyArray_DIM(array, 1) != given.dim(1) || PyArray_DIM(array, 2) != 3) {
    refuseArray(PyExc_ValueError, Reason::badSize, "out", expected, array);
    return false;
  }
  Py_INCREF(obj);
  out.array = array;
  return true;
}

// The picture the kernel paints: out, holding the given picture (copied in
// unless out is that picture), or a new C-ordered copy of it, painted with
// the steps of that layout. Out shares no memory with what is read while
// it is painted (`read`, checked by the caller) nor, unless it is the given
// picture itself, with the given picture.
bool paintedPicture(const Array &given, int type, bool toOut, Array &out,
                    korvel::Picture &picture) {
  if (!toOut) {
    out.array = reinterpret_cast<PyArrayObject *>(
        PyArray_FromArray(given.array, PyArray_DescrFromType(type),
                          NPY_ARRAY_CARRAY | NPY_ARRAY_ENSURECOPY | NPY_ARRAY_FORCECAST));
    if (!out.ok()) return false;
  } else if (PyArray_DATA(out.array) != PyArray_DATA(given.array) ||
             PyArray_TYPE(given.array) != type || !PyArray_ISCARRAY_RO(given.array)) {
    if (overlap(out, given)) {
      refuseShared("picture", "out");
      return false;
    }
    if (PyArray_CopyInto(out.array, given.array) < 0) return false;
  }
  const Count height = static_cast<Count>(out.dim(0)), width = static_cast<Count>(out.dim(1));
  picture = {nullptr, nullptr, height, width, 3 * width, 3, 1};
  if (type == NPY_UINT8)
    picture.bytes = out.data<std::uint8_t>();
  else
    picture.doubles = out.data<double>();
  return true;
}

bool pictureView(PyObject *obj, korvel::PictureView &view) {
  Array values;
  if (!numbers(obj, "view", 3, "3 real numbers (uMin, vMax, pixelsPerUnit)", values)) return false;
  const double *v = values.data<double>();
  view = {v[0], v[1], v[2]};
  if (korvel::usableView(view)) return true;
  refuse(PyExc_ValueError, Reason::badValue,
         "view must be (uMin, vMax, pixelsPerUnit) with uMin and vMax finite and pixelsPerUnit "
         "finite and above 0; got (%s, %s, %s)",
         Repr(v[0]).c(), Repr(v[1]).c(), Repr(v[2]).c());
  return false;
}

// A colour per item (a face, a segment), an (items, 3) array, or one for
// all, 3 numbers as a (3,) or (1, 3) array: channel k of item i at
// i * itemStep + k.
bool colourRows(PyObject *obj, Count items, const char *expected, Array &out, Count &itemStep) {
  if (!asDoubles(obj, "colours", expected, out)) return false;
  if ((out.ndim() == 1 && out.dim(0) == 3) ||
      (out.ndim() == 2 && out.dim(0) == 1 && out.dim(1) == 3)) {
    itemStep = 0;
    return true;
  }
  if (out.ndim() == 2 && out.dim(1) == 3 && static_cast<Count>(out.dim(0)) == items) {
    itemStep = 3;
    return true;
  }
  refuseArray(PyExc_ValueError, Reason::badSize, "colours", expected, out.array);
  return false;
}

// The painting order, zero-based rows of faces, as the kernel reads it:
// one-based face numbers as doubles.
bool paintOrder(PyObject *obj, Count faceCount, Array &out) {
  const char *expected = "a 1-D array of integer row indices of faces";
  Array given, wide;
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(obj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return false;
  const char kind = PyArray_DESCR(given.array)->kind;
  if (kind != 'i' && kind != 'u') {
    refuseArray(PyExc_TypeError, Reason::badClass, "order", expected, given.array);
    return false;
  }
  if (given.ndim() > 1) {
    refuseArray(PyExc_ValueError, Reason::badSize, "order", expected, given.array);
    return false;
  }
  const bool isUnsigned = kind == 'u';
  wide.array = reinterpret_cast<PyArrayObject *>(
      PyArray_FROMANY(reinterpret_cast<PyObject *>(given.array), isUnsigned ? NPY_UINT64 : NPY_INT64,
                      0, 0, NPY_ARRAY_CARRAY_RO | NPY_ARRAY_FORCECAST));
  if (!wide.ok()) return false;
  const npy_intp n = static_cast<npy_intp>(wide.size());
  out.array = newArray(1, &n, NPY_DOUBLE);
  if (!out.ok()) return false;
  double *to = out.data<double>();
  const Py_ssize_t rows = static_cast<Py_ssize_t>(faceCount);
  for (npy_intp k = 0; k < n; ++k) {
    if (isUnsigned) {
      const unsigned long long index = wide.data<std::uint64_t>()[k];
      if (index >= static_cast<unsigned long long>(faceCount)) {
        refuse(PyExc_ValueError, Reason::badIndex,
               "order[%zd] must be a row index of faces, 0 or more and below its %zd rows; got %llu",
               static_cast<Py_ssize_t>(k), rows, index);
        return false;
      }
      to[k] = static_cast<double>(index) + 1;
    } else {
      const long long index = wide.data<std::int64_t>()[k];
      if (index < 0 || index >= static_cast<long long>(faceCount)) {
        refuse(PyExc_ValueError, Reason::badIndex,
               "order[%zd] must be a row index of faces, 0 or more and below its %zd rows; got %lld",
               static_cast<Py_ssize_t>(k), rows, index);
        return false;
      }
      to[k] = static_cast<double>(index) + 1;
    }
  }
  return true;
}

PyObject *paintTriangles(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"picture", "view",    "uv",      "faces", "colours",
                                "order",   "threads", "winners", "out",   nullptr};
  PyObject *pictureObj, *viewArg, *uvArg, *facesArg, *coloursArg, *orderArg, *outArg = Py_None;
  Py_ssize_t threads = 0;
  int wantWinners = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOOOO|$npO:paint_triangles",
                                   const_cast<char **>(names), &pictureObj, &viewArg, &uvArg,
                                   &facesArg, &coloursArg, &orderArg, &threads, &wantWinners,
                                   &outArg))
    return nullptr;
  Array given, uv, givenFaces, faces, colours, order, result, winners;
  int type;
  korvel::PictureView view;
  Count colourStep;
  unsigned limit;
  if (!pictureArg(pictureObj, given, type) || !pictureView(viewArg, view) ||
      !pointColumns(uvArg, uv) || !corners(facesArg, givenFaces, faces))
    return nullptr;
  const Count faceCount = static_cast<Count>(faces.dim(0));
  if (!colourRows(coloursArg, faceCount,
                  "a (T, 3) array of real numbers, a colour per face, or 3 for every face",
                  colours, colourStep) ||
      (orderArg != Py_None && !paintOrder(orderArg, faceCount, order)) ||
      !threadLimit(threads, limit))
    return nullptr;
  // As the MEX command in place: out shares no memory with what is read
  // while it is painted (the order is a copy of its own).
  const bool toOut = outArg != Py_None;
  if (toOut) {
    if (!outPicture(outArg, given, type, result)) return nullptr;
    if (overlap(result, uv)) return refuseShared("uv", "out");
    if (overlap(result, faces)) return refuseShared("faces", "out");
    if (overlap(result, colours)) return refuseShared("colours", "out");
  }
  const Count points = static_cast<Count>(uv.dim(0));
  const korvel::TriangleScene scene = {uv.data<double>(),
                                       points,
                                       faces.data<std::int32_t>(),
                                       faceCount,
                                       colours.data<double>(),
                                       colourStep,
                                       1,
                                       order.ok() ? order.data<double>() : nullptr,
                                       order.ok() ? order.size() : 0,
                                       static_cast<Count>(uv.dim(1))};
  // The order is checked above; what is left is the corners.
  const korvel::Fault fault = korvel::paintTrianglesFault(scene);
  if (fault.found())
    return refuseCorner(givenFaces, fault, "a painted triangle", "a row index of uv", points,
                        "rows");
  korvel::Picture picture;
  if (!paintedPicture(given, type, toOut, result, picture)) return nullptr;
  korvel::WinnerMap map = {nullptr, picture.width, 1};
  if (wantWinners) {
    const npy_intp shape[2] = {result.dim(0), result.dim(1)};
    winners.array = reinterpret_cast<PyArrayObject *>(PyArray_ZEROS(2, shape, NPY_INT64, 0));
    if (!winners.ok()) return nullptr;
    map.values = static_cast<double *>(winners.data<void>());  // the kernel's doubles first
  }
  korvel::PaintOptions options;
  options.threads = limit;
  const Count pixels = picture.height * picture.width;
  Py_BEGIN_ALLOW_THREADS
  korvel::paintTriangles(picture, map, view, scene, options);
  if (map.values != nullptr) toZeroBased(map.values, pixels);
  Py_END_ALLOW_THREADS
  if (!wantWinners) return result.release();
  return Py_BuildValue("(NN)", result.release(), winners.release());
}

PyObject *paintStrokes(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"picture", "view",    "segments", "colours", "width",
                                "threads", "out",     nullptr};
  PyObject *pictureObj, *viewArg, *segmentsArg, *coloursArg, *widthArg, *outArg = Py_None;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOOOO|$nO:paint_strokes",
                                   const_cast<char **>(names), &pictureObj, &viewArg, &segmentsArg,
                                   &coloursArg, &widthArg, &threads, &outArg))
    return nullptr;
  Array given, segments, colours, result;
  int type;
  korvel::PictureView view;
  Count colourStep;
  double width;
  unsigned limit;
  if (!pictureArg(pictureObj, given, type) || !pictureView(viewArg, view) ||
      !rowsOf(segmentsArg, "segments", 4, "an (S, 4) array of real numbers (u1, v1, u2, v2)",
              segments))
    return nullptr;
  const Count count = static_cast<Count>(segments.dim(0));
  if (!colourRows(coloursArg, count,
                  "an (S, 3) array of real numbers, a colour per segment, or 3 for every segment",
                  colours, colourStep) ||
      !number(widthArg, "width", width) || !threadLimit(threads, limit))
    return nullptr;
  if (korvel::strokePenFault(width).found())
    return refuse(PyExc_ValueError, Reason::badValue,
                  "width must be a whole number from 1 to %d; got %s",
                  static_cast<int>(korvel::kWidestPen), Repr(width).c());
  const bool toOut = outArg != Py_None;
  if (toOut) {
    if (!outPicture(outArg, given, type, result)) return nullptr;
    if (overlap(result, segments)) return refuseShared("segments", "out");
    if (overlap(result, colours)) return refuseShared("colours", "out");
  }
  korvel::Picture picture;
  if (!paintedPicture(given, type, toOut, result, picture)) return nullptr;
  const korvel::StrokeScene scene = {segments.data<double>(), count, colours.data<double>(),
                                     colourStep, 1, static_cast<Count>(width)};
  Py_BEGIN_ALLOW_THREADS
  korvel::paintStrokes(picture, view, scene, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

const char *const kPngExpected =
    "an (H, W, 3) or (H, W) array of floats (0 to 1), uint8 or uint16 with at least one pixel";

PyObject *encodePng(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"picture", "threads", nullptr};
  PyObject *pictureObj;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$n:encode_png", const_cast<char **>(names),
                                   &pictureObj, &threads))
    return nullptr;
  Array given;
  given.array = reinterpret_cast<PyArrayObject *>(PyArray_FromAny(pictureObj, nullptr, 0, 0, 0, nullptr));
  if (!given.ok()) return nullptr;
  const int type = PyArray_TYPE(given.array);
  korvel::SampleType samples = korvel::SampleType::doubles;
  int wanted = NPY_DOUBLE;
  if (type == NPY_UINT8) {
    samples = korvel::SampleType::bytes;
    wanted = NPY_UINT8;
  } else if (type == NPY_UINT16) {
    samples = korvel::SampleType::words;
    wanted = NPY_UINT16;
  } else if (PyArray_DESCR(given.array)->kind != 'f') {
    return refuseArray(PyExc_TypeError, Reason::badClass, "picture", kPngExpected, given.array);
  }
  const int ndim = given.ndim();
  if (!(ndim == 2 || (ndim == 3 && given.dim(2) == 3)) || given.dim(0) == 0 || given.dim(1) == 0)
    return refuseArray(PyExc_ValueError, Reason::badSize, "picture", kPngExpected, given.array);
  unsigned limit;
  if (!threadLimit(threads, limit)) return nullptr;
  Array picture;
  picture.array = reinterpret_cast<PyArrayObject *>(
      PyArray_FromArray(given.array, PyArray_DescrFromType(wanted), NPY_ARRAY_IN_ARRAY));
  if (!picture.ok()) return nullptr;
  const Count height = static_cast<Count>(picture.dim(0)), width = static_cast<Count>(picture.dim(1));
  const Count channels = ndim == 3 ? 3 : 1;
  const korvel::PngSource source = {PyArray_DATA(picture.array), samples, height, width, channels,
                                    width * channels, channels, 1};
  korvel::PngEncoding encoding;
  bool started;
  Py_BEGIN_ALLOW_THREADS
  started = korvel::startPngEncoding(source, limit, encoding);
  Py_END_ALLOW_THREADS
  PyObject *file = started ? PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(encoding.size))
                           : nullptr;
  if (file == nullptr) {
    if (started) korvel::releasePngEncoding(encoding);
    PyErr_Clear();
    return refuse(PyExc_ValueError, Reason::tooLarge,
                  "picture is %zd-by-%zd: its PNG file would be more than this host can create "
                  "(a PNG's sides are below 2^31, its rows here below 2^30 bytes, and the file is "
                  "made in memory)",
                  static_cast<Py_ssize_t>(height), static_cast<Py_ssize_t>(width));
  }
  std::uint8_t *bytes = reinterpret_cast<std::uint8_t *>(PyBytes_AS_STRING(file));
  Py_BEGIN_ALLOW_THREADS
  korvel::finishPngEncoding(encoding, bytes);
  Py_END_ALLOW_THREADS
  return file;
}

// --- Arrays ---------------------------------------------------------------------------

PyObject *plateauLabels(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"a", "dtype", "threads", nullptr};
  PyObject *valuesArg;
  PyArray_Descr *dtype = nullptr;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|$O&n:plateau_labels",
                                   const_cast<char **>(names), &valuesArg,
                                   PyArray_DescrConverter2, &dtype, &threads))
    return nullptr;
  const int type = dtype == nullptr ? NPY_INT64 : dtype->type_num;
  Py_XDECREF(dtype);
  if (type != NPY_INT64 && type != NPY_DOUBLE)
    return refuse(PyExc_ValueError, Reason::badValue,
                  "dtype must be numpy.int64 or numpy.float64 (the kernel's own labels)");
  Array values, labels;
  unsigned limit;
  if (!asDoubles(valuesArg, "a", "an array of real numbers with at most 2 dimensions", values) ||
      !threadLimit(threads, limit))
    return nullptr;
  if (values.ndim() > 2)
    return refuseArray(PyExc_ValueError, Reason::badSize, "a",
                       "an array of real numbers with at most 2 dimensions", values.array);
  labels.array = newArray(values.ndim(), PyArray_DIMS(values.array), type);
  if (!labels.ok()) return nullptr;
  // Row-major numbering of a C-ordered (R, C) image is the core's
  // column-major numbering of its memory seen as C-by-R: the same cells,
  // neighbours along rows and columns swapped, which 4-connectivity does not
  // see. No copy.
  const Count rows = values.ndim() == 2 ? static_cast<Count>(values.dim(1)) : values.size();
  const Count columns = values.ndim() == 2 ? static_cast<Count>(values.dim(0)) : (rows > 0 ? 1 : 0);
  const double *in = values.data<double>();
  double *out = labels.data<double>();
  korvel::PlateauOptions options;
  options.threads = limit;
  const bool whole = type == NPY_INT64;
  Py_BEGIN_ALLOW_THREADS
  korvel::plateauLabels(in, rows, columns, out, options);
  // The labels are whole doubles below 2^53: exact as int64, in place.
  if (whole)
    korvel::runParallelRanges(korvel::kOffsetSplit, limit, rows * columns,
                              [out](Count first, Count end, unsigned) {
                                for (Count p = first; p < end; ++p) {
                                  const std::int64_t label = static_cast<std::int64_t>(out[p]);
                                  std::memcpy(out + p, &label, sizeof label);
                                }
                              });
  Py_END_ALLOW_THREADS
  return labels.release();
}

PyObject *valueSwap(PyObject *, PyObject *args, PyObject *kwargs) {
  static const char *names[] = {"a", "old", "new", "threads", nullptr};
  PyObject *valuesArg, *fromArg, *toArg;
  Py_ssize_t threads = 0;
  if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OOO|$n:value_swap", const_cast<char **>(names),
                                   &valuesArg, &fromArg, &toArg, &threads))
    return nullptr;
  Array values, from, to, result;
  unsigned limit;
  if (!asDoubles(valuesArg, "a", "an array of real numbers", values) ||
      !asDoubles(fromArg, "old", "P real numbers", from))
    return nullptr;
  const Count pairs = from.size();
  if (!asDoubles(toArg, "new", "as many real numbers as old", to)) return nullptr;
  if (to.size() != pairs) {
    PyObject *text = describe(to.array);
    if (text == nullptr) return nullptr;
    refuse(PyExc_ValueError, Reason::badSize, "new must hold as many real numbers as old (%zd); got %U",
           static_cast<Py_ssize_t>(pairs), text);
    Py_DECREF(text);
    return nullptr;
  }
  if (!threadLimit(threads, limit)) return nullptr;
  result.array = newArray(values.ndim(), PyArray_DIMS(values.array), NPY_DOUBLE);
  if (!result.ok()) return nullptr;
  const double *in = values.data<double>(), *f = from.data<double>(), *t = to.data<double>();
  double *out = result.data<double>();
  const Count count = values.size();
  Py_BEGIN_ALLOW_THREADS
  korvel::valueSwap(in, count, f, t, pairs, out, limit);
  Py_END_ALLOW_THREADS
  return result.release();
}

// --- The module ---------------------------------------------------------------------

#include "docstrings.h"

PyMethodDef methods[] = {
    {"offset", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(offset)),
     METH_VARARGS | METH_KEYWORDS, kOffsetDoc},
    {"spin", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(spin)),
     METH_VARARGS | METH_KEYWORDS, kSpinDoc},
    {"to_viewer", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(toViewer)),
     METH_VARARGS | METH_KEYWORDS, kToViewerDoc},
    {"ranges", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(ranges)),
     METH_VARARGS | METH_KEYWORDS, kRangesDoc},
    {"torus_screen", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(torusScreen)),
     METH_VARARGS | METH_KEYWORDS, kTorusScreenDoc},
    {"cone_screen", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(coneScreen)),
     METH_VARARGS | METH_KEYWORDS, kConeScreenDoc},
    {"face_shown", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(faceShown)),
     METH_VARARGS | METH_KEYWORDS, kFaceShownDoc},
    {"depth_order", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(depthOrder)),
     METH_VARARGS | METH_KEYWORDS, kDepthOrderDoc},
    {"stroke_text", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(strokeText)),
     METH_VARARGS | METH_KEYWORDS, kStrokeTextDoc},
    {"paint_triangles", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(paintTriangles)),
     METH_VARARGS | METH_KEYWORDS, kPaintTrianglesDoc},
    {"paint_strokes", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(paintStrokes)),
     METH_VARARGS | METH_KEYWORDS, kPaintStrokesDoc},
    {"encode_png", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(encodePng)),
     METH_VARARGS | METH_KEYWORDS, kEncodePngDoc},
    {"plateau_labels", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(plateauLabels)),
     METH_VARARGS | METH_KEYWORDS, kPlateauLabelsDoc},
    {"value_swap", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(valueSwap)),
     METH_VARARGS | METH_KEYWORDS, kValueSwapDoc},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef module = {PyModuleDef_HEAD_INIT, "korvel", kModuleDoc, -1, methods,
                      nullptr, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit_korvel() {
  import_array();
  PyObject *m = PyModule_Create(&module);
  if (m == nullptr) return nullptr;
  if (PyModule_AddStringConstant(m, "__version__", KORVEL_VERSION) < 0 ||
      PyModule_AddObject(m, "FIXED_TORUS_SCREEN",
                         Py_BuildValue("{sdsd}", "gain", korvel::kFixedTorusScreen.gain, "horizon",
                                       korvel::kFixedTorusScreen.horizon)) < 0 ||
      PyModule_AddObject(m, "FIXED_CONE_SCREEN",
                         Py_BuildValue("{sdsd}", "radial", korvel::kFixedConeScreen.radial,
                                       "vertical", korvel::kFixedConeScreen.vertical)) < 0) {
    Py_DECREF(m);
    return nullptr;
  }
  return m;
}
