"""The extension's imports, held like the plug-ins' (tests/check_plugin_imports.cmake):
the C library no newer than glibc 2.17, libm and libpthread, no C++
runtime, and one export, the module's entry."""
import re
import shutil
import subprocess

import pytest

import korvel

ALLOWED = {"libc.so.6", "libm.so.6", "libpthread.so.0"}


def objdump(option):
    if shutil.which("objdump") is None:
        pytest.skip("no objdump")
    return subprocess.run(["objdump", option, korvel.__file__], check=True, capture_output=True,
                          text=True).stdout


def test_libraries():
    needed = set(re.findall(r"NEEDED\s+(\S+)", objdump("-p")))
    assert needed - ALLOWED <= {n for n in needed if n.startswith("libpython")}
    assert not re.search(r"R(UN)?PATH", objdump("-p"))


def test_symbol_versions_and_exports():
    symbols = objdump("-T")
    versions = {tuple(map(int, v.split("."))) for v in re.findall(r"GLIBC_(\d+(?:\.\d+)+)", symbols)}
    assert versions and max(versions) <= (2, 17)
    assert "GLIBCXX" not in symbols and "CXXABI" not in symbols
    exports = re.findall(r"\sg\s+DF\s+\.text\s+\S+\s+\S+\s+(\S+)", symbols)
    assert exports == ["PyInit_korvel"]
