/* korvel.h: the C interface to korvel's kernels, for hosts that call C
 * (Python through ctypes or cffi, C#, Julia, LabVIEW). Plain C99; compiles
 * as C++ too. The shared library `korvel` (libkorvel.so, korvel.dll) holds
 * these functions and nothing else, and needs only the C library.
 *
 * Each function is one MEX command's kernel, with the same bits for the same
 * inputs. It returns a korvel_status, KORVEL_OK (0) or the reason the call
 * is refused, and fills *fault when fault is not null. A refused call writes
 * nothing (but korvel_face_shown's KORVEL_BAD_INDEX: see there). Nothing is
 * kept between calls; calls on separate arrays may run at once.
 *
 * Layouts. Matrices are column-major doubles unless said otherwise. Points
 * are 3-by-n: x, y, z of point j at [3j], [3j+1], [3j+2]. Faces are 3-by-t
 * int32_t zero-based point indices. An N-D array is its rows by the product
 * of its other dimensions.
 *
 * Counts. The caller states each array's size; a pointer must hold that many
 * elements and may be null when the count is 0. A size that no array can
 * have is KORVEL_TOO_LARGE: rows * columns or 3 * n (4 *, 6 *) overflowing
 * size_t or the bytes of memory, or a count of 2^53 or more, beyond what a
 * double numbers exactly.
 *
 * Threads. `threads` is the most threads a call may use; 0 takes the
 * process's policy, as the MEX commands do (KORVEL_NUM_THREADS, else
 * OMP_NUM_THREADS and the cores free to the process). Threads start and end
 * within a call, and their count never changes a bit of a result.
 *
 * Overlap. A result must not share memory with an input
 * (KORVEL_SHARED_DATA); korvel_stroke_text's written buffers neither with
 * each other nor with the table and the codes, as korvelStrokeText refuses
 * in place.
 *
 * What the MEX commands refuse that has no C form, since the C types and the
 * caller's counts fix it: badClass (another class, complex, sparse),
 * notEnoughInputs, tooManyOutputs, and badSize for a row count ("3 rows"),
 * a least element count (POS's 3, a screen constant's 1, MASK's one per
 * triangle, TO's one per pair, CODES's one per stroke) or FROM with rows but
 * no columns. tooLarge is here a size no memory holds, not the host's matrix
 * limit. korvelStrokeText's value form is a call on the caller's copies; the
 * data-address commands (korvelDataPtr, pelvaDataPtr) have no C form: C
 * holds the pointer already. */
#ifndef KORVEL_H
#define KORVEL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(KORVEL_BUILDING_LIBRARY)
#define KORVEL_API __declspec(dllexport)
#else
#define KORVEL_API
#endif
#else
#define KORVEL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The reasons a call is refused; each but KORVEL_NULL_POINTER is the MEX
 * reason of that name (korvel_status_name). */
typedef enum korvel_status {
  KORVEL_OK = 0,
  KORVEL_BAD_SIZE = 1,     /* "badSize": korvel_stroke_text's buffers lack a written column */
  KORVEL_BAD_INDEX = 2,    /* "badIndex": an index outside the array it indexes */
  KORVEL_BAD_VALUE = 3,    /* "badValue": a value the kernel cannot use */
  KORVEL_TOO_LARGE = 4,    /* "tooLarge": a size no array can have */
  KORVEL_SHARED_DATA = 5,  /* "sharedData": a written array overlaps another */
  KORVEL_NULL_POINTER = 6  /* "nullPointer": a null pointer for elements to read or write */
} korvel_status;

/* Where a refused call went wrong. `argument` numbers the inputs as the MEX
 * command's usage line does, from 0, and is -1 for the result; each function
 * lists them. A field that the refusal does not name is 0. */
typedef struct korvel_fault {
  int reason;        /* the korvel_status returned */
  int argument;      /* the input at fault (KORVEL_SHARED_DATA: one that overlaps a written array) */
  size_t element;    /* zero-based element, column or triangle; KORVEL_SHARED_DATA of
                        korvel_stroke_text: the written input overlapped */
  int row;           /* zero-based row: a triangle's corner */
  double value;      /* the value found there */
  double first, last; /* korvel_stroke_text's KORVEL_BAD_SIZE: the zero-based columns written */
} korvel_fault;

/* The reason's name, as MEX identifiers end (<command>:<name>): "ok",
 * "badSize", "badIndex", "badValue", "tooLarge", "sharedData",
 * "nullPointer"; "unknown" for any other number. Never null. */
KORVEL_API const char *korvel_status_name(int status);

/* The fixed screens of torusScreenMex and coneScreenMex. */
#define KORVEL_FIXED_TORUS_GAIN 0.4625
#define KORVEL_FIXED_TORUS_HORIZON 0.4929
#define KORVEL_FIXED_CONE_RADIAL 2.0349
#define KORVEL_FIXED_CONE_VERTICAL 0.98988

/* korvelOffset, R = korvelOffset(P, POS): result (3-by-n) = points (3-by-n,
 * input 0) minus position (3 doubles, input 1), point by point. */
KORVEL_API int korvel_offset(const double *points, size_t n, const double *position,
                             double *result, unsigned threads, korvel_fault *fault);

