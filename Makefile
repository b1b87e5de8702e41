# Two entry points for a fresh Debian 12 machine:
#   make test   install what is missing, then every test under
#               AddressSanitizer and UndefinedBehaviorSanitizer with a short
#               run of each fuzz target, and the threaded ones under
#               ThreadSanitizer (builds in the folders $(BUILD)-asan,
#               $(BUILD)-tsan)
#   make run    same set-up, then build and run the main job on the bundled
#               sample
# and the Debian package:
#   make package  build/package/ferrywell_<version>_amd64.deb, then checked
#   make test-optimised  every test in the optimised build of make run
#   make fuzz   every fuzz target for FUZZ_SECONDS (default 300, at most
#               about 600 within the tests' time limit) each, in $(BUILD)-asan
BUILD ?= build
JOBS ?= 2
FUZZ_SECONDS ?= 300
SAMPLE := samples/names.dxl
# ccache speeds up rebuilds where it is installed; it is never required.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: deps configure build test test-optimised sanitize fuzz run bench package clean

deps:
	@scripts/install-deps.sh

# -g1: line tables only. Backtraces and profiles keep functions and lines;
# full debug information of the Qt and test code made the build about a
# fifth slower.
OPT_FLAGS := -O2 -g1 -DNDEBUG
# The benchmarks are built for make bench only.
BENCH ?= OFF

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$(OPT_FLAGS)" \
	  -DCMAKE_C_FLAGS_RELWITHDEBINFO="$(OPT_FLAGS)" -DFERRYWELL_BENCH=$(BENCH) $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Every test runs once, under AddressSanitizer and UndefinedBehaviorSanitizer
# (a strict superset of the checks of a plain run), the threaded ones again
# under ThreadSanitizer, and each fuzz target briefly. test-optimised runs
# them in the optimised build that make run and make package use.
test: deps
	@$(MAKE) --no-print-directory sanitize

test-optimised: build
	@cd $(BUILD) && mkdir -p -m 0700 runtime && XDG_RUNTIME_DIR=$$PWD/runtime XDG_CACHE_HOME=$$PWD/test-cache ctest --output-on-failure -j$(JOBS) --timeout 600

sanitize: deps
	@JOBS=$(JOBS) scripts/sanitize.sh $(BUILD)

fuzz: deps
	@FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/sanitizer-tests.sh fuzz $(BUILD)-asan

run: build
	@scripts/run-main.sh $(BUILD) $(SAMPLE)

bench: BENCH := ON
bench: build
	@scripts/run-benchmarks.sh $(BUILD)

package: build
	@cd $(BUILD) && cpack --config CPackConfig.cmake >/dev/null
	@scripts/check-package.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan
