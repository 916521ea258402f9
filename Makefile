# The two commands of the README, and the pieces they are made of.
BUILD      ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps configure build test test-windows run soak fuzz package format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_ARGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 300

# The serial library and its tests built for Windows (mingw-w64) and run under wine, in their own
# tree (not part of test).
WINDOWS_BUILD ?= build-windows
test-windows:
	WINDOWS_BUILD=$(WINDOWS_BUILD) JOBS=$(JOBS) scripts/test-windows.sh

run: build
	@scripts/run.sh $(BUILD)

# The long fault soak: every line fault in turn, every tab, SOAK_ROUNDS rounds (not part of test).
SOAK_ROUNDS ?= 2
soak: build
	SOAK_FULL=1 SOAK_ROUNDS=$(SOAK_ROUNDS) $(BUILD)/tests/app/fault_soak_tests

# Every fuzz target for FUZZ_SECONDS seconds each, in its own clang tree (not part of test).
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps.sh clang-14 libclang-rt-14-dev
	FUZZ_SECONDS=$(FUZZ_SECONDS) nice -n 10 scripts/run-fuzz.sh $(FUZZ_BUILD)

# A Debian package of both programs in $(BUILD): rostermate_<version>_<arch>.deb.
package: build
	cmake --build $(BUILD) --target package

format:
	cmake --build $(BUILD) --target format

clean:
	rm -rf $(BUILD)
