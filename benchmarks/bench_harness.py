"""What the benchmarks that time kernels against their peers in Python share
(bench_arrays.py for the kernels through the C interface, bench_python.py for
the package): timing side by side, the benchmark images, the labelling peers
(scikit-image, OpenCV) and the table that sets a labeller beside them, the
heap setting and what else the machine was running."""
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


def photograph(size):
    """scikit-image's 512x512 camera, tiled to size x size, cut at its median:
    1 above it, 0 elsewhere; the large regions of a real image."""
    import skimage.data
    camera = skimage.data.camera().astype(np.float64)
    tiles = -(-size // camera.shape[0])
    tiled = np.tile(camera, (tiles, tiles))[:size, :size]
    return (tiled > np.median(tiled)).astype(np.float64)


def images(size, generator):
    """The benchmark images of one size, by name."""
    tiles = generator.integers(1, 1 << 20, size=(size // 8, size // 8)).astype(np.float64)
    binary_tiles = generator.integers(0, 2, size=(size // 8, size // 8)).astype(np.float64)
    return {
        "binary 0.5": (generator.random((size, size)) < 0.5).astype(np.float64),
        "binary 0.59": (generator.random((size, size)) < 0.59).astype(np.float64),
        "binary 8x8 tiles": np.kron(binary_tiles, np.ones((8, 8))),
        "values 0..3": generator.integers(0, 4, size=(size, size)).astype(np.float64),
        "photograph > median": photograph(size),
        "8x8 tiles": np.kron(tiles, np.ones((8, 8))),
    }


def column_major_numbering(labels):
    """Labels renumbered 1..K in column-major order of each region's first element."""
    flat = labels.ravel(order="F")
    _, first, inverse = np.unique(flat, return_index=True, return_inverse=True)
    rank = np.empty(first.size, dtype=np.int64)
    rank[np.argsort(first, kind="stable")] = np.arange(first.size)
    return (rank[inverse] + 1).reshape(labels.shape, order="F").astype(np.float64)


def opencv_ns(cv2, image, threads, repeats):
    """Median ns per element of cv2.connectedComponents at 4-connectivity on
    the mask of each value of image (a binary image: on it and on its
    inverse), so that every region is labelled as plateauLabels labels them;
    None for images of more than 4 values. threads: 1, or 0 for OpenCV's
    default. Setting OpenCV's thread count remakes its pool of threads, so
    its calls are timed after that, a call apart, not interleaved."""
    values = np.unique(image)
    if cv2 is None or values.size > 4:
        return None
    masks = [(image == value).astype(np.uint8) for value in values]

    def run():
        for mask in masks:
            cv2.connectedComponents(mask, connectivity=4)
    cv2.setNumThreads(threads if threads else -1)
    run()
    return median_seconds(run, repeats) / image.size * 1e9


def labelling_table(labeller, sizes, repeats, column_major):
    """Times labeller(image, threads) (threads 0: its default) beside
    skimage.measure.label(connectivity=1, background=-1), which labels every
    region too, and OpenCV (opencv_ns), on images(); and beside the
    floor of any labeller, reading 8 bytes and writing 8 bytes per element
    (numpy copying the image into a result made beforehand). Checks the
    labels against skimage's, renumbered in column-major order when
    column_major (else as they come, row-major, as the package maps them).
    OpenCV is optional."""
    import skimage
    import skimage.measure
    try:
        import cv2
    except ImportError:
        cv2 = None
    opencv_threads = cv2.getNumThreads() if cv2 is not None else "-"
    print(f"labelling beside skimage.measure.label(connectivity=1) (skimage {skimage.__version__}) "
          f"and cv2.connectedComponents(connectivity=4) on the mask of each value "
          f"(OpenCV {cv2.__version__ if cv2 else 'absent'}, default {opencv_threads} threads), "
          f"median of {repeats}, ns/element; floor: copying the image into a made result")
    print("| image | size | regions | default | 1 thread | gain | skimage | OpenCV 1 thread "
          "| OpenCV default | OpenCV 1 / ours 1 | OpenCV default / ours default | floor "
          "| 1 thread / floor |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    generator = np.random.default_rng(2026)
    for size in sizes:
        for name, image in images(size, generator).items():
            # The peers get the image in their own (C) order; the labeller in
            # its own.
            ours_image = np.asfortranarray(image) if column_major else image
            theirs = skimage.measure.label(image, connectivity=1, background=-1)
            expected = column_major_numbering(theirs) if column_major else theirs
            if not np.array_equal(labeller(ours_image, 0), expected):
                sys.exit(f"the labeller and skimage disagree on {name} {size}x{size}")
            copy = np.empty_like(image)
            runs = [lambda: labeller(ours_image, 0), lambda: labeller(ours_image, 1),
                    lambda: skimage.measure.label(image, connectivity=1, background=-1),
                    lambda: np.copyto(copy, image)]
            ours, one, skimage_ns, floor = interleaved_ns(runs, repeats, image.size)
            opencv_one, opencv_default = (opencv_ns(cv2, image, threads, repeats)
                                          for threads in (1, 0))
            if opencv_one is not None:
                opencv_text = (f"{opencv_one:.2f} | {opencv_default:.2f} | {opencv_one / one:.2f} "
                               f"| {opencv_default / ours:.2f}")
            else:
                opencv_text = "- | - | - | -"
            print(f"| {name} | {size}x{size} | {int(theirs.max())} | {ours:.2f} | {one:.2f} "
                  f"| {one / ours:.2f} | {skimage_ns:.2f} | {opencv_text} | {floor:.2f} "
                  f"| {one / floor:.2f} |")
            sys.stdout.flush()
    if cv2 is not None:
        cv2.setNumThreads(-1)


def machine_load(when):
    """One line: the load average and the busiest other processes."""
    top = subprocess.run(["ps", "-eo", "pcpu,comm", "--sort=-pcpu", "--no-headers"],
                         capture_output=True, text=True).stdout.split("\n")[:5]
    busy = ", ".join(" ".join(line.split()[::-1]) + "%" for line in top
                     if line.strip() and line.split()[-1] != "ps")
    load = " ".join("%.2f" % value for value in os.getloadavg())
    return f"{when}: {os.cpu_count()} cores, load average {load}; busiest: {busy}"
