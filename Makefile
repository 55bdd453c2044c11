# Quick start on a fresh Debian machine:
#   make run    - build and run the main job
#   make test   - build and run every test
#   make bench  - build and run the compaction benchmark
#   make test-win32 - cross-build for 32-bit Windows and test under Wine
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build test test-win32 run bench clean

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-win32: deps
	@bash scripts/test-win32

run: build
	@bash scripts/run

# The compaction benchmark (a minute or two; needs ~0.5 GB free in /tmp).
bench: build
	@$(BUILD)/bench/pagetrim_bench

clean:
	rm -rf $(BUILD) out build-win32 build-win64
