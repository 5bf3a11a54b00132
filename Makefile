# make run   installs what is missing, builds, and starts the window
# make test  installs what is missing, builds, and runs every test
#            (and the core tests once more under AddressSanitizer and
#            UndefinedBehaviorSanitizer)

JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: run test build build-tests sanitize bench clean

run:
	./tools/install-deps.sh run
	cmake -S . -B $(BUILD)-run -DCMAKE_BUILD_TYPE=Release -DBASEWRIGHT_BENCHMARKS=OFF
	cmake --build $(BUILD)-run -j$(JOBS) --target basewright basewright-cli
	./$(BUILD)-run/basewright

test:
	./tools/install-deps.sh test
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 600
	$(MAKE) sanitize

sanitize:
	cmake -S . -B $(BUILD)-asan -DCMAKE_BUILD_TYPE=Debug -DBASEWRIGHT_CORE_ONLY=ON -DBASEWRIGHT_BENCHMARKS=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1"
	cmake --build $(BUILD)-asan -j$(JOBS)
	cd $(BUILD)-asan && ctest --output-on-failure -j$(JOBS) --timeout 600

bench:
	./tools/install-deps.sh bench
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j$(JOBS)
	./bench/run-benchmarks.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD)-run $(BUILD)-asan
