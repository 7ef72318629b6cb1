# Two entry points: `make run` and `make test`. Both install what is
# missing, configure and build first.
BUILD ?= build
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
# Seconds each fuzz target runs under `make fuzz`.
FUZZ_SECONDS ?= 180

.PHONY: run test build deps configure asan bench clean fuzz fuzz-build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@bash scripts/run-demo.sh $(BUILD)

test: build fuzz-build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cd $(FUZZ_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Qt-free readers built by clang with libFuzzer and the sanitizers, in
# a build of their own: a short smoke per target and the regressions run
# with `make test`, minutes per target with `make fuzz`.
fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DVOXMILL_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: fuzz-build
	@bash scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	@$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DVOXMILL_ASAN=ON -DCMAKE_BUILD_TYPE=Debug"

bench: build
	@bash scripts/run-bench.sh $(BUILD)

clean:
	rm -rf $(BUILD) build-asan $(FUZZ_BUILD)
