# make run    installs what is missing, builds, and starts the window
# make test   installs what is missing, builds (warnings are errors), runs
#             every test, then builds and runs every test once more under
#             AddressSanitizer and UndefinedBehaviorSanitizer
# make deb    installs what is missing, builds the Debian packages
#             basewright and basewright-cli into build-deb/ and checks them
#             (lintian, desktop-file-validate, appstreamcli, their relations,
#             the unpacked programs)
# make bench  installs what is missing, builds the tests and the benchmarks,
#             and runs the benchmarks
# make fuzz   installs clang, builds the libFuzzer targets under ASan and
#             UBSan into build-fuzz/ and runs each for FUZZ_SECONDS seconds
#             (default 180), printing executions, time and crashes per target
# make clean  removes the build folders
#
# On a machine without make, ./build.sh TARGET installs it first.

JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: run test sanitize bench fuzz deb clean

FUZZ_SECONDS ?= 180

run:
	./tools/install-deps.sh run
	cmake -S . -B $(BUILD)-run -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-run -j$(JOBS) --target basewright basewright-cli
	./$(BUILD)-run/basewright

test:
	./tools/install-deps.sh test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DBASEWRIGHT_BENCHMARKS=OFF \
	  -DBASEWRIGHT_WERROR=ON
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600
	$(MAKE) sanitize

# The office bridge's objects get their vtables at run time, which UBSan's
# vptr check cannot follow, and the office's type singletons live until the
# process ends: tools/sanitizer/ holds those two suppressions, nothing else.
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tools/sanitizer/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$(CURDIR)/tools/sanitizer/ubsan.supp

sanitize:
	./tools/install-deps.sh test
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DBASEWRIGHT_BENCHMARKS=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1"
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && $(SANITIZE_ENV) ctest --output-on-failure -j$(JOBS) --timeout 600

# The benchmarks share the test build's folder; "make test" turns them off
# there again.
bench:
	./tools/install-deps.sh bench
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DBASEWRIGHT_BENCHMARKS=ON
	cmake --build $(BUILD) -j$(JOBS)
	./bench/run-benchmarks.sh $(BUILD)

fuzz:
	./tools/install-deps.sh fuzz
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
	  -DBASEWRIGHT_FUZZ=ON -DBASEWRIGHT_SPREADSHEET=OFF
	cmake --build $(BUILD)-fuzz -j$(JOBS) --target basewright_fuzzers
	./tests/fuzz/run-fuzzers.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

deb:
	JOBS=$(JOBS) ./tools/check-package.sh $(BUILD)-deb

clean:
	rm -rf $(BUILD) $(BUILD)-run $(BUILD)-asan $(BUILD)-deb $(BUILD)-fuzz