/* korvelSpin, R = korvelSpin(P, THETA): result (3-by-n) = points (3-by-n,
 * input 0) turned about the z axis by -angle (input 1). */
KORVEL_API int korvel_spin(const double *points, size_t n, double angle, double *result,
                           unsigned threads, korvel_fault *fault);

/* korvelToViewer, R = korvelToViewer(P, POS, THETA): korvel_spin of
 * korvel_offset in one pass, the same bits. Inputs: points 0, position (3
 * doubles) 1, angle 2. */
KORVEL_API int korvel_to_viewer(const double *points, size_t n, const double *position,
                                double angle, double *result, unsigned threads,
                                korvel_fault *fault);

/* korvelRange, D = korvelRange(P): ranges[j] (n doubles) = the distance of
 * point j (3-by-n, input 0) from the origin. */
KORVEL_API int korvel_range(const double *points, size_t n, double *ranges, unsigned threads,
                            korvel_fault *fault);

/* korvelTorusScreen, S = korvelTorusScreen(P, GAIN, HORIZON), and
 * torusScreenMex at KORVEL_FIXED_TORUS_GAIN, KORVEL_FIXED_TORUS_HORIZON:
 * points (3-by-n, input 0) onto a toroidal screen, result 3-by-n (x, y,
 * flag). KORVEL_BAD_VALUE: gain (input 1) 0 or not finite, horizon (input
 * 2) not finite; value holds it. */
KORVEL_API int korvel_torus_screen(const double *points, size_t n, double gain, double horizon,
                                   double *result, unsigned threads, korvel_fault *fault);

/* korvelConeScreen, S = korvelConeScreen(P, RADIAL, VERTICAL), and
 * coneScreenMex at KORVEL_FIXED_CONE_RADIAL, KORVEL_FIXED_CONE_VERTICAL:
 * points (3-by-n, input 0) onto a conical screen, result 3-by-n (x, y,
 * flag). KORVEL_BAD_VALUE: radial (input 1) not finite, vertical (input 2)
 * 0 or not finite. */
KORVEL_API int korvel_cone_screen(const double *points, size_t n, double radial,
                                  double vertical, double *result, unsigned threads,
                                  korvel_fault *fault);

/* korvelFaceShown, D = korvelFaceShown(F, S, MASK): shown[t] (triangles
 * doubles) = 1 when mask[t] (input 2) is exactly 1 and a corner of face t
 * (faces, 3-by-triangles, input 0), tested in order, has flag (row 3 of
 * screen, 3-by-screen_columns, input 1) exactly 1; else 0. KORVEL_BAD_INDEX:
 * the first corner read that is no column of screen (element the triangle,
 * row the corner, value the index); shown is then written in part. */
KORVEL_API int korvel_face_shown(const int32_t *faces, size_t triangles, const double *screen,
                                 size_t screen_columns, const uint8_t *mask, double *shown,
                                 unsigned threads, korvel_fault *fault);

/* korvelStrokeText in place, korvelStrokeText(B, C, N, T, CODES, SCALE,
 * ORIGIN, POS, COLOUR): stroke i, table column trunc(codes[i]) (one-based;
 * table 4-by-table_columns, input 3; codes, count doubles, input 4), scaled
 * by scale (5), moved by origin (2 doubles, 6) and into cell position (7),
 * goes to column trunc(i + *counter) of strokes (4-by-stroke_columns, input
 * 0), and colour (3 doubles, 8) twice to that column of colours
 * (6-by-colour_columns, input 1); *counter (input 2) grows by count.
 * Refused: *counter negative or not finite (KORVEL_BAD_VALUE), a code that
 * is no column of table (KORVEL_BAD_INDEX: element, value), a buffer
 * without the columns written (KORVEL_BAD_SIZE: argument 0 or 1, first and
 * last), strokes, colours and counter overlapping each other or table or
 * codes (KORVEL_SHARED_DATA). scale, origin, position and colour are read
 * before the first write and may lie in a buffer. */
KORVEL_API int korvel_stroke_text(double *strokes, size_t stroke_columns, double *colours,
                                  size_t colour_columns, double *counter, const double *table,
                                  size_t table_columns, const double *codes, size_t count,
                                  double scale, const double *origin, double position,
                                  const double *colour, korvel_fault *fault);

/* plateauLabels, L = plateauLabels(A): labels (rows-by-columns) numbers the
 * 4-connected regions of equal value of values (rows-by-columns, input 0),
 * 1, 2, ... in column-major order of their first elements; *regions (when
 * regions is not null) the region count. */
KORVEL_API int korvel_plateau_labels(const double *values, size_t rows, size_t columns,
                                     double *labels, size_t *regions, unsigned threads,
                                     korvel_fault *fault);

/* valueSwap, B = valueSwap(A, FROM, TO): result[p] (count doubles) = to[k]
 * for the last of the pairs k whose from[k] equals values[p] (IEEE
 * equality), else values[p]; replacements never chain. Inputs: values
 * (count doubles) 0, from (pairs doubles) 1, to (pairs doubles) 2. */
KORVEL_API int korvel_value_swap(const double *values, size_t count, const double *from,
                                 const double *to, size_t pairs, double *result,
                                 unsigned threads, korvel_fault *fault);

#ifdef __cplusplus
}
#endif

#endif /* KORVEL_H */
