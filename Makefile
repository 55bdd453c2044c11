# Quick start on a fresh Debian machine:
#   make run    - build and run the main job
#   make test   - build and run every test
#   make bench  - build and run the compaction and tree benchmarks
#   make test-win32 - cross-build for 32-bit Windows and test under Wine
#   make test-render - safe mode's render check in headless chromium
#   make dist-win32 - the Windows programs as a zip and an installer in out/
#   make deb        - the Debian package in out/
#   make test-deb   - install that package, check what it installed, purge it
#   make test-asan  - every test with AddressSanitizer and UBSan
#   make fuzz       - the fuzz targets, FUZZ_TIME seconds each
#   make clean      - remove every build folder and out/
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
SHELL := /bin/bash

# ctest announces every test on a line of its own before its result line;
# only the result lines are shown, one short line a test.
RESULT_LINES = 2>&1 | grep --line-buffered -v '^ *Start *[0-9]*: '

.PHONY: all deps configure build test test-win32 dist-win32 deb test-deb test-render run bench clean test-asan fuzz

all: build

deps:
	@bash scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@set -o pipefail; ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) $(RESULT_LINES)

test-win32: deps
	@bash scripts/test-win32

# out/pagetrim-VERSION-win32.zip (pagetrim.exe, pagetrim-cli.exe, README.txt)
# and out/pagetrim-VERSION-win32-setup.exe, the installer (NSIS).
dist-win32: deps
	@bash scripts/dist-win32

# out/pagetrim_VERSION_ARCH.deb, built by dpkg-buildpackage in build-deb/
# and checked by lintian, desktop-file-validate and appstreamcli.
deb:
	@bash scripts/deb

# Installs out/pagetrim_VERSION_ARCH.deb with apt-get, checks the installed
# programs, manual pages and completion, purges the package and checks that
# the machine is as before.
test-deb:
	@bash scripts/test-deb

run: build
	@bash scripts/run

# The render check: documentation pages and tests/render/pages compacted in
# both modes, shown by headless chromium and compared pixel for pixel (a few
# minutes; installs chromium and the documentation packages when missing).
test-render: configure
	@bash scripts/test-render $(BUILD)

# The compaction benchmark (a few minutes; needs ~0.5 GB free in /tmp; installs
# the other minifiers best mode is measured against, scripts/install-peers),
# then the tree benchmark over Debian's libstdc++ documentation (installed by
# scripts/bench-data when missing; ~1 GB in /tmp).
# Both run even when the first misses a target; the status says whether any did.
bench: build
	@status=0; \
	bash scripts/install-peers; \
	$(BUILD)/bench/pagetrim_bench --cli $(BUILD)/cli/pagetrim-cli --peers build-render/node || status=1; \
	$(BUILD)/bench/pagetrim_tree_bench --cli $(BUILD)/cli/pagetrim-cli \
		--source "$$(bash scripts/bench-data)" || status=1; \
	exit $$status

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
BUILD_ASAN ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0

test-asan: deps
	@cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPAGETRIM_SANITIZE=ON -DPAGETRIM_BENCH=OFF $(CMAKE_FLAGS)
	@cmake --build $(BUILD_ASAN) -j $(JOBS)
	@set -o pipefail; $(SANITIZER_ENV) ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS) $(RESULT_LINES)

# The libFuzzer targets, built with clang, each run for FUZZ_TIME seconds.
BUILD_FUZZ ?= build-fuzz
FUZZ_TIME ?= 60

fuzz: deps
	@cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAGETRIM_FUZZ=ON -DPAGETRIM_GUI=OFF -DPAGETRIM_TESTS=OFF -DPAGETRIM_BENCH=OFF
	@cmake --build $(BUILD_FUZZ) --target pagetrim_fuzzers -j $(JOBS)
	@bash scripts/fuzz $(BUILD_FUZZ) $(FUZZ_TIME)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) out build-win32 build-win64 build-render build-deb
