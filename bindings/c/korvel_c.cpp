// The C interface (korvel.h) over the core. The MEX gateways check what the
// host's arrays say of themselves; a C caller states sizes and hands
// pointers instead, so this checks what those can get wrong (sizes no array
// has, null pointers, a written array over another) and takes every check of
// values from the core, in the order the gateways make theirs. No host
// header: the library needs the C library alone.
#include "korvel.h"

#include <cstdint>
#include <initializer_list>

#include "../../arrays/plateau_labels.h"
#include "../../arrays/value_swap.h"
#include "../../core/fault.h"
#include "../../core/overlap.h"
#include "../../projections/cone_screen.h"
#include "../../projections/torus_screen.h"
#include "../../scene/face_shown.h"
#include "../../scene/stroke_text.h"
#include "../../transforms/offset.h"
#include "../../transforms/range.h"
#include "../../transforms/spin.h"
#include "../../transforms/to_viewer.h"

namespace {

using korvel::Count;
using korvel::Fault;
using korvel::Reason;

// The fault's argument of a function's result.
const int kResult = -1;

// The most elements an array may be said to hold: below 2^53, so that every
// position in it and one past its end are exact in a double, as the kernels
// compute column numbers and labels.
const std::uint64_t kMostElements = (std::uint64_t{1} << 53) - 1;

// An array a call is handed: its input position (kResult for a result), its
// data, and its size, `items` of `width` elements of `bytes` bytes each.
struct Array {
  int argument;
  const void *data;
  Count items;
  Count width;
  std::size_t bytes;
  Count elements() const { return items * width; }
};

Array doubles(int argument, const double *data, Count items, Count width = 1) {
  return {argument, data, items, width, sizeof(double)};
}

// Whether two arrays share a byte; core/overlap.h's test for two of doubles.
bool sharesMemory(const Array &a, const Array &b) {
  if (a.bytes == sizeof(double) && b.bytes == sizeof(double))
    return korvel::overlapping(static_cast<const double *>(a.data), a.elements(),
                               static_cast<const double *>(b.data), b.elements());
  const Count aBytes = a.elements() * a.bytes, bBytes = b.elements() * b.bytes;
  if (aBytes == 0 || bBytes == 0) return false;
  const std::uintptr_t aStart = reinterpret_cast<std::uintptr_t>(a.data);
  const std::uintptr_t bStart = reinterpret_cast<std::uintptr_t>(b.data);
  return aStart < bStart + bBytes && bStart < aStart + aBytes;
}

int statusOf(Reason reason) {
  switch (reason) {
    case Reason::none: return KORVEL_OK;
    case Reason::badSize: return KORVEL_BAD_SIZE;
    case Reason::badIndex: return KORVEL_BAD_INDEX;
    case Reason::tooLarge: return KORVEL_TOO_LARGE;
    case Reason::sharedData: return KORVEL_SHARED_DATA;
    default: return KORVEL_BAD_VALUE;  // the core finds no other reason
  }
}

// A call's checks in order: the first refusal stands, and every check after
// it does nothing.
class Checks {
 public:
  explicit Checks(korvel_fault *out) : out_(out) {}
  bool ok() const { return fault_.reason == KORVEL_OK; }

  // Each array of a size that an array can have, and with data if it has
  // elements.
  void require(std::initializer_list<Array> arrays) {
    for (const Array &array : arrays) {
      if (!ok()) return;
      const std::uint64_t fitting = SIZE_MAX / array.bytes;
      const std::uint64_t most = fitting < kMostElements ? fitting : kMostElements;
      if (array.width != 0 && array.items > most / array.width)
        refuse(KORVEL_TOO_LARGE, array.argument);
      else if (array.elements() > 0 && array.data == nullptr)
        refuse(KORVEL_NULL_POINTER, array.argument);
    }
  }

  // No two written arrays share memory, nor a written one with one read, in
  // gateway::requireDisjoint's order: the fault's argument is the array over
  // a written one, and its element that written one when it is an input.
  void disjoint(std::initializer_list<Array> written, std::initializer_list<Array> read) {
    for (const Array *later = written.begin(); later != written.end(); ++later)
      for (const Array *earlier = written.begin(); earlier != later; ++earlier)
        apart(*later, *earlier);
    for (const Array &input : read)
      for (const Array &writtenArray : written) apart(input, writtenArray);
  }

