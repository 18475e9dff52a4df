# Front door. The build itself is CMake; these targets install what they need
# from Debian's packages first (tools/install-deps.sh).
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build test demo clean

all: build

build:
	tools/install-deps.sh build
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	$(BUILD)/mex/pipeline_demo --plugins=$(BUILD)/mex

clean:
	rm -rf $(BUILD)
