#!/usr/bin/python3
"""Times plateauLabels next to skimage.measure.label and OpenCV's
connectedComponents, valueSwap next to plain numpy indexing and for growing
pair counts, in one process and one run.

The kernels are called through the C interface (libkorvel beside the
plug-ins) via ctypes, on numpy arrays, each call making its result as the
peers do; so both sides of each comparison run on the same images, side by
side, on the same loaded machine. Figures are medians of several calls;
compare the ratios, not the absolute times.

    /usr/bin/python3 benchmarks/bench_arrays.py --plugins build/mex
"""
import argparse
import ctypes
import sys

import numpy as np
from bench_harness import (interleaved_ns, labelling_table, machine_load, median_seconds,
                           with_heap_environment)

DOUBLES = ctypes.POINTER(ctypes.c_double)


class Core:
    """The kernels of plateauLabels and valueSwap through the C interface."""

    def __init__(self, folder):
        library = ctypes.CDLL(f"{folder}/libkorvel.so")
        self.labels_call = library.korvel_plateau_labels
        self.labels_call.argtypes = [DOUBLES, ctypes.c_size_t, ctypes.c_size_t, DOUBLES,
                                     ctypes.POINTER(ctypes.c_size_t), ctypes.c_uint,
                                     ctypes.c_void_p]
        self.swap_call = library.korvel_value_swap
        self.swap_call.argtypes = [DOUBLES, ctypes.c_size_t, DOUBLES, DOUBLES, ctypes.c_size_t,
                                   DOUBLES, ctypes.c_uint, ctypes.c_void_p]

    @staticmethod
    def _doubles(array):
        return array.ctypes.data_as(DOUBLES)

    def plateau_labels(self, image, threads=0):
        """plateauLabels(image): image is a column-major (Fortran-ordered) float64 matrix."""
        rows, columns = image.shape
        labels = np.empty((rows, columns), order="F")
        if self.labels_call(self._doubles(image), rows, columns, self._doubles(labels), None,
                            threads, None):
            raise RuntimeError("korvel_plateau_labels refused the call")
        return labels

    def value_swap(self, values, from_values, to_values, threads=0):
        result = np.empty(values.shape, order="F")
        if self.swap_call(self._doubles(values), values.size, self._doubles(from_values),
                          self._doubles(to_values), from_values.size, self._doubles(result),
                          threads, None):
            raise RuntimeError("korvel_value_swap refused the call")
        return result


def bench_recolour(core, size, repeats):
    """valueSwap against the plain indexing a user writes instead: a label
    image through a table of its K labels, and values 0..5 through 6 pairs."""
    generator = np.random.default_rng(11)
    image = np.asfortranarray(generator.integers(1, 5, size=(size, size)).astype(np.float64))
    labels = core.plateau_labels(image)
    count = int(labels.max())
    lut = generator.random(count)
    small = generator.integers(0, 6, size=(size, size)).astype(np.float64)
    table = generator.random(6)
    cases = [
        (f"label image, FROM = (1:K)', K = {count}", np.arange(1, count + 1.0), lut,
         "lut[L.astype(int) - 1]", lambda: lut[labels.astype(np.intp) - 1], labels),
        ("values 0..5, 6 pairs", np.arange(0, 6.0), table,
         "T[Q.astype(int)]", lambda: table[small.astype(np.intp)], small),
    ]
    print()
    print(f"valueSwap vs plain numpy indexing, {size}x{size}, median of {repeats}; "
          "a + 1 is numpy's own cost of a result this size")
    print("| case | valueSwap ns/element | 1 thread | indexing | ns/element "
          "| indexing / 1 thread | a + 1 ns/element |")
    print("|---|---|---|---|---|---|---|")
    for name, from_values, to_values, indexing, run_indexing, plain in cases:
        values = np.asfortranarray(plain)
        ours = core.value_swap(values, from_values, to_values)
        if not np.array_equal(ours.view(np.uint64), run_indexing().view(np.uint64)):
            sys.exit(f"valueSwap and {indexing} disagree on {name}")
        runs = [lambda: core.value_swap(values, from_values, to_values),
                lambda: core.value_swap(values, from_values, to_values, threads=1),
                run_indexing, lambda: plain + 1]
        ours_ns, one_ns, theirs_ns, result_ns = interleaved_ns(runs, repeats, plain.size)
        print(f"| {name} | {ours_ns:.2f} | {one_ns:.2f} | `{indexing}` | {theirs_ns:.2f} "
              f"| {theirs_ns / one_ns:.2f} | {result_ns:.2f} |")


def bench_swap(core, pair_counts, repeats):
    generator = np.random.default_rng(7)
    # Values from a range twice the largest pair count: about half the
    # elements match a pair when L is largest.
    span = 2 * max(pair_counts)
    values = np.asfortranarray(generator.integers(0, span, size=(1000, 1000)).astype(np.float64))
    print()
    print(f"valueSwap on a 1000x1000 matrix, median of {repeats}")
    print("| pairs L | ms per call | ns per element | vs L = 4 |")
    print("|---|---|---|---|")
    baseline = None
    for pairs in pair_counts:
        from_values = generator.choice(span, size=pairs, replace=False).astype(np.float64)
        to_values = generator.standard_normal(pairs)
        seconds = median_seconds(lambda: core.value_swap(values, from_values, to_values), repeats)
        baseline = baseline or seconds
        print(f"| {pairs} | {seconds * 1e3:.2f} | {seconds * 1e9 / 1e6:.2f} "
              f"| {seconds / baseline:.2f} |")


def main():
    with_heap_environment()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--plugins", required=True,
                        help="folder of the build's plug-ins and libkorvel")
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--sizes", type=int, nargs="+", default=[512, 1024, 2048])
    parser.add_argument("--pairs", type=int, nargs="+", default=[4, 64, 4096, 65536])
    arguments = parser.parse_args()
    core = Core(arguments.plugins)
    print(machine_load("before"))
    print("plateauLabels through the C interface")
    labelling_table(lambda image, threads: core.plateau_labels(image, threads), arguments.sizes,
                    arguments.repeats, column_major=True)
    bench_recolour(core, max(arguments.sizes), arguments.repeats)
    bench_swap(core, arguments.pairs, arguments.repeats)
    print()
    print(machine_load("after"))


if __name__ == "__main__":
    main()
