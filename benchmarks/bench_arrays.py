#!/usr/bin/python3
"""Times plateauLabels next to skimage.measure.label, valueSwap next to
plain numpy indexing and for growing pair counts, in one process and one run.

The plug-ins are called through the stand-in host exactly as the tests call
them (standinCall from libmx, through libbench_call beside it), via ctypes,
so both sides of each comparison run on the same images, side by side, on
the same loaded machine. Figures are medians of several calls; compare the
ratios, not the absolute times.

    /usr/bin/python3 benchmarks/bench_arrays.py --plugins build/mex
"""
import argparse
import ctypes
import sys

import numpy as np
import skimage
import skimage.measure

from bench_harness import images, interleaved_ns, median_seconds, with_heap_environment, with_one_thread


class Host:
    """The stand-in host's array library and a way to call a plug-in."""

    def __init__(self, folder):
        self.folder = folder
        self.mx = ctypes.CDLL(f"{folder}/libmx.so", mode=ctypes.RTLD_GLOBAL)
        self.mx.mxCreateDoubleMatrix_700.restype = ctypes.c_void_p
        self.mx.mxCreateDoubleMatrix_700.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
        self.mx.mxGetPr.restype = ctypes.c_void_p
        self.mx.mxGetPr.argtypes = [ctypes.c_void_p]
        self.mx.mxGetM.restype = ctypes.c_size_t
        self.mx.mxGetM.argtypes = [ctypes.c_void_p]
        self.mx.mxGetN.restype = ctypes.c_size_t
        self.mx.mxGetN.argtypes = [ctypes.c_void_p]
        self.mx.mxDestroyArray.argtypes = [ctypes.c_void_p]
        self.call_library = ctypes.CDLL(f"{folder}/libbench_call.so")
        self.call_library.benchCall.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_void_p,
                                                ctypes.c_int, ctypes.c_void_p, ctypes.c_char_p,
                                                ctypes.c_size_t]
        self.plugins = {}

    def matrix(self, values):
        """A host double matrix holding a copy of a 2-D numpy array."""
        values = np.asfortranarray(values, dtype=np.float64)
        rows, columns = values.shape
        array = self.mx.mxCreateDoubleMatrix_700(rows, columns, 0)
        if values.size:
            ctypes.memmove(self.mx.mxGetPr(array), values.ctypes.data, values.nbytes)
        return array

    def values(self, array):
        rows, columns = self.mx.mxGetM(array), self.mx.mxGetN(array)
        if rows * columns == 0:
            return np.zeros((rows, columns))
        data = (ctypes.c_double * (rows * columns)).from_address(self.mx.mxGetPr(array))
        return np.array(np.frombuffer(data, dtype=np.float64).reshape((rows, columns), order="F"))

    def destroy(self, array):
        self.mx.mxDestroyArray(array)

    def call(self, command, inputs):
        """Output 1 of the command; the caller destroys it."""
        if command not in self.plugins:
            plugin = ctypes.CDLL(f"{self.folder}/{command}.mexa64")
            self.plugins[command] = ctypes.cast(plugin.mexFunction, ctypes.c_void_p)
        outputs = (ctypes.c_void_p * 1)()
        prhs = (ctypes.c_void_p * len(inputs))(*inputs)
        error = ctypes.create_string_buffer(2048)
        if self.call_library.benchCall(self.plugins[command], 1, outputs, len(inputs), prhs,
                                       error, len(error)):
            raise RuntimeError(error.value.decode())
        return outputs[0]


def bench_recolour(host, size, repeats):
    """valueSwap against the plain indexing a user writes instead: a label
    image through a table of its K labels, and values 0..5 through 6 pairs."""
    generator = np.random.default_rng(11)
    image = host.matrix(generator.integers(1, 5, size=(size, size)).astype(np.float64))
    labels_array = host.call("plateauLabels", [image])
    host.destroy(image)
    labels = host.values(labels_array)
    count = int(labels.max())
    lut = generator.random(count)
    small = generator.integers(0, 6, size=(size, size)).astype(np.float64)
    table = generator.random(6)
    cases = [
        (f"label image, FROM = (1:K)', K = {count}", labels_array, np.arange(1, count + 1.0), lut,
         "lut[L.astype(int) - 1]", lambda: lut[labels.astype(np.intp) - 1], labels),
        ("values 0..5, 6 pairs", host.matrix(small), np.arange(0, 6.0), table,
         "T[Q.astype(int)]", lambda: table[small.astype(np.intp)], small),
    ]
    print()
    print(f"valueSwap vs plain numpy indexing, {size}x{size}, median of {repeats}; "
          "a + 1 is numpy's own cost of a result this size")
    print("| case | valueSwap ns/element | 1 thread | indexing | ns/element "
          "| indexing / 1 thread | a + 1 ns/element |")
    print("|---|---|---|---|---|---|---|")
    for name, values, from_values, to_values, indexing, run_indexing, plain in cases:
        from_array = host.matrix(from_values.reshape(-1, 1))
        to_array = host.matrix(to_values.reshape(-1, 1))
        ours = host.call("valueSwap", [values, from_array, to_array])
        if not np.array_equal(host.values(ours).view(np.uint64), run_indexing().view(np.uint64)):
            sys.exit(f"valueSwap and {indexing} disagree on {name}")
        host.destroy(ours)

        def run_ours():
            host.destroy(host.call("valueSwap", [values, from_array, to_array]))

        runs = [run_ours, lambda: with_one_thread(run_ours), run_indexing, lambda: plain + 1]
        ours_ns, one_ns, theirs_ns, result_ns = interleaved_ns(runs, repeats, plain.size)
        print(f"| {name} | {ours_ns:.2f} | {one_ns:.2f} | `{indexing}` | {theirs_ns:.2f} "
              f"| {theirs_ns / one_ns:.2f} | {result_ns:.2f} |")
        for array in (values, from_array, to_array):
            host.destroy(array)