  // A fault the core found.
  void take(const Fault &fault) {
    if (!ok() || !fault.found()) return;
    fault_ = {statusOf(fault.reason), fault.argument, fault.element, fault.row,
              fault.value,           fault.first,    fault.last};
  }

  int finish() const {
    if (out_ != nullptr) *out_ = fault_;
    return fault_.reason;
  }

 private:
  void refuse(int status, int argument, Count element = 0) {
    fault_ = {status, argument, element, 0, 0, 0, 0};
  }
  void apart(const Array &input, const Array &writtenArray) {
    if (ok() && sharesMemory(input, writtenArray))
      refuse(KORVEL_SHARED_DATA, input.argument,
             writtenArray.argument == kResult ? 0 : static_cast<Count>(writtenArray.argument));
  }

  korvel_fault *out_;
  korvel_fault fault_ = {KORVEL_OK, 0, 0, 0, 0, 0, 0};
};

}  // namespace

const char *korvel_status_name(int status) {
  switch (status) {
    case KORVEL_OK: return "ok";
    case KORVEL_BAD_SIZE: return korvel::reasonName(Reason::badSize);
    case KORVEL_BAD_INDEX: return korvel::reasonName(Reason::badIndex);
    case KORVEL_BAD_VALUE: return korvel::reasonName(Reason::badValue);
    case KORVEL_TOO_LARGE: return korvel::reasonName(Reason::tooLarge);
    case KORVEL_SHARED_DATA: return korvel::reasonName(Reason::sharedData);
    case KORVEL_NULL_POINTER: return "nullPointer";
  }
  return "unknown";
}

int korvel_offset(const double *points, size_t n, const double *position, double *result,
                  unsigned threads, korvel_fault *fault) {
  const Array p = doubles(0, points, n, 3), pos = doubles(1, position, 3);
  const Array r = doubles(kResult, result, n, 3);
  Checks checks(fault);
  checks.require({p, pos, r});
  checks.disjoint({r}, {p, pos});
  if (checks.ok()) korvel::offset(points, n, position, result, threads);
  return checks.finish();
}

int korvel_spin(const double *points, size_t n, double angle, double *result, unsigned threads,
                korvel_fault *fault) {
  const Array p = doubles(0, points, n, 3), r = doubles(kResult, result, n, 3);
  Checks checks(fault);
  checks.require({p, r});
  checks.disjoint({r}, {p});
  if (checks.ok()) korvel::spin(points, n, angle, result, threads);
  return checks.finish();
}

int korvel_to_viewer(const double *points, size_t n, const double *position, double angle,
                     double *result, unsigned threads, korvel_fault *fault) {
  const Array p = doubles(0, points, n, 3), pos = doubles(1, position, 3);
  const Array r = doubles(kResult, result, n, 3);
  Checks checks(fault);
  checks.require({p, pos, r});
  checks.disjoint({r}, {p, pos});
  if (checks.ok()) korvel::toViewer(points, n, position, angle, result, threads);
  return checks.finish();
}

int korvel_range(const double *points, size_t n, double *ranges, unsigned threads,
                 korvel_fault *fault) {
  const Array p = doubles(0, points, n, 3), r = doubles(kResult, ranges, n);
  Checks checks(fault);
  checks.require({p, r});
  checks.disjoint({r}, {p});
  if (checks.ok()) korvel::pointRanges(points, n, ranges, threads);
  return checks.finish();
}

int korvel_torus_screen(const double *points, size_t n, double gain, double horizon,
                        double *result, unsigned threads, korvel_fault *fault) {
  const korvel::TorusScreen screen = {gain, horizon};
  const Array p = doubles(0, points, n, 3), r = doubles(kResult, result, n, 3);
  Checks checks(fault);
  checks.require({p});
  checks.take(korvel::torusScreenFault(screen));
  checks.require({r});
  checks.disjoint({r}, {p});
  if (checks.ok()) korvel::torusScreen(points, n, screen, result, threads);
  return checks.finish();
}

