# Front door. The build is CMake: each build tree is a preset of
# CMakePresets.json, and each target here runs one of its workflows
# (configure, build and, where the workflow has one, test). Build outputs:
#   build/           the release CMake tree (plug-ins, stand-in host, tests)
#   build-<preset>/  the other CMake trees (sanitize, tsan, fuzz, linux32,
#                    windows64, windows32, bench, thresholds)
#   build-octave/    the Octave plug-ins with their help, from build_mex.m
#   build-package/   the Octave package laid out before it is packed
#   out/             what ships: the package, the release archives, the demo
# The targets install what they need from Debian's packages first
# (tools/install-deps.sh).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
OCTAVE = octave-cli --no-gui --no-history --norc --quiet
OCTAVE_PLUGINS = build-octave
PACKAGE_STAGE = build-package
# One workflow of CMakePresets.json, at most JOBS compilers and tests at once.
workflow = CMAKE_BUILD_PARALLEL_LEVEL=$(JOBS) CTEST_PARALLEL_LEVEL=$(JOBS) cmake --workflow --preset $(1)
# A tree configured and built, its tests not run.
configure_build = cmake --preset $(1) && cmake --build --preset $(1) -j $(JOBS)

.PHONY: all build check test octave test-octave test-help package test-package demo test-demo clean
.PHONY: test-hardening test-sanitize test-valgrind fuzz-build fuzz
.PHONY: platforms test-platforms test-linux32 test-windows64 test-windows32 test-determinism
.PHONY: dist test-dist
.PHONY: bench-kernels bench-thresholds bench-arrays bench-host
.PHONY: python test-python bench-python

all: build

build:
	tools/install-deps.sh build mpfr
	$(call configure_build,release)

# The everyday loop: the release suite, then the Octave suite (minutes).
check:
	tools/install-deps.sh build mpfr
	$(call workflow,release)
	$(MAKE) --no-print-directory test-octave

# Everything: what `check` runs, then the help examples, the package, the
# demo, the hardening runs and every other target.
test: check
	$(MAKE) --no-print-directory test-help test-package test-python
	$(MAKE) --no-print-directory test-demo
	$(MAKE) --no-print-directory test-hardening
	$(MAKE) --no-print-directory test-platforms

# The Octave plug-ins, built by build_mex.m with Octave's own mex: the one
# recipe that builds them, for every target that uses them.
octave:
	tools/install-deps.sh octave
	$(OCTAVE) --eval "build_mex('$(OCTAVE_PLUGINS)')"

# Octave suite; the release build provides korvel_run for the cross-check.
# Then every kind of Octave value through every input of every command, one
# Octave process per command, so a crash fails the sweep instead of ending it.
# Then build_mex's MATLAB branch against a stand-in mex, its plug-ins held to
# the release build's results. Last, an edited header rebuilds what includes
# it, in build_mex and in the package's make, on a copy of three commands.
test-octave: build octave
	$(OCTAVE) --eval "addpath('tests/octave'); exit(run_octave_tests('$(OCTAVE_PLUGINS)', 'build/mex') > 0)"
	$(OCTAVE) --eval "addpath('tests/octave'); exit(sweep_values('$(OCTAVE_PLUGINS)') > 0)"
	$(OCTAVE) --eval "addpath('tests/matlab_branch'); exit(check_matlab_branch('build/mex') > 0)"
	$(OCTAVE) --eval "addpath('$(CURDIR)/tests/octave'); exit(check_rebuild() > 0)"

# Every help example runs in a fresh Octave and shows its result; the
# Contents.m that build_mex writes agrees with the help files' first lines.
test-help: octave
	$(OCTAVE) --eval "addpath('$(CURDIR)/tests/octave'); exit(check_help('$(OCTAVE_PLUGINS)'))"

# The Octave package, out/korvel-<version>.tar.gz, laid out in
# $(PACKAGE_STAGE) first; the version is the one in package/DESCRIPTION.
PACKAGE_VERSION = $(shell sed -n 's/^Version: *//p' package/DESCRIPTION)
PACKAGE = out/korvel-$(PACKAGE_VERSION).tar.gz

package:
	tools/install-deps.sh octave
	$(OCTAVE) --eval "addpath('package'); make_package('$(PACKAGE_STAGE)', 'out');"

