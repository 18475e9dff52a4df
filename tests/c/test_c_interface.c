/* The C interface from C: each function once on a tiny input, a refusal of
 * each kind, and the status names. The corpus through the interface
 * (korvel_run --c-interface) holds every function to the plug-ins' bits. */
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "korvel.h"

static int failures = 0;

#define CHECK(condition)                                            \
  do {                                                              \
    if (!(condition)) {                                             \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                   \
    }                                                               \
  } while (0)

static int same(const double *a, const double *b, size_t count) {
  return memcmp(a, b, count * sizeof *a) == 0;
}

static void answers(void) {
  const double points[6] = {1, 2, 3, 4, 5, 6}, position[3] = {1, 1, 1};
  const double moved[6] = {0, 1, 2, 3, 4, 5};
  double out[9], turned[6];
  korvel_fault fault;
  fault.reason = -1;
  CHECK(korvel_offset(points, 2, position, out, 0, &fault) == KORVEL_OK && same(out, moved, 6));
  CHECK(fault.reason == KORVEL_OK && fault.argument == 0 && fault.element == 0);

  /* Turned by minus the angle: a quarter turn takes x to -y. */
  const double east[3] = {1, 0, 5};
  CHECK(korvel_spin(east, 1, 1.5707963267948966, out, 1, NULL) == KORVEL_OK);
  CHECK(fabs(out[0]) < 1e-15 && out[1] == -1 && out[2] == 5);
  CHECK(korvel_spin(moved, 2, 0.7, turned, 0, NULL) == KORVEL_OK);
  CHECK(korvel_to_viewer(points, 2, position, 0.7, out, 0, NULL) == KORVEL_OK);
  CHECK(same(out, turned, 6));

  const double far[3] = {3, 4, 12};
  CHECK(korvel_range(far, 1, out, 0, NULL) == KORVEL_OK && out[0] == 13);

  /* Level: at the horizon radius; steep: clamped to the rim, flag 0. */
  const double level_steep[6] = {1, 0, 0, 0.001, 0, 1};
  const double torus[6] = {KORVEL_FIXED_TORUS_HORIZON, 0, 1, 1, 0, 0};
  CHECK(korvel_torus_screen(level_steep, 2, KORVEL_FIXED_TORUS_GAIN, KORVEL_FIXED_TORUS_HORIZON,
                            out, 0, NULL) == KORVEL_OK && same(out, torus, 6));
  const double cone[3] = {1.0 / KORVEL_FIXED_CONE_RADIAL, 0, 1};
  CHECK(korvel_cone_screen(level_steep, 1, KORVEL_FIXED_CONE_RADIAL, KORVEL_FIXED_CONE_VERTICAL,
                           out, 0, NULL) == KORVEL_OK && same(out, cone, 3));

  const int32_t faces[6] = {0, 1, 2, 2, 3, 1};
  const double screen[12] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  const uint8_t mask[2] = {1, 0};
  const double shown[2] = {1, 0};
  CHECK(korvel_face_shown(faces, 2, screen, 4, mask, out, 0, NULL) == KORVEL_OK &&
        same(out, shown, 2));

  const double values[9] = {1, 1, 1, 0, 0, 1, 1, 1, 1}, labels[9] = {1, 1, 1, 2, 2, 1, 1, 1, 1};
  size_t regions = 0;
  CHECK(korvel_plateau_labels(values, 3, 3, out, &regions, 0, NULL) == KORVEL_OK);
  CHECK(same(out, labels, 9) && regions == 2);

  const double from[3] = {1, 2, 5}, to[3] = {2, 3, 9}, swapped[6] = {2, 3, 3, 4, 9, 6};
  CHECK(korvel_value_swap(points, 6, from, to, 3, out, 0, NULL) == KORVEL_OK &&
        same(out, swapped, 6));
}

/* korvel_stroke_text's example: two strokes into columns 1 and 2. */
static const double table[8] = {0.25, 0.5, 0.75, 1, 0, 0, 1, 1}, origin[2] = {100, 20};
static const double colour[3] = {0.1, 0.2, 0.3};

