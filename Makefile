# Two entry points for a fresh Debian 12 machine:
#   make test   install what is missing, configure, build, run every test
#   make run    same set-up, then run the main job on the bundled sample
# and the Debian package:
#   make package  build/package/ferrywell_<version>_amd64.deb, then checked
BUILD ?= build
JOBS ?= 2
SAMPLE := samples/names.dxl

.PHONY: deps configure build test run bench package clean

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600

run: build
	@scripts/run-main.sh $(BUILD) $(SAMPLE)

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

package: build
	@cd $(BUILD) && cpack --config CPackConfig.cmake >/dev/null
	@scripts/check-package.sh $(BUILD)

clean:
	rm -rf $(BUILD)
