// libFuzzer target of the C interface (bindings/c/korvel.h): decodes the
// fuzzer's bytes into a call of one of its functions, each array anywhere in
// one arena of this target's, null, or over another, with a count that fits
// the arena from there or one that no array can have, and checks:
//   - no memory fault or undefined behaviour (AddressSanitizer, UBSan);
//   - the status is a korvel_status with a name, and the fault record holds it;
//   - a refused call leaves every byte of the arena as it was (a badIndex of
//     korvel_face_shown: every byte outside `shown`);
//   - an accepted call was handed no null array with elements, no count that
//     no array can have and no written array over another, changed nothing
//     but what it writes, and gives the bits of the reference
//     (tests/support/reference.h).
// A broken promise prints what happened and aborts, so libFuzzer keeps the input.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "korvel.h"
#include "reference.h"

namespace {

const std::size_t kArenaBytes = 4096;
alignas(8) unsigned char arena[kArenaBytes];
alignas(8) unsigned char before[kArenaBytes];
int function = 0;

[[noreturn]] void broken(const char *promise) {
  std::fprintf(stderr, "\nthe C interface broke a promise (function %d): %s\n", function, promise);
  std::abort();
}

// The fuzzer's bytes in order, zeros past their end.
struct Reader {
  const std::uint8_t *data;
  std::size_t size, at;
  std::uint8_t byte() { return at < size ? data[at++] : 0; }
  // Special values, quarters from -4 to 28 (counters and codes), or any bits.
  double number() {
    static const double kSpecial[] = {0.0, -0.0, 1.0, -1.5, NAN, INFINITY, -INFINITY, 1e300, 4.9e-324};
    const std::uint8_t kind = byte();
    if (kind < 64) return kSpecial[kind % 9];
    if (kind < 192) return (kind - 64) / 4.0 - 4;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits = bits << 8 | byte();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
};

// Every 8-byte slot of the arena from the fuzzer: a number, two int32s from
// -2 to 9 or eight bytes from 0 to 2 (corners and masks often in range), or
// any bytes.
void fill(Reader &in) {
  for (unsigned char *slot = arena; slot < arena + kArenaBytes; slot += 8) {
    const int kind = in.byte() % 4;
    if (kind == 0) {
      const double value = in.number();
      std::memcpy(slot, &value, 8);
    }
    for (int i = 0; kind == 1 && i < 2; ++i) {
      const std::int32_t corner = in.byte() % 12 - 2;
      std::memcpy(slot + 4 * i, &corner, 4);
    }
    for (int i = 0; kind >= 2 && i < 8; ++i) slot[i] = kind == 2 ? in.byte() % 3 : in.byte();
  }
}

// An array handed to the call: written by it, read, or read before any write
// (korvel_stroke_text's ORIGIN and COLOUR, which may share).
enum Use { kRead, kWritten, kMayShare };
struct Span {
  const unsigned char *start;
  std::size_t bytes;
  Use use;
  bool nullWithElements;
};
std::vector<Span> spans;
bool unplaceable = false;  // a count that no array can have was handed over

unsigned char *place(Reader &in, std::size_t size, std::size_t room) {
  const std::uint8_t where = in.byte(), low = in.byte();
  return where == 255 ? nullptr : arena + (where << 8 | low) % room * size;
}

// `items` of `width` elements each, anywhere in the arena or null, as many
// as fit from there on or, now and then, a count that no array can have.
template <typename Element>
Element *sized(Reader &in, std::size_t width, std::size_t &items, Use use) {
  const std::size_t size = sizeof(Element);
  unsigned char *start = place(in, size, kArenaBytes / size);
  const std::uint8_t how = in.byte();
  if (how >= 250 && width > 0) {
    const std::size_t huge[] = {SIZE_MAX, SIZE_MAX / width + (width > 1), (std::size_t{1} << 53) / width + 1};
    items = huge[how % 3];
    unplaceable = true;
  } else {
    const std::size_t room = start == nullptr ? 3 : width == 0 ? 40 : (arena + kArenaBytes - start) / (size * width);
    items = how % (room + 1);
    spans.push_back({start, items * width * size, use, start == nullptr && items * width > 0});
  }
  return reinterpret_cast<Element *>(start);
}

// `count` elements (a count that an earlier array set, or a fixed one) where
// they fit, or null; anywhere when they fit nowhere.
template <typename Element>
Element *placed(Reader &in, std::size_t count, Use use, bool mayBeNull = false) {
  const std::size_t size = sizeof(Element), slots = kArenaBytes / size;
  const bool fits = count <= slots;
  unsigned char *start = place(in, size, fits ? slots - count + 1 : slots);
  if (fits) spans.push_back({start, count * size, use, start == nullptr && count > 0 && !mayBeNull});
  unplaceable = unplaceable || !fits;
  return reinterpret_cast<Element *>(start);
}

// The same place in the arena as it was before the call.
template <typename Element>
const Element *old(const Element *p) {
  if (p == nullptr) return nullptr;
  return reinterpret_cast<const Element *>(before + (reinterpret_cast<const unsigned char *>(p) - arena));
}
std::vector<double> oldDoubles(const double *p, std::size_t count) {
  return count == 0 ? std::vector<double>() : std::vector<double>(old(p), old(p) + count);
}

bool overlap(const Span &a, const Span &b) {
  return a.start != nullptr && b.start != nullptr && a.bytes > 0 && b.bytes > 0 && a.start < b.start + b.bytes &&
         b.start < a.start + a.bytes;
}

// Every byte of the arena as it was, but in the written arrays when spared.
bool unchanged(bool spareWritten) {
  if (std::memcmp(arena, before, kArenaBytes) == 0) return true;
  for (std::size_t i = 0; i < kArenaBytes; ++i) {
    bool spared = false;
    for (const Span &s : spans)
      spared = spared || (spareWritten && s.use == kWritten && s.start != nullptr && arena + i >= s.start &&
                          arena + i < s.start + s.bytes);
    if (!spared && arena[i] != before[i]) return false;
  }
  return true;
}

void expectSame(const std::vector<double> &expected, const double *actual) {
  for (std::size_t i = 0; i < expected.size(); ++i)
    if (!(std::isnan(expected[i]) && std::isnan(actual[i])) && std::memcmp(&expected[i], &actual[i], 8) != 0)
      broken("a result differs from the reference");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  Reader in{data, size, 0};
  spans.clear();
  unplaceable = false;
  function = in.byte() % 10;
  const unsigned threads = in.byte() % 4;
  const double a = in.number(), b = in.number();
  auto ready = [&in]() {
    fill(in);
    std::memcpy(before, arena, kArenaBytes);
  };
  korvel_fault fault;
  int status = -1;
  bool partly = false;  // a refusal that leaves its result written in part
  std::vector<double> expected;
  const double *output = nullptr;  // where the call wrote what `expected` holds
  switch (function) {
    case 6: {
      std::size_t strokeColumns, colourColumns, tableColumns, count;
      double *strokes = sized<double>(in, 4, strokeColumns, kWritten);
      double *colours = sized<double>(in, 6, colourColumns, kWritten);
      double *counter = placed<double>(in, 1, kWritten);
      const double *table = sized<double>(in, 4, tableColumns, kRead);
      const double *codes = sized<double>(in, 1, count, kRead);
      const double *origin = placed<double>(in, 2, kMayShare), *colour = placed<double>(in, 3, kMayShare);
      ready();
      status = korvel_stroke_text(strokes, strokeColumns, colours, colourColumns, counter, table, tableColumns,
                                  codes, count, a, origin, b, colour, &fault);
      if (status != KORVEL_OK) break;
      std::vector<double> strokesAfter = oldDoubles(strokes, 4 * strokeColumns);
      std::vector<double> coloursAfter = oldDoubles(colours, 6 * colourColumns);
      double counterAfter = *old(counter);
      reference::strokeText(strokesAfter, coloursAfter, counterAfter, old(table), old(codes), count, a, old(origin),
                            b, old(colour));
      expectSame(strokesAfter, strokes);
      expectSame(coloursAfter, colours);
      expectSame({counterAfter}, counter);
      break;
    }
    case 7: {
      std::size_t triangles, points;
      const std::int32_t *faces = sized<std::int32_t>(in, 3, triangles, kRead);
      const double *screen = sized<double>(in, 3, points, kRead);
      const std::uint8_t *mask = placed<std::uint8_t>(in, triangles, kRead);
      double *shown = placed<double>(in, triangles, kWritten);
      ready();
      status = korvel_face_shown(faces, triangles, screen, points, mask, shown, threads, &fault);
      partly = status == KORVEL_BAD_INDEX;
      if (status != KORVEL_OK && !partly) break;
      std::vector<double> flags;
      if (reference::faceShown(old(faces), triangles, old(mask), old(screen), points, flags) == partly)
        broken("a corner outside the screen was not refused, or one inside was");
      if (!partly) {
        expected = flags;
        output = shown;
      }
      break;
    }
    case 8: {
      const std::size_t columns = in.byte() % 12;
      std::size_t rows;
      const double *values = sized<double>(in, columns, rows, kRead);
      double *labels = placed<double>(in, rows * columns, kWritten);
      std::size_t *regions = placed<std::size_t>(in, 1, kWritten, true);
      ready();
      status = korvel_plateau_labels(values, rows, columns, labels, regions, threads, &fault);
      if (status != KORVEL_OK) break;
      expected = reference::plateauLabels(oldDoubles(values, rows * columns), rows, columns);
      output = labels;
      double last = 0;
      for (double label : expected) last = label > last ? label : last;
      if (regions != nullptr && static_cast<double>(*regions) != last) broken("the region count is not the last label");
      break;
    }
    case 9: {
      std::size_t count, pairs;
      const double *values = sized<double>(in, 1, count, kRead);
      const double *from = sized<double>(in, 1, pairs, kRead);
      const double *to = placed<double>(in, pairs, kRead);
      double *result = placed<double>(in, count, kWritten);
      ready();
      status = korvel_value_swap(values, count, from, to, pairs, result, threads, &fault);
      if (status != KORVEL_OK) break;
      expected = reference::valueSwap(oldDoubles(values, count), old(from), old(to), pairs);
      output = result;
      break;
    }
    default: {  // the point functions
      std::size_t n;
      const double *points = sized<double>(in, 3, n, kRead);
      const double *position = function == 0 || function == 2 ? placed<double>(in, 3, kRead) : nullptr;
      double *result = placed<double>(in, function == 3 ? n : 3 * n, kWritten);
      ready();
      if (function == 0) status = korvel_offset(points, n, position, result, threads, &fault);
      if (function == 1) status = korvel_spin(points, n, a, result, threads, &fault);
      if (function == 2) status = korvel_to_viewer(points, n, position, a, result, threads, &fault);
      if (function == 3) status = korvel_range(points, n, result, threads, &fault);
      if (function == 4) status = korvel_torus_screen(points, n, a, b, result, threads, &fault);
      if (function == 5) status = korvel_cone_screen(points, n, a, b, result, threads, &fault);
      if (status != KORVEL_OK) break;
      const std::vector<double> p = oldDoubles(points, 3 * n);
      expected = function == 0   ? reference::offset(p, old(position))
                 : function == 1 ? reference::spin(p, a)
                 : function == 2 ? reference::spin(reference::offset(p, old(position)), a)
                 : function == 3 ? reference::range(p)
                 : function == 4 ? reference::torus(p, a, b)
                                 : reference::cone(p, a, b);
      output = result;
    }
  }

  if (status < KORVEL_OK || status > KORVEL_NULL_POINTER || fault.reason != status ||
      std::strcmp(korvel_status_name(status), "unknown") == 0)
    broken("the status is no korvel_status, or the fault record holds another");
  if (status != KORVEL_OK) {
    if (!unchanged(partly)) broken("a refused call changed the arena");
    return 0;
  }
  if (unplaceable) broken("a count that no array can have was accepted");
  for (std::size_t i = 0; i < spans.size(); ++i) {
    if (spans[i].nullWithElements) broken("a null array with elements was accepted");
    for (std::size_t j = 0; j < spans.size(); ++j)
      if (i != j && spans[i].use == kWritten && spans[j].use != kMayShare && overlap(spans[i], spans[j]))
        broken("a written array over another was accepted");
  }
  if (!unchanged(true)) broken("an accepted call wrote outside its results");
  if (output != nullptr) expectSame(expected, output);
  return 0;
}