def column_major_numbering(labels):
    """Labels renumbered 1..K in column-major order of each region's first element."""
    flat = labels.ravel(order="F")
    _, first, inverse = np.unique(flat, return_index=True, return_inverse=True)
    rank = np.empty(first.size, dtype=np.int64)
    rank[np.argsort(first, kind="stable")] = np.arange(first.size)
    return (rank[inverse] + 1).reshape(labels.shape, order="F").astype(np.float64)


def bench_labels(host, sizes, repeats):
    generator = np.random.default_rng(2026)
    print("plateauLabels vs skimage.measure.label(connectivity=1), "
          f"skimage {skimage.__version__}, median of {repeats}; a + 1 is numpy's own cost "
          "of a result this size")
    print(f"| image | size | regions | plateauLabels ns/element | 1 thread | skimage ns/element "
          f"| skimage / plateauLabels | skimage / 1 thread | a + 1 ns/element |")
    print("|---|---|---|---|---|---|---|---|---|")
    for size in sizes:
        for name, image in images(size, generator).items():
            array = host.matrix(image)
            # Same labels as skimage's, up to skimage's row-major numbering;
            # background -1, a value no image holds, so that every region,
            # zeros too, is labelled on both sides.
            ours = host.call("plateauLabels", [array])
            theirs = skimage.measure.label(image, connectivity=1, background=-1)
            if not np.array_equal(host.values(ours), column_major_numbering(theirs)):
                sys.exit(f"plateauLabels and skimage disagree on {name} {size}x{size}")
            regions = int(theirs.max())
            host.destroy(ours)

            def run_ours():
                host.destroy(host.call("plateauLabels", [array]))

            def run_theirs():
                skimage.measure.label(image, connectivity=1, background=-1)

            # Interleaved, so all see the same load.
            runs = [run_ours, lambda: with_one_thread(run_ours), run_theirs, lambda: image + 1]
            ours_ns, one_ns, theirs_ns, result_ns = interleaved_ns(runs, repeats, image.size)
            print(f"| {name} | {size}x{size} | {regions} | {ours_ns:.2f} | {one_ns:.2f} "
                  f"| {theirs_ns:.2f} | {theirs_ns / ours_ns:.2f} | {theirs_ns / one_ns:.2f} "
                  f"| {result_ns:.2f} |")
            host.destroy(array)


def bench_swap(host, pair_counts, repeats):
    generator = np.random.default_rng(7)
    # Values from a range twice the largest pair count: about half the
    # elements match a pair when L is largest.
    span = 2 * max(pair_counts)
    values = host.matrix(generator.integers(0, span, size=(1000, 1000)).astype(np.float64))
    print()
    print(f"valueSwap on a 1000x1000 matrix, median of {repeats}")
    print("| pairs L | ms per call | ns per element | vs L = 4 |")
    print("|---|---|---|---|")
    baseline = None
    for pairs in pair_counts:
        from_values = generator.choice(span, size=pairs, replace=False).astype(np.float64)
        from_array = host.matrix(from_values.reshape(pairs, 1))
        to_array = host.matrix(generator.standard_normal((pairs, 1)))

        def run():
            host.destroy(host.call("valueSwap", [values, from_array, to_array]))

        seconds = median_seconds(run, repeats)
        baseline = baseline or seconds
        print(f"| {pairs} | {seconds * 1e3:.2f} | {seconds * 1e9 / 1e6:.2f} "
              f"| {seconds / baseline:.2f} |")
        host.destroy(from_array)
        host.destroy(to_array)
    host.destroy(values)


def main():
    with_heap_environment()
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--plugins", required=True, help="folder of the built plug-ins")
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--sizes", type=int, nargs="+", default=[512, 1024, 2048])
    parser.add_argument("--pairs", type=int, nargs="+", default=[4, 64, 4096, 65536])
    arguments = parser.parse_args()
    host = Host(arguments.plugins)
    bench_labels(host, arguments.sizes, arguments.repeats)
    bench_recolour(host, max(arguments.sizes), arguments.repeats)
    bench_swap(host, arguments.pairs, arguments.repeats)


if __name__ == "__main__":
    main()
