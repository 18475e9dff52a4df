"""Readers of korvel_run's case and results files (tests/support/case_runner.cpp).

An r-by-c array of the files comes back as the NumPy array of shape (c, r)
over the same bytes: the MEX commands' column-major matrix seen in C order,
which is the package's layout (a 3-by-N point matrix is an (N, 3) array).
An array of more dimensions, d1-by-...-by-dn, likewise has shape
(dn, ..., d1): an H-by-W-by-3 picture is a (3, W, H) array.
"""
import struct

import numpy as np

CLASSES = {"double": "<f8", "single": "<f4", "int64": "<i8", "uint64": "<u8", "int32": "<i4",
           "uint32": "<u4", "int16": "<i2", "uint16": "<u2", "char": "<u2", "int8": "i1",
           "uint8": "u1", "logical": "?"}
# Where a matrix's column count is: an array of more dimensions follows.
MORE_DIMENSIONS = 0xFFFFFFFFFFFFFFFF


class _Reader:
    def __init__(self, path):
        with open(path, "rb") as file:
            self.data = file.read()
        self.at = 0

    def take(self, count):
        if self.at + count > len(self.data):
            raise ValueError("truncated file")
        chunk = self.data[self.at:self.at + count]
        self.at += count
        return chunk

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.take(8))[0]

    def text(self):
        return self.take(self.u32()).decode()

    def array(self):
        name, rows, columns = self.text(), self.u64(), self.u64()
        dims = [rows, columns]
        if columns == MORE_DIMENSIONS:
            dims = [rows] + [self.u64() for _ in range(self.u32())]
        if name == "none":
            return None
        dtype = np.dtype(CLASSES[name])
        count = int(np.prod(dims))
        return np.frombuffer(self.take(count * dtype.itemsize), dtype).reshape(dims[::-1])

    def magic(self, expected):
        if self.take(8) != expected:
            raise ValueError("not a %s file" % expected.decode())
        return self.u32()


def read_cases(path):
    """[(command, nlhs, inputs)] of a case file, inputs read-only arrays."""
    reader = _Reader(path)
    calls = []
    for _ in range(reader.magic(b"KVCASES1")):
        command, nlhs = reader.text(), reader.u32()
        calls.append((command, nlhs, [reader.array() for _ in range(reader.u32())]))
    return calls


def read_results(path):
    """[(identifier, outputs, inputs after the call)] of a results file;
    identifier is "" where the call answered."""
    reader = _Reader(path)
    results = []
    for _ in range(reader.magic(b"KVRESLT1")):
        reader.u32()
        identifier = reader.text()
        outputs = [reader.array() for _ in range(reader.u32())]
        results.append((identifier, outputs, [reader.array() for _ in range(reader.u32())]))
    return results