static void strokes(void) {
  double b[12] = {0}, c[18] = {0}, n = 1, codes[2] = {2, 1.5};
  const double strokes_after[12] = {0, 0, 0, 0, 120, 20, 130, 30, 122.5, 25, 127.5, 30};
  korvel_fault fault;
  CHECK(korvel_stroke_text(b, 3, c, 3, &n, table, 2, codes, 2, 10, origin, 3, colour, &fault) ==
        KORVEL_OK);
  CHECK(same(b, strokes_after, 12) && n == 3 && c[5] == 0 && c[6] == 0.1 && c[17] == 0.3);

  /* Refused calls write nothing. */
  double before[12];
  memcpy(before, b, sizeof b);
  CHECK(korvel_stroke_text(b, 3, c, 3, &n, table, 2, codes, 1, 10, origin, 3, colour, &fault) ==
        KORVEL_BAD_SIZE);
  CHECK(fault.argument == 0 && fault.first == 3 && fault.last == 3 && n == 3);
  n = -1;
  CHECK(korvel_stroke_text(b, 3, c, 3, &n, table, 2, codes, 1, 10, origin, 3, colour, &fault) ==
        KORVEL_BAD_VALUE && fault.argument == 2 && fault.value == -1);
  n = 0;
  codes[1] = 3;
  CHECK(korvel_stroke_text(b, 3, c, 3, &n, table, 2, codes, 2, 10, origin, 3, colour, &fault) ==
        KORVEL_BAD_INDEX && fault.argument == 4 && fault.element == 1 && fault.value == 3);
  CHECK(korvel_stroke_text(b, 3, b + 2, 1, &n, table, 2, codes, 1, 10, origin, 3, colour, &fault) ==
        KORVEL_SHARED_DATA && fault.argument == 1 && fault.element == 0);
  CHECK(korvel_stroke_text(b, 3, c, 3, &n, b, 2, codes, 1, 10, origin, 3, colour, &fault) ==
        KORVEL_SHARED_DATA && fault.argument == 3);
  CHECK(same(b, before, 12) && n == 0);
}

static void refusals(void) {
  const double points[6] = {1, 2, 3, 4, 5, 6};
  double out[6];
  korvel_fault fault;
  CHECK(korvel_offset(NULL, 2, points, out, 0, &fault) == KORVEL_NULL_POINTER &&
        fault.argument == 0);
  CHECK(korvel_range(points, 2, NULL, 0, &fault) == KORVEL_NULL_POINTER && fault.argument == -1);
  CHECK(korvel_offset(NULL, 0, points, NULL, 0, NULL) == KORVEL_OK);
  CHECK(korvel_offset(points, 0, NULL, NULL, 0, NULL) == KORVEL_NULL_POINTER);
  CHECK(korvel_spin(out, 1, 0, out + 2, 0, &fault) == KORVEL_SHARED_DATA && fault.argument == 0);
  CHECK(korvel_torus_screen(points, 2, 0, 0.5, out, 0, &fault) == KORVEL_BAD_VALUE &&
        fault.argument == 1 && fault.value == 0);
  CHECK(korvel_cone_screen(points, 2, 1, INFINITY, out, 0, &fault) == KORVEL_BAD_VALUE &&
        fault.argument == 2);

  const int32_t faces[3] = {0, 7, 1};
  const double screen[6] = {0, 0, 0, 0, 0, 0};
  const uint8_t mask[1] = {1};
  CHECK(korvel_face_shown(faces, 1, screen, 2, mask, out, 0, &fault) == KORVEL_BAD_INDEX);
  CHECK(fault.argument == 0 && fault.element == 0 && fault.row == 1 && fault.value == 7);
  /* No screen at all, and triangles enough for the kernel to look ahead. */
  static int32_t many_faces[3 * 80];
  static uint8_t many_masks[80] = {1};
  static double many_shown[80];
  CHECK(korvel_face_shown(many_faces, 80, NULL, 0, many_masks, many_shown, 0, &fault) ==
        KORVEL_BAD_INDEX && fault.element == 0 && fault.row == 0);

  CHECK(korvel_range(points, SIZE_MAX / 3 + 1, out, 0, &fault) == KORVEL_TOO_LARGE);
  CHECK(korvel_plateau_labels(points, SIZE_MAX / 2, 3, out, NULL, 0, NULL) == KORVEL_TOO_LARGE);
  CHECK(korvel_value_swap(points, 2, points, points, SIZE_MAX, out, 0, NULL) == KORVEL_TOO_LARGE);
}

static void names(void) {
  const char *expected[] = {"ok",       "badSize",    "badIndex",   "badValue",
                            "tooLarge", "sharedData", "nullPointer"};
  int status;
  for (status = KORVEL_OK; status <= KORVEL_NULL_POINTER; ++status)
    CHECK(strcmp(korvel_status_name(status), expected[status]) == 0);
  CHECK(strcmp(korvel_status_name(-1), "unknown") == 0);
}

int main(void) {
  answers();
  strokes();
  refusals();
  names();
  if (failures > 0) fprintf(stderr, "%d checks failed\n", failures);
  return failures > 0;
}