int korvel_cone_screen(const double *points, size_t n, double radial, double vertical,
                       double *result, unsigned threads, korvel_fault *fault) {
  const korvel::ConeScreen screen = {radial, vertical};
  const Array p = doubles(0, points, n, 3), r = doubles(kResult, result, n, 3);
  Checks checks(fault);
  checks.require({p});
  checks.take(korvel::coneScreenFault(screen));
  checks.require({r});
  checks.disjoint({r}, {p});
  if (checks.ok()) korvel::coneScreen(points, n, screen, result, threads);
  return checks.finish();
}

int korvel_face_shown(const int32_t *faces, size_t triangles, const double *screen,
                      size_t screen_columns, const uint8_t *mask, double *shown,
                      unsigned threads, korvel_fault *fault) {
  const Array f = {0, faces, triangles, 3, sizeof *faces};
  const Array s = doubles(1, screen, screen_columns, 3);
  const Array m = {2, mask, triangles, 1, sizeof *mask};
  const Array d = doubles(kResult, shown, triangles);
  Checks checks(fault);
  checks.require({f, s, m, d});
  checks.disjoint({d}, {f, s, m});
  if (checks.ok())
    checks.take(korvel::faceShown(faces, triangles, screen, screen_columns, mask, shown, threads));
  return checks.finish();
}

int korvel_stroke_text(double *strokes, size_t stroke_columns, double *colours,
                       size_t colour_columns, double *counter, const double *table,
                       size_t table_columns, const double *codes, size_t count, double scale,
                       const double *origin, double position, const double *colour,
                       korvel_fault *fault) {
  const Array b = doubles(korvel::kStrokeBuffer, strokes, stroke_columns, 4);
  const Array c = doubles(korvel::kColourBuffer, colours, colour_columns, 6);
  const Array n = doubles(korvel::kStrokeCounter, counter, 1);
  const Array t = doubles(korvel::kStrokeTable, table, table_columns, 4);
  const Array k = doubles(korvel::kStrokeCodes, codes, count);
  // ORIGIN and COLOUR, inputs 6 and 8, are read before the first write.
  const Array o = doubles(6, origin, 2), rgb = doubles(8, colour, 3);
  Checks checks(fault);
  checks.require({b, c, n, t, k, o, rgb});
  checks.disjoint({b, c, n}, {t, k});
  if (!checks.ok()) return checks.finish();
  const double start = *counter;
  checks.take(korvel::strokeTextFault(start, codes, count, table_columns, stroke_columns,
                                      colour_columns));
  if (checks.ok())
    *counter = korvel::strokeText(strokes, colours, start, table, codes, count, scale, origin,
                                  position, colour);
  return checks.finish();
}

int korvel_plateau_labels(const double *values, size_t rows, size_t columns, double *labels,
                          size_t *regions, unsigned threads, korvel_fault *fault) {
  const Array a = doubles(0, values, rows, columns), l = doubles(kResult, labels, rows, columns);
  const Array count = {kResult, regions, regions != nullptr ? 1u : 0u, 1, sizeof *regions};
  Checks checks(fault);
  checks.require({a, l});
  checks.disjoint({l, count}, {a});
  if (checks.ok()) {
    korvel::PlateauOptions options;
    options.threads = threads;
    const Count found = korvel::plateauLabels(values, rows, columns, labels, options);
    if (regions != nullptr) *regions = found;
  }
  return checks.finish();
}

int korvel_value_swap(const double *values, size_t count, const double *from, const double *to,
                      size_t pairs, double *result, unsigned threads, korvel_fault *fault) {
  const Array a = doubles(0, values, count), f = doubles(1, from, pairs);
  const Array t = doubles(2, to, pairs), r = doubles(kResult, result, count);
  Checks checks(fault);
  checks.require({a, f, t, r});
  checks.disjoint({r}, {a, f, t});
  if (checks.ok()) korvel::valueSwap(values, count, from, to, pairs, result, threads);
  return checks.finish();
}
