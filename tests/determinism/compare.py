#!/usr/bin/env python3
"""Compares korvel_run results files of one corpus made on several targets.

    compare.py [--strict] CASES TARGET=RESULTS...

Prints a hash of each target's results and, where they differ,
the hash of each command's share and the first call whose results differ, with
the first differing element. Exits 1 on any difference. As everywhere in our
tests, any NaN equals any NaN: the libraries' NaNs differ in sign and payload
(cos(Inf) is -NaN on one target and +NaN on another), so every NaN is hashed as
the same quiet NaN; every other bit counts.

The commands whose results commands.tsv gives as "libm" call the C library's
cos, sin or atan, whose last bits differ between C libraries (glibc on 32- and
64-bit x86, and by CPU within one; mingw-w64's x87 routines). Their
differences are listed but fail the check only with --strict; every other
command must agree to the bit.
"""
import hashlib
import os
import struct
import sys

COMMAND_LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "commands.tsv")


def libm_commands():
    """The commands of the list whose results go through the C library's maths."""
    with open(COMMAND_LIST) as rows:
        fields = [line.rstrip("\n").split("\t") for line in rows if not line.startswith("#")]
    return {row[0] for row in fields if len(row) > 4 and row[4] == "libm"}


class Reader:
    def __init__(self, data):
        self.data, self.at = data, 0

    def take(self, count):
        if self.at + count > len(self.data):
            raise ValueError("truncated file")
        piece = self.data[self.at:self.at + count]
        self.at += count
        return piece

    def u32(self):
        return struct.unpack("<I", self.take(4))[0]

    def u64(self):
        return struct.unpack("<Q", self.take(8))[0]

    def text(self):
        return self.take(self.u32()).decode("latin-1")


SIZES = {"double": 8, "single": 4, "int8": 1, "uint8": 1, "int16": 2, "uint16": 2, "int32": 4,
         "uint32": 4, "int64": 8, "uint64": 8, "logical": 1, "char": 2, "none": 0}


def array(reader):
    name, rows, columns = reader.text(), reader.u64(), reader.u64()
    return name, rows, columns, reader.take(rows * columns * SIZES[name])


def read_cases(path):
    reader = Reader(open(path, "rb").read())
    if reader.take(8) != b"KVCASES1":
        raise ValueError(path + " is not a case file")
    commands = []
    for _ in range(reader.u32()):
        commands.append(reader.text())
        reader.u32()
        for _ in range(reader.u32()):
            array(reader)
    return commands


CANONICAL_NAN = {8: struct.pack("<Q", 0x7FF8000000000000), 4: struct.pack("<I", 0x7FC00000)}


def canonical(arr):
    """The array's bytes with every NaN of a floating class made the same NaN."""
    name, rows, columns, data = arr
    if name not in ("double", "single"):
        return arr
    size, code = (8, "d") if name == "double" else (4, "f")
    out = bytearray(data)
    for e, (value,) in enumerate(struct.iter_unpack("<" + code, data)):
        if value != value:
            out[e * size:(e + 1) * size] = CANONICAL_NAN[size]
    return name, rows, columns, bytes(out)


def encode(call):
    failed, identifier, outputs, inputs = call
    parts = [struct.pack("<I", failed), identifier.encode("latin-1"), b"|"]
    for group in (outputs, inputs):
        parts.append(struct.pack("<I", len(group)))
        for name, rows, columns, data in group:
            parts += [name.encode(), struct.pack("<QQ", rows, columns), data]
    return b"".join(parts)


def read_results(path):
    """One (canonical bytes, parsed) pair per call."""
    reader = Reader(open(path, "rb").read())
    if reader.take(8) != b"KVRESLT1":
        raise ValueError(path + " is not a results file")
    calls = []
    for _ in range(reader.u32()):
        failed, identifier = reader.u32(), reader.text()
        outputs = [canonical(array(reader)) for _ in range(reader.u32())]
        inputs = [canonical(array(reader)) for _ in range(reader.u32())]
        call = (failed, identifier, outputs, inputs)
        calls.append((encode(call), call))
    if reader.at != len(reader.data):
        raise ValueError(path + ": bytes after the last call")
    return calls


def first_difference(a, b):
    (fa, ia, oa, na), (fb, ib, ob, nb) = a, b
    if (fa, ia) != (fb, ib):
        return "error %r vs %r" % (ia or "none", ib or "none")
    for kind, xs, ys in (("output", oa, ob), ("input after the call", na, nb)):
        for k, (x, y) in enumerate(zip(xs, ys), 1):
            if x[:3] != y[:3]:
                return "%s %d: %s %dx%d vs %s %dx%d" % ((kind, k) + x[:3] + y[:3])
            size = SIZES[x[0]]
            for e in range(0, len(x[3]), max(size, 1)):
                if x[3][e:e + size] != y[3][e:e + size]:
                    return "%s %d, element %d: %s vs %s" % (kind, k, e // size + 1,
                                                            x[3][e:e + size][::-1].hex(),
                                                            y[3][e:e + size][::-1].hex())
    return "no difference"


def main(argv):
    libm, strict = libm_commands(), False
    while len(argv) > 1 and argv[1].startswith("--"):
        if argv.pop(1) == "--strict":
            strict = True
        else:
            sys.exit(__doc__)
    if len(argv) < 3:
        sys.exit(__doc__)
    commands = read_cases(argv[1])
    targets = [item.split("=", 1) for item in argv[2:]]
    results = {}
    for name, path in targets:
        results[name] = read_results(path)
        whole = hashlib.sha256(b"".join(r[0] for r in results[name])).hexdigest()
        print("%s  %s" % (whole, name))
        if len(results[name]) != len(commands):
            print("%s: %d results for %d calls" % (name, len(results[name]), len(commands)))
            return 1
    print("\nper command:")
    failing = []
    for command in dict.fromkeys(commands):
        hashes = []
        for name, _ in targets:
            share = b"".join(r[0] for r, cmd in zip(results[name], commands) if cmd == command)
            hashes.append(hashlib.sha256(share).hexdigest()[:12])
        agree = len(set(hashes)) == 1
        verdict = "agree" if agree else ("differ (C library)" if command in libm and not strict else "DIFFER")
        print("  %-18s %s  %s" % (command, "  ".join(hashes), verdict))
        if not agree and verdict == "DIFFER":
            failing.append(command)
    print("  %-18s %s" % ("", "  ".join("%-12s" % name for name, _ in targets)))

    reference = targets[0][0]
    for name, _ in targets[1:]:
        for c, (mine, theirs) in enumerate(zip(results[reference], results[name])):
            if mine[0] != theirs[0]:
                print("%s differs from %s first at call %d (%s): %s" % (
                    name, reference, c + 1, commands[c], first_difference(mine[1], theirs[1])))
                break
    if failing:
        print("determinism check FAILED: %s" % ", ".join(failing))
        return 1
    print("determinism check passed: %d targets, %d calls" % (len(targets), len(commands)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
