# Sorrel: the two commands a newcomer needs are `make demo` and `make test`.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=
# ccache, where the machine has it, shares compiled objects between clones of the
# tree (CI builds a fresh clone each time): paths are taken relative to the clone.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_FLAGS += -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
endif

.PHONY: all deps build test test-asan demo demo-gui install clean bench

all: build

deps:
	@scripts/install-deps

CONFIGURE = cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORREL_INTEROP=ON $(CMAKE_FLAGS)

$(BUILD)/build.ninja: CMakeLists.txt
	$(CONFIGURE)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The tests build with warnings as errors, as CI does.
test: deps
	$(CONFIGURE) -DSORREL_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSORREL_SANITIZE=ON -DSORREL_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# The main job on the sample phone book; the outputs go to out/.
demo: build
	scripts/demo $(BUILD)/tools/sorrel/sorrel examples out

# The phone book manager on the sample book, in a window: the wait dialog starts
# the phone server simulator from out/demo-gui, which serves a copy of the book.
demo-gui: build
	tools/marlow/demo-gui.sh $(BUILD)

# The benchmarks, in Release in build-bench/, then docs/PERFORMANCE.md from their
# figures (a few minutes; never part of `make test`).
bench: deps
	cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORREL_BENCH=ON -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build build-bench -j $(JOBS) --target sorrel_bench sorrel_gen_tool sorrel_tool
	python3 bench/report.py --build build-bench --out docs/PERFORMANCE.md

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) build-bench build-fuzz out

# Every fuzz target for 60 s, one process per core (clang, libFuzzer, sanitizers);
# fails on any crash, sanitizer report, leak or time-out. See docs/RELIABILITY.md.
.PHONY: fuzz-smoke
fuzz-smoke: deps
	fuzz/smoke.sh
