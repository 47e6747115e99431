# The two set-up commands: `make demo` runs the tool on the demo lab, `make test`
# runs every test. Both install what is missing, configure and build first.
BUILD      ?= build
BUILD_SAN  ?= build-sanitize
BUILD_REL  ?= build-release
BUILD_FUZZ ?= build-fuzz
BUILD_WIN  ?= build-win32
BUILD_WIN64 ?= build-win64
SECONDS    ?= 60
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
DEMO_RUN   := $(BUILD)/demo-run

.PHONY: all deps configure build build-release demo test test-sanitize bench test-vm fuzz clean \
	windows windows64 windows-package test-windows

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSSDTOOLS_WERROR=ON

configure: $(BUILD)/build.ninja

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

# The run log's file name is taken against the current folder, so the demo runs
# in its own folder under the build tree, on the built-in demo lab whose drive
# state is kept there too. The tool opens its window when there is a display,
# else it runs headless and prints the run log.
demo: build
	@mkdir -p $(DEMO_RUN)
	cd $(DEMO_RUN) && SSDTOOLS_DEMO_LAB=$(CURDIR)/$(BUILD)/demo-lab \
	  $(CURDIR)/$(BUILD)/bin/ssdtools --home $(CURDIR)/$(BUILD)/demo --lab demo

test: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

test-sanitize: deps
	cmake -S . -B $(BUILD_SAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSSDTOOLS_SANITIZE=ON -DSSDTOOLS_WERROR=ON
	cmake --build $(BUILD_SAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(BUILD_SAN) -j $(JOBS) --output-on-failure

# The optimised build a packager makes (the tool, its libraries and the window),
# with warnings as errors so that what only the optimiser sees is caught too.
build-release: deps
	cmake -S . -B $(BUILD_REL) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DSSDTOOLS_WERROR=ON \
	  -DSSDTOOLS_BUILD_TESTS=OFF
	cmake --build $(BUILD_REL) -j $(JOBS)

# The clone benchmark (2 GiB lab disks against dd and cp); prints its table.
# Timings, so never part of `make test`.
bench: deps configure
	cmake --build $(BUILD) --target ssdtools -j $(JOBS)
	bench/clone_bench.sh $(BUILD)/bin/ssdtools

# The Linux backend on Debian's own 6.1 kernel in QEMU, next to smartctl and
# nvme-cli (tests/vm). Needs the VM packages and downloads the kernel package
# into the build folder once; not part of `make test`.
test-vm: configure
	@scripts/install-deps.sh --vm
	cmake --build $(BUILD) --target ssdtools ssdtools_vm_probe -j $(JOBS)
	tests/vm/run_vm_test.sh $(BUILD)

# The libFuzzer targets of fuzz/ (clang, ASan + UBSan, -O1 with line tables), each run for
# SECONDS seconds on its corpus; fails when any of them finds something.
fuzz:
	@scripts/install-deps.sh --fuzz
	cmake -S . -B $(BUILD_FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSSDTOOLS_WERROR=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSSDTOOLS_FUZZ=ON \
	  -DSSDTOOLS_BUILD_GUI=OFF -DSSDTOOLS_BUILD_TESTS=OFF
	cmake --build $(BUILD_FUZZ) --target fuzzers -j $(JOBS)
	fuzz/run_fuzzers.sh $(BUILD_FUZZ) $(SECONDS)

# The 32-bit Windows programs, cross-compiled with mingw-w64 and linked
# statically; the build runs the demo package generator under wine.
windows:
	@scripts/install-deps.sh --windows
	cmake -S . -B $(BUILD_WIN) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSSDTOOLS_WERROR=ON
	cmake --build $(BUILD_WIN) -j $(JOBS) --target ssdtools ssdtools-cli ssd_demo_home

# The same sources for 64-bit Windows: compiled, tests built, nothing packaged.
windows64:
	@scripts/install-deps.sh --windows
	cmake -S . -B $(BUILD_WIN64) $(CMAKE_GEN) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSSDTOOLS_WERROR=ON
	cmake --build $(BUILD_WIN64) -j $(JOBS)

# ssdtools-win32.zip in the Windows build folder: both programs, the demo's
# tool folder and a README.
windows-package: windows
	scripts/package-windows.sh $(BUILD_WIN)

# Every test executable that needs neither the Linux backend nor Qt, built for
# i686 and run under wine (one CTest test each), then the command line under
# wine against the Linux build on the demo lab.
test-windows: windows configure
	cmake --build $(BUILD_WIN) -j $(JOBS)
	ctest --test-dir $(BUILD_WIN) -j $(JOBS) --output-on-failure
	cmake --build $(BUILD) -j $(JOBS) --target ssdtools ssd_demo_home
	tests/windows/compare_cli.sh $(BUILD)/bin/ssdtools $(BUILD)/demo $(BUILD_WIN)

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_REL) $(BUILD_FUZZ) $(BUILD_WIN) $(BUILD_WIN64)
