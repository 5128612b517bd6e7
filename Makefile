# Everything a fresh Debian 12 machine needs: `make run` and `make test`.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: all deps configure build run test install bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) > /dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/src/pelvane

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Honours DESTDIR for staged installs, as cmake --install does.
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)

# Benchmarks (Google Benchmark): one run, the JSON report in bench-results.json, then the table.
bench: build
	$(BUILD_DIR)/bench/pelvane_bench --benchmark_out=$(CURDIR)/bench-results.json \
		--benchmark_out_format=json --benchmark_min_time=0.5
	@scripts/bench-report bench-results.json

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)

# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer; any report ends its test
# with a failure. Same build type as `build`, so `make install BUILD_DIR=...` (which tst_programs
# runs on its own build) finds the configuration unchanged and nothing to rebuild.
SANITIZE_BUILD_DIR ?= build-asan
SANITIZE_ENV = QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

# libFuzzer targets (clang), each run for FUZZ_SECONDS by fuzz-run.
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: test-sanitize fuzz fuzz-run fuzz-seeds

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD_DIR) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DPELVANE_SANITIZE=ON \
		-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON > /dev/null
	@cmake --build $(SANITIZE_BUILD_DIR) -j $(JOBS)
	cd $(SANITIZE_BUILD_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS)

fuzz: deps
	@cmake -S fuzz -B $(FUZZ_BUILD_DIR) -DCMAKE_CXX_COMPILER=clang++ \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)

fuzz-run: fuzz
	fuzz/run-fuzzers.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS)

# Rewrites the committed seed corpora from their generator.
fuzz-seeds:
	python3 fuzz/make-seeds.py
