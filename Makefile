# Front door. The build itself is CMake; these targets install what they need
# from Debian's packages first (tools/install-deps.sh).
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test demo test-demo clean bench-kernels bench-thresholds bench-arrays bench-host
.PHONY: octave package test-help test-package
.PHONY: test-hardening test-sanitize test-valgrind fuzz-build fuzz
.PHONY: platforms test-platforms test-linux32 test-windows64 test-windows32 test-determinism

# Hardening builds, each in a folder of its own: the test suite under
# AddressSanitizer and UBSan, the threaded kernels' tests under
# ThreadSanitizer, and the libFuzzer targets (clang).
SANITIZE_BUILD ?= $(BUILD)-sanitize
TSAN_BUILD ?= $(BUILD)-tsan
FUZZ_BUILD ?= $(BUILD)-fuzz
# `make fuzz FUZZ_SECONDS=600` fuzzes each command for ten minutes;
# FUZZ_COMMANDS="korvelSpin valueSwap" picks commands.
FUZZ_SECONDS ?= 600
FUZZ_COMMANDS ?=
# What `make test` adds: seconds of fuzzing per command.
SHORT_FUZZ_SECONDS ?= 5

all: build

build:
	tools/install-deps.sh build
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory test-octave
	$(MAKE) --no-print-directory test-help test-package
	$(MAKE) --no-print-directory test-demo
	$(MAKE) --no-print-directory test-hardening
	$(MAKE) --no-print-directory test-platforms

OCTAVE = octave-cli --no-gui --no-history --norc --quiet

# The Octave plug-ins, built by build_mex.m with Octave's own mex.
octave:
	tools/install-deps.sh octave
	$(OCTAVE) --eval "build_mex('$(BUILD)/octave')"

# Octave suite; the stand-in build provides korvel_run for the cross-check.
# Then every kind of Octave value through every input of every command, one
# Octave process per command, so a crash fails the sweep instead of ending it.
test-octave: build
	tools/install-deps.sh octave
	@if ! command -v octave-cli >/dev/null; then echo "octave: 0 passed, 1 failed (no octave-cli)"; exit 1; fi
	$(OCTAVE) --eval "addpath('tests/octave'); exit(run_octave_tests('$(BUILD)/octave', '$(BUILD)/mex') > 0)"
	$(OCTAVE) --eval "addpath('tests/octave'); exit(sweep_values('$(BUILD)/octave') > 0)"

# Every help example runs in a fresh Octave and shows its result; Contents.m
# agrees with the help files' first lines, each help's error list with
# docs/errors.md.
test-help:
	tools/install-deps.sh octave
	$(OCTAVE) --eval "build_mex('$(BUILD)/octave'); addpath('$(CURDIR)/tests/octave'); \
	  exit(check_help('$(BUILD)/octave'))"

# The Octave package, out/korvel-<version>.tar.gz, laid out in $(BUILD)/package
# first; the version is the one in package/DESCRIPTION.
PACKAGE_VERSION = $(shell sed -n 's/^Version: *//p' package/DESCRIPTION)
PACKAGE = out/korvel-$(PACKAGE_VERSION).tar.gz

package:
	tools/install-deps.sh octave
	$(OCTAVE) --eval "addpath('package'); make_package('$(BUILD)/package', 'out');"

# Installs the package into a scratch prefix in a fresh Octave, uses every
# command and uninstalls it.
test-package: package
	$(OCTAVE) --eval "addpath('$(CURDIR)/tests/octave'); exit(check_package('$(PACKAGE)'))"

test-hardening: test-sanitize test-valgrind
	$(MAKE) --no-print-directory fuzz FUZZ_SECONDS=$(SHORT_FUZZ_SECONDS)

test-sanitize:
	tools/install-deps.sh build
	cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_SANITIZE=ON
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TSAN=ON
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '^Threads\.'

# The test runner of the ordinary build under memcheck; any error fails it.
test-valgrind: build
	tools/install-deps.sh fuzz
	valgrind -q --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	  $(BUILD)/mex/korvel_tests --plugins=$(BUILD)/mex --gtest_brief=1

fuzz-build:
	tools/install-deps.sh build fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKORVEL_FUZZ=ON -DKORVEL_TESTS=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_COMMANDS)

# The other targets: 32-bit Linux (.mexglx, run through qemu-i386 where the
# kernel refuses 32-bit programs), Windows .mexw64 and .mexw32 cross-built
# with mingw-w64, their suites run under wine, and the determinism check
# across all of them and Octave. Windows 32 is built and its tables checked;
# its suite runs only where 32-bit wine starts (RUN_WINDOWS32=1).
LINUX32_BUILD ?= $(BUILD)-linux32
WINDOWS64_BUILD ?= $(BUILD)-windows64
WINDOWS32_BUILD ?= $(BUILD)-windows32
RUN_WINDOWS32 ?= 0
# Commands whose results go through the C library's cos, sin or atan: their
# cross-target differences are reported; STRICT=1 fails on them too.
LIBM_COMMANDS = korvelSpin,torusScreenMex
STRICT ?= 0

cross = cmake -S . -B $(1) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/$(2).cmake \
	  -DCMAKE_BUILD_TYPE=Release && cmake --build $(1) -j $(JOBS)

platforms:
	tools/install-deps.sh build windows linux32
	$(call cross,$(LINUX32_BUILD),linux-i686)
	$(call cross,$(WINDOWS64_BUILD),mingw-x86_64)
	$(call cross,$(WINDOWS32_BUILD),mingw-i686)