# Installs the package into a scratch prefix in a fresh Octave, uses every
# command, help korvel, the stroke font and the smallest demo from it alone,
# and uninstalls it.
test-package: build package
	$(OCTAVE) --eval "addpath('$(CURDIR)/tests/octave'); exit(check_package('$(PACKAGE)'))"

# The Python package (pyproject.toml, bindings/python/), installed the way a
# user installs it, from this tree with Debian's setuptools, into a fresh
# virtual environment that sees Debian's NumPy: build-python/venv.
PYTHON = /usr/bin/python3
PYTHON_VENV = build-python/venv

python:
	tools/install-deps.sh python
	rm -rf $(PYTHON_VENV)
	$(PYTHON) -m venv --system-site-packages $(PYTHON_VENV)
	$(PYTHON_VENV)/bin/pip install -q --no-build-isolation --no-index .

# The docstring examples, the case table's calls and the determinism corpus
# (at 1 and 3 threads) through the package, held to the release build's
# plug-ins.
test-python: build python
	$(PYTHON_VENV)/bin/python -m pytest -q -p no:cacheprovider bindings/python/tests

# `make demo` renders the built-in scene into PNGs (see examples/korvel_demo.m).
# VIEWER="x y z" (default 0 -50 6), HEADING in degrees (default 90),
# SCREEN=torus|cone|both (default both), DEMO_OUT folder (default out).
VIEWER ?= 0 -50 6
HEADING ?= 90
SCREEN ?= both
DEMO_OUT ?= out

demo: octave
	tools/install-deps.sh demo
	$(OCTAVE) --eval "addpath('$(OCTAVE_PLUGINS)', 'examples'); \
	  korvel_demo('viewer', [$(VIEWER)], 'heading', $(HEADING), 'screen', '$(SCREEN)', 'out', '$(DEMO_OUT)');"

test-demo: octave
	tools/install-deps.sh demo
	$(OCTAVE) --eval "addpath('$(OCTAVE_PLUGINS)', 'examples', 'tests/demo'); exit(~test_korvel_demo());"

# Hardening: the suite under AddressSanitizer and UBSan, the test runner
# under valgrind's memcheck, and each command's fuzz target for a while.
# `make fuzz FUZZ_SECONDS=600` fuzzes each command for ten minutes;
# FUZZ_COMMANDS="korvelSpin valueSwap" picks commands.
FUZZ_SECONDS ?= 600
FUZZ_COMMANDS ?=
# What `make test` adds: seconds of fuzzing per command.
SHORT_FUZZ_SECONDS ?= 5

test-hardening: test-sanitize test-valgrind
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(SHORT_FUZZ_SECONDS)

test-sanitize:
	tools/install-deps.sh build
	$(call workflow,sanitize)
	$(call workflow,tsan)

# Any memcheck error fails it.
test-valgrind: build
	tools/install-deps.sh fuzz
	valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	  --suppressions=tests/valgrind.supp \
	  build/mex/korvel_tests --plugins=build/mex --gtest_brief=1

fuzz-build:
	tools/install-deps.sh build fuzz
	$(call workflow,fuzz)

fuzz: fuzz-build
	fuzz/run.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_COMMANDS)

# The other targets: 32-bit Linux (.mexglx, run through qemu-i386 where the
# kernel refuses 32-bit programs), Windows .mexw64 and .mexw32 cross-built
# with mingw-w64, their suites run under wine (Windows 32 in an emulated
# x86-64 machine, tools/windows32-vm.sh), and the determinism check across
# all of them and Octave.
# The commands whose results go through the C library's cos, sin or atan
# (commands.tsv) may differ between targets in their last bits: reported,
# and a failure only with STRICT=1.
STRICT ?= 0

platforms:
	tools/install-deps.sh build windows linux32
	$(call configure_build,linux32)
	$(call configure_build,windows64)
	$(call configure_build,windows32)

test-platforms: test-linux32 test-windows64 test-windows32 test-dist test-determinism

test-linux32:
	tools/install-deps.sh build linux32
	tools/enable-i386.sh
	$(call workflow,linux32)

test-windows64:
	tools/install-deps.sh build windows
	$(call workflow,windows64)

