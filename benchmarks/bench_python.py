#!/usr/bin/python3
"""Times the Python package against the fastest NumPy code for the same
results, in one process and one run, each pair interleaved so that both see
the same load: every function at 10^6 elements, plateau_labels against
scikit-image and OpenCV, value_swap against indexing, and the whole frame.

Each NumPy side is the fastest of the expressions we could write for the
result, timed here too; where it does not give the package's bits (NumPy's
own arc tangent), that is said beside it. Figures are medians; compare the
ratios, not the absolute times.

    build-python/venv/bin/python benchmarks/bench_python.py
"""
import argparse
import math
import sys

import numpy as np

import korvel
from bench_harness import interleaved_ns, labelling_table, machine_load, with_heap_environment

ROWS = []


def compare(name, ours, candidates, elements, repeats, note=""):
    """ours and each (label, run) of candidates interleaved; prints a row with
    the fastest candidate, its time over ours. Below 10^6 elements each
    sample makes several calls, so that a sample is not one time slice."""
    runs = [ours] + [run for _, run in candidates]
    calls = max(1, 10 ** 6 // elements)
    if calls > 1:
        runs = [lambda run=run: [run() for _ in range(calls)] for run in runs]
    times = interleaved_ns(runs, repeats, elements * calls)
    best = min(range(len(candidates)), key=lambda k: times[k + 1])
    print(f"| {name} | {times[0]:.2f} | `{candidates[best][0]}` | {times[best + 1]:.2f} "
          f"| {times[best + 1] / times[0]:.2f} | {note} |")
    sys.stdout.flush()


def header(title):
    print()
    print(title)
    print("| function | package ns/element | fastest NumPy | ns/element | NumPy / package | note |")
    print("|---|---|---|---|---|---|")


# --- NumPy's versions ------------------------------------------------------------

def numpy_turn(Q, angle):
    c, s = math.cos(-angle), math.sin(-angle)
    x, y = Q[:, 0], Q[:, 1]
    R = np.empty_like(Q)
    np.subtract(x * c, y * s, out=R[:, 0])
    np.add(x * s, y * c, out=R[:, 1])
    R[:, 2] = Q[:, 2]
    return R


def numpy_torus(V, arctan=np.arctan, gain=0.4625, horizon=0.4929):
    x, y, z = V[:, 0], V[:, 1], V[:, 2]
    rho = np.sqrt(x * x + y * y)
    sigma = arctan(z / rho) * gain + horizon
    radius = np.clip(sigma, 0.0, 1.0)
    S = np.empty_like(V)
    np.divide(radius * x, rho, out=S[:, 0])
    np.divide(radius * y, rho, out=S[:, 1])
    S[:, 2] = ~((sigma < 0) | (sigma > 1))
    return S


def numpy_cone(V, radial=2.0349, vertical=0.98988):
    x, y, z = V[:, 0], V[:, 1], V[:, 2]
    rho = np.sqrt(x * x + y * y)
    ray = 1.0 / (rho * radial - z * vertical)
    rim = 1.0 / rho
    off = (ray < 0) | (ray > rim)
    scale = np.where(off, rim, ray)
    S = np.empty_like(V)
    np.multiply(scale, x, out=S[:, 0])
    np.multiply(scale, y, out=S[:, 1])
    S[:, 2] = ~off
    return S


def numpy_shown(F, S, mask):
    on = S[:, 2] == 1.0
    return mask & (on[F[:, 0]] | on[F[:, 1]] | on[F[:, 2]])


def numpy_ranges(V):
    x, y, z = V[:, 0], V[:, 1], V[:, 2]
    return np.sqrt((x * x + y * y) + z * z)


def numpy_strokes(B, C, n, table, codes, scale, origin, position, colour):
    glyphs = table[codes.astype(np.intp) - 1]
    rows = slice(int(n), int(n) + codes.size)
    B[rows, 0] = ((position + glyphs[:, 0]) - 1.0) * scale + origin[0]
    B[rows, 1] = glyphs[:, 1] * scale + origin[1]
    B[rows, 2] = ((position + glyphs[:, 2]) - 1.0) * scale + origin[0]
    B[rows, 3] = glyphs[:, 3] * scale + origin[1]
    C[rows] = np.concatenate([colour, colour])
    return B, C, n + codes.size


# --- The runs ---------------------------------------------------------------------

def bench_functions(n, repeats):
    generator = np.random.default_rng(36)
    P = generator.normal(scale=20, size=(n, 3))
    position, angle = np.array([1.5, -2.5, 0.25]), 0.6
    V = korvel.to_viewer(P, position, angle)
    S = korvel.torus_screen(V)
    F = generator.integers(0, n, size=(n, 3)).astype(np.int32)
    mask = generator.random(n) < 0.9
    checks = [(korvel.offset(P, position), P - position),
              (korvel.spin(P, angle), numpy_turn(P, angle)),
              (V, numpy_turn(P - position, angle)),
              (korvel.ranges(V), numpy_ranges(V)),
              (korvel.cone_screen(V), numpy_cone(V)),
              (korvel.face_shown(F, S, mask), numpy_shown(F, S, mask))]
    for ours, theirs in checks:
        if not np.array_equal(ours, theirs, equal_nan=True):
            sys.exit("a NumPy version disagrees with the package")
    exact_arctan = np.frompyfunc(math.atan, 1, 1)
    small = V[: n // 100]
    if not np.array_equal(korvel.torus_screen(small), numpy_torus(small, lambda q: exact_arctan(q).astype(float))):
        sys.exit("the torus in NumPy with the C library's atan disagrees with the package")
    numpy_bits = np.mean(korvel.torus_screen(V) != numpy_torus(V))

    header(f"Each function at {n} points (elements: points), median of {repeats}")
    compare("offset", lambda: korvel.offset(P, position),
            [("P - pos", lambda: P - position)], n, repeats, "memory-bound")
    compare("spin", lambda: korvel.spin(P, angle),
            [("columns, x*c - y*s ...", lambda: numpy_turn(P, angle))], n, repeats)
    compare("to_viewer", lambda: korvel.to_viewer(P, position, angle),
            [("turn(P - pos)", lambda: numpy_turn(P - position, angle))], n, repeats)
    compare("ranges", lambda: korvel.ranges(V),
            [("sqrt((x*x + y*y) + z*z)", lambda: numpy_ranges(V)),
             ("sqrt(einsum('ij,ij->i'))", lambda: np.sqrt(np.einsum("ij,ij->i", V, V)))], n, repeats)
    compare("torus_screen", lambda: korvel.torus_screen(V),
            [("np.arctan (NumPy's SIMD arc tangent)", lambda: numpy_torus(V))], n, repeats,
            f"NumPy's arctan is not the C library's: {numpy_bits:.0%} of the elements differ")
    compare("cone_screen", lambda: korvel.cone_screen(V),
            [("reciprocals, np.where", lambda: numpy_cone(V))], n, repeats)
    compare("face_shown", lambda: korvel.face_shown(F, S, mask),
            [("mask & (on[F[:,0]] | on[F[:,1]] | on[F[:,2]])", lambda: numpy_shown(F, S, mask)),
             ("mask & on[F].any(1)", lambda: mask & (S[:, 2] == 1.0)[F].any(1))], n, repeats,
            "elements: triangles, as many as points")
    # The arc tangent alone, NumPy's against the C library's through the
    # package's projection (the rest of it costs a few ns per point).
    q = V[:, 2] / np.sqrt(V[:, 0] ** 2 + V[:, 1] ** 2)
    compare("(np.arctan alone)", lambda: korvel.torus_screen(V),
            [("np.arctan(q)", lambda: np.arctan(q))], n, repeats,
            "the projection's bound: its atan calls against NumPy's SIMD arctan")

    strokes = n // 10
    table = generator.random((96, 4))
    codes = generator.integers(1, 97, size=strokes).astype(np.float64)
    B, C = np.zeros((strokes, 4)), np.zeros((strokes, 6))
    args = (0.0, table, codes, 10.0, np.array([100.0, 20.0]), 3.0, np.array([0.1, 0.2, 0.3]))
    ours = korvel.stroke_text(B, C, *args)
    theirs = numpy_strokes(B.copy(), C.copy(), *args)
    if not all(np.array_equal(a, b) for a, b in zip(ours, theirs)):
        sys.exit("the NumPy strokes disagree with the package")
    compare("stroke_text, out=", lambda: korvel.stroke_text(B, C, *args, out=(B, C)),
            [("table[codes] into B, C", lambda: numpy_strokes(B, C, *args))], n, repeats,
            f"{strokes} strokes: 10 buffer elements each, in place")


def bench_labels(sizes, repeats):
    print()
    print("plateau_labels (row-major numbering on these C-ordered images)")
    labelling_table(lambda image, threads: korvel.plateau_labels(image, threads=threads), sizes,
                    repeats, column_major=False)


def bench_swap(size, repeats):
    generator = np.random.default_rng(11)
    labels = korvel.plateau_labels(generator.integers(1, 5, size=(size, size)).astype(np.float64))
    count = int(labels.max())
    lut = generator.random(count + 1)
    as_doubles = labels.astype(np.float64)
    small = generator.integers(0, 6, size=(size, size))
    table = generator.random(6)
    small_doubles = small.astype(np.float64)
    pairs = np.arange(1, count + 1.0)
    if not (np.array_equal(korvel.value_swap(as_doubles, pairs, lut[1:]), lut[labels]) and
            np.array_equal(korvel.value_swap(small_doubles, np.arange(6.0), table), table[small])):
        sys.exit("value_swap and indexing disagree")
    header(f"value_swap against indexing, {size}x{size}, median of {repeats}")
    compare(f"value_swap, labels 1..{count} (float64)", lambda: korvel.value_swap(as_doubles, pairs, lut[1:]),
            [("lut[L] (L int64)", lambda: lut[labels])], size * size, repeats,
            "L from plateau_labels(dtype='float64') for the package")
    compare("value_swap, 6 pairs (float64)", lambda: korvel.value_swap(small_doubles, np.arange(6.0), table),
            [("T[Q] (Q int64)", lambda: table[small])], size * size, repeats)
    compare("(a result this size)", lambda: korvel.value_swap(small_doubles, np.arange(6.0), table),
            [("Q + 1 (Q float64)", lambda: small_doubles + 1)], size * size, repeats,
            "the memory floor: read 8 bytes and write 8 per element")


def bench_frame(sizes, repeats):
    header(f"The whole frame: to_viewer, torus_screen, face_shown, ranges (elements: points; "
           f"as many triangles), median of {repeats}")
    generator = np.random.default_rng(5)
    for n in sizes:
        P = generator.normal(scale=20, size=(n, 3))
        F = generator.integers(0, n, size=(n, 3)).astype(np.int32)
        mask = generator.random(n) < 0.9
        position, angle = np.array([0.0, -50.0, 6.0]), 1.2

        def ours():
            V = korvel.to_viewer(P, position, angle)
            return korvel.face_shown(F, korvel.torus_screen(V), mask), korvel.ranges(V)

        def theirs():
            V = numpy_turn(P - position, angle)
            return numpy_shown(F, numpy_torus(V), mask), numpy_ranges(V)

        def theirs_exact(atan=np.frompyfunc(math.atan, 1, 1)):
            V = numpy_turn(P - position, angle)
            return numpy_shown(F, numpy_torus(V, lambda q: atan(q).astype(float)), mask), numpy_ranges(V)

        compare(f"frame, {n} points", ours, [("NumPy frame, np.arctan", theirs)], n, repeats,
                "NumPy's arctan: other bits")
        if n <= 100000:
            compare(f"frame, {n} points", ours, [("NumPy frame, math.atan per element", theirs_exact)],
                    n, repeats, "the package's bits")


def main():
    with_heap_environment()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--sizes", type=int, nargs="+", default=[1024, 2048])
    arguments = parser.parse_args()
    print(machine_load("before"))
    print(f"numpy {np.__version__}, korvel {korvel.__version__}")
    bench_functions(10 ** 6, arguments.repeats)
    bench_swap(max(arguments.sizes), arguments.repeats)
    bench_labels(arguments.sizes, arguments.repeats)
    bench_frame([10 ** 5, 10 ** 6], arguments.repeats)
    print()
    print(machine_load("after"))


if __name__ == "__main__":
    main()
