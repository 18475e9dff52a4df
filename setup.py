"""Builds the extension module korvel from the core headers.

The flags are the toolbox's: the exact-arithmetic ones of
cmake/exact_flags.mk, and those that keep the module's imports to the C
library of the plug-ins' baseline (glibc 2.17), libm and libpthread: no C++
runtime (no exceptions, no RTTI, nothing of libstdc++ used), libgcc linked
in, and the thread functions bound to their old versions
(core/glibc_baseline.h).
"""
import glob
import os
import platform
import re
import struct
import sys

import numpy
from setuptools import Extension, setup

HERE = os.path.dirname(os.path.abspath(__file__))


def read(*path):
    with open(os.path.join(HERE, *path), encoding="utf-8") as file:
        return file.read()


def exact_flags():
    flags = dict(re.findall(r"^(EXACT_FLAGS[A-Z0-9_]*) *= *(.*)$", read("cmake", "exact_flags.mk"), re.M))
    chosen = flags["EXACT_FLAGS"].split()
    if struct.calcsize("P") == 4 and re.match(r"^(i.86|x86|x86_64|AMD64|amd64)$", platform.machine()):
        chosen += flags["EXACT_FLAGS_X86_32"].split()
    return chosen


# The headers the module is built from: an edit of one rebuilds it, which
# setuptools' build folder (setup.cfg) otherwise keeps as it was.
HEADERS = sorted(os.path.relpath(path, HERE) for folder in
                 ("bindings/python", "core", "transforms", "projections", "scene", "arrays")
                 for path in glob.glob(os.path.join(HERE, folder, "*.h")))

VERSION = re.search(r"^Version: *(\S+)", read("package", "DESCRIPTION"), re.M).group(1)

compile_args = ["-std=c++17", "-O3", "-fno-exceptions", "-fno-rtti", "-fno-math-errno",
                "-fvisibility=hidden"] + exact_flags()
link_args = []
if sys.platform.startswith("linux"):
    compile_args += ["-include", os.path.join(HERE, "core", "glibc_baseline.h")]
    # libstdc++, which the C++ driver links, is dropped as unused; libpthread
    # kept, where glibc before 2.34 has the thread functions.
    link_args += ["-static-libgcc", "-Wl,--as-needed",
                  "-Wl,--push-state,--no-as-needed", "-l:libpthread.so.0", "-Wl,--pop-state"]

setup(
    version=VERSION,
    ext_modules=[Extension(
        "korvel",
        sources=["bindings/python/korvel_module.cpp"],
        depends=HEADERS,
        include_dirs=[HERE, numpy.get_include()],
        define_macros=[("KORVEL_VERSION", '"%s"' % VERSION)],
        extra_compile_args=compile_args,
        extra_link_args=link_args,
        language="c++",
    )],
    packages=[],
    py_modules=[],
    zip_safe=False,
)