# The table checks run here; the suite and the determinism corpus run under
# 32-bit wine in the emulated machine (the release build makes the corpus),
# on the plug-ins of the release archive, unpacked.
test-windows32: dist
	$(call workflow,windows32)
	tests/dist/check_archive.sh win32 $(DIST)-win32.zip build-windows32 build
	tools/windows32-vm.sh build-windows32 build build-windows32/dist/korvel

# The release archives for MATLAB: out/korvel-<version>-{glnxa64.tar.gz,
# win64.zip,win32.zip} and out/SHA256SUMS (cmake/Dist.cmake), the version
# being the package's; each holds the commands and the examples' .m files. test-dist unpacks each and runs the suite against
# its plug-ins alone: glnxa64 here and in a Debian 11 root, win64 under wine
# (win32: test-windows32).
DIST = out/korvel-$(PACKAGE_VERSION)

dist: build octave
	tools/install-deps.sh build windows vm
	$(call configure_build,windows64)
	$(call configure_build,windows32)
	cmake -DOUT=out -DCONTENTS=$(OCTAVE_PLUGINS)/Contents.m -DGLNXA64=build/mex \
	  -DWIN64=build-windows64/mex -DWIN32=build-windows32/mex -P cmake/Dist.cmake

test-dist: dist
	tests/dist/check_archive.sh glnxa64 $(DIST)-glnxa64.tar.gz build build
	tests/dist/check_archive.sh win64 $(DIST)-win64.zip build-windows64 build

test-determinism: build octave python test-linux32 test-windows64 test-windows32
	tests/determinism/run.sh build linux32=build-linux32 windows64=build-windows64 \
	  windows32=build-windows32 octave=$(OCTAVE_PLUGINS) python=$(PYTHON_VENV) \
	  -- $(if $(filter 1,$(STRICT)),--strict)

# Time per point of the point kernels next to the memory and compute floors.
bench-kernels:
	tools/install-deps.sh build bench
	$(call workflow,bench)
	build-bench/mex/bench_kernels --plugins=build-bench/mex

# 1 thread against 2 by size, on plug-ins that use threads from a 16th of
# their thresholds on: where threads start to pay (core/parallel_sizes.h).
bench-thresholds:
	tools/install-deps.sh build bench
	$(call workflow,thresholds)
	build-thresholds/mex/bench_kernels --plugins=build-thresholds/mex --thresholds

# plateauLabels next to skimage.measure.label, and valueSwap by pair count,
# through the C interface.
bench-arrays:
	tools/install-deps.sh build bench
	$(call workflow,bench)
	/usr/bin/python3 benchmarks/bench_arrays.py --plugins build-bench/mex

# Each function of the Python package against the fastest NumPy expression
# for its result, plateau_labels against scikit-image and OpenCV, and the
# whole frame, side by side in one process.
bench-python: python
	tools/install-deps.sh python-bench
	$(PYTHON_VENV)/bin/python benchmarks/bench_python.py

# Each command against the host code a user would write instead, in one Octave
# session per allocator setting: glibc's default, and one that reuses freed
# memory (fresh pages cost much here). Writes BENCH_OUT/bench_host.md and .png.
BENCH_OUT ?= out/bench
# glibc ignores an mmap threshold above 32 MB, so blocks of 2048² doubles and
# more would still be fresh mappings: no mappings at all instead.
REUSE_MALLOC = MALLOC_MMAP_MAX_=0 MALLOC_TRIM_THRESHOLD_=2000000000
bench_host_run = $(OCTAVE) --eval "addpath('benchmarks'); \
	  bench_host('plugins', '$(OCTAVE_PLUGINS)', 'label', '$(1)', 'table', '$(BENCH_OUT)/$(1).tsv');"

bench-host: octave
	tools/install-deps.sh demo bench
	mkdir -p $(BENCH_OUT)
	$(call bench_host_run,default)
	env $(REUSE_MALLOC) $(call bench_host_run,reuse)
	$(OCTAVE) --eval "addpath('benchmarks'); bench_host_report('$(BENCH_OUT)/bench_host.md', \
	  '$(BENCH_OUT)/bench_host.png', '$(BENCH_OUT)/default.tsv', '$(BENCH_OUT)/reuse.tsv')"
	cat $(BENCH_OUT)/bench_host.md

# Every build folder and out/.
clean:
	rm -rf build build-*/ out
