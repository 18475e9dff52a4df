"""What the benchmarks that time kernels against their peers in Python share
(bench_arrays.py for the kernels through the C interface, bench_python.py for
the package): timing side by side, the benchmark images, the heap setting
and what else the machine was running."""
import os
import statistics
import subprocess
import sys
import time

import numpy as np

# Large blocks come from the heap and stay there: otherwise every call of both
# sides pays the first-touch page faults of a fresh mapping, which on a busy
# virtual machine swamp the labelling itself.
HEAP_ENVIRONMENT = {"MALLOC_MMAP_MAX_": "0", "MALLOC_TRIM_THRESHOLD_": str(1 << 40)}


def with_heap_environment():
    """Runs this script again with HEAP_ENVIRONMENT unless it has it."""
    if any(os.environ.get(name) != value for name, value in HEAP_ENVIRONMENT.items()):
        os.execve(sys.executable, [sys.executable] + sys.argv, {**os.environ, **HEAP_ENVIRONMENT})


def median_seconds(run, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def interleaved_ns(runs, repeats, elements):
    """Median ns per element of each run, the runs alternating in each repetition."""
    times = [[] for _ in runs]
    for _ in range(repeats):
        for run, spent in zip(runs, times):
            spent.append(median_seconds(run, 1))
    return [statistics.median(spent) / elements * 1e9 for spent in times]


def images(size, generator):
    """The benchmark images of one size, by name."""
    tiles = generator.integers(1, 1 << 20, size=(size // 8, size // 8)).astype(np.float64)
    binary_tiles = generator.integers(0, 2, size=(size // 8, size // 8)).astype(np.float64)
    return {
        "binary 0.5": (generator.random((size, size)) < 0.5).astype(np.float64),
        "binary 0.59": (generator.random((size, size)) < 0.59).astype(np.float64),
        "binary 8x8 tiles": np.kron(binary_tiles, np.ones((8, 8))),
        "random 1..4": generator.integers(1, 5, size=(size, size)).astype(np.float64),
        "random 1..2": generator.integers(1, 3, size=(size, size)).astype(np.float64),
        "8x8 tiles": np.kron(tiles, np.ones((8, 8))),
    }


def machine_load(when):
    """One line: the load average and the busiest other processes."""
    top = subprocess.run(["ps", "-eo", "pcpu,comm", "--sort=-pcpu", "--no-headers"],
                         capture_output=True, text=True).stdout.split("\n")[:5]
    busy = ", ".join(" ".join(line.split()[::-1]) + "%" for line in top
                     if line.strip() and line.split()[-1] != "ps")
    load = " ".join("%.2f" % value for value in os.getloadavg())
    return f"{when}: {os.cpu_count()} cores, load average {load}; busiest: {busy}"