test-platforms: test-linux32 test-windows64 test-windows32 test-determinism

test-linux32:
	tools/install-deps.sh build linux32
	tools/enable-i386.sh
	$(call cross,$(LINUX32_BUILD),linux-i686)
	ctest --test-dir $(LINUX32_BUILD) --output-on-failure -j $(JOBS)

test-windows64:
	tools/install-deps.sh build windows
	$(call cross,$(WINDOWS64_BUILD),mingw-x86_64)
	ctest --test-dir $(WINDOWS64_BUILD) --output-on-failure

test-windows32:
	tools/install-deps.sh build windows
	$(call cross,$(WINDOWS32_BUILD),mingw-i686)
	if [ "$(RUN_WINDOWS32)" = 1 ]; then ctest --test-dir $(WINDOWS32_BUILD) --output-on-failure; \
	else ctest --test-dir $(WINDOWS32_BUILD) --output-on-failure -E '^korvel_tests$$'; fi

test-determinism: build octave test-linux32 test-windows64
	tests/determinism/run.sh $(BUILD) linux32=$(LINUX32_BUILD) windows64=$(WINDOWS64_BUILD) \
	  $(if $(filter 1,$(RUN_WINDOWS32)),windows32=$(WINDOWS32_BUILD)) octave=$(BUILD)/octave \
	  -- --libm=$(LIBM_COMMANDS) $(if $(filter 1,$(STRICT)),--strict)

# Time per point of the point kernels next to the memory and compute floors.
bench-kernels:
	tools/install-deps.sh build bench
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCHMARKS=ON -DKORVEL_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target bench_kernels
	$(BUILD)-bench/mex/bench_kernels --plugins=$(BUILD)-bench/mex

# 1 thread against 2 by size, on plug-ins that use threads from a 16th of
# their thresholds on: where threads start to pay (gateway/parallel_sizes.h).
bench-thresholds:
	tools/install-deps.sh build bench
	cmake -S . -B $(BUILD)-thresholds -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCHMARKS=ON \
	  -DKORVEL_TESTS=OFF -DCMAKE_CXX_FLAGS=-DKORVEL_MEASURE_THRESHOLDS
	cmake --build $(BUILD)-thresholds -j $(JOBS) --target bench_kernels
	$(BUILD)-thresholds/mex/bench_kernels --plugins=$(BUILD)-thresholds/mex --thresholds

# plateauLabels next to skimage.measure.label, and valueSwap by pair count.
bench-arrays:
	tools/install-deps.sh build bench
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS) --target plateauLabels valueSwap
	/usr/bin/python3 benchmarks/bench_arrays.py --plugins $(BUILD)-bench/mex

# Each command against the host code a user would write instead, in one Octave
# session per allocator setting: glibc's default, and one that reuses freed
# memory (fresh pages cost much here). Writes BENCH_OUT/bench_host.md and .png.
BENCH_OUT ?= out/bench
REUSE_MALLOC = MALLOC_MMAP_THRESHOLD_=1000000000 MALLOC_TRIM_THRESHOLD_=2000000000
bench_host_run = $(OCTAVE_CLI) --eval "addpath('benchmarks'); \
	  bench_host('plugins', '$(OCTAVE_PLUGINS)', 'label', '$(1)', 'table', '$(BENCH_OUT)/$(1).tsv');"

bench-host:
	tools/install-deps.sh demo
	mkdir -p $(BENCH_OUT)
	$(OCTAVE_CLI) --eval "build_mex('$(OCTAVE_PLUGINS)')"
	$(call bench_host_run,default)
	env $(REUSE_MALLOC) $(call bench_host_run,reuse)
	$(OCTAVE_CLI) --eval "addpath('benchmarks'); bench_host_report('$(BENCH_OUT)/bench_host.md', \
	  '$(BENCH_OUT)/bench_host.png', '$(BENCH_OUT)/default.tsv', '$(BENCH_OUT)/reuse.tsv')"
	cat $(BENCH_OUT)/bench_host.md

# `make demo` renders the built-in scene into PNGs (see examples/korvel_demo.m).
# VIEWER="x y z" (default 0 -50 6), HEADING in degrees (default 90),
# SCREEN=torus|cone|both (default both), DEMO_OUT folder (default out).
VIEWER ?= 0 -50 6
HEADING ?= 90
SCREEN ?= both
DEMO_OUT ?= out
OCTAVE_CLI ?= octave-cli --no-gui --no-history --norc --quiet
OCTAVE_PLUGINS ?= $(BUILD)/octave

demo:
	tools/install-deps.sh demo
	$(OCTAVE_CLI) --eval "build_mex('$(OCTAVE_PLUGINS)'); addpath('$(OCTAVE_PLUGINS)', 'examples'); \
	  korvel_demo('viewer', [$(VIEWER)], 'heading', $(HEADING), 'screen', '$(SCREEN)', 'out', '$(DEMO_OUT)');"

test-demo:
	tools/install-deps.sh demo
	$(OCTAVE_CLI) --eval "build_mex('$(OCTAVE_PLUGINS)'); addpath('$(OCTAVE_PLUGINS)', 'examples', 'tests/demo'); \
	  exit(~test_korvel_demo());"

# Every build folder (the package's layout is in $(BUILD)/package) and out/.
clean:
	rm -rf build build-*/ $(BUILD) $(BUILD)-*/ out
