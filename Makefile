# Single entry for people and CI. `make test` and `make demo` install what is
# missing (Debian packages), configure, build and run.
YOX_WERROR ?= OFF
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
CONFIGURE_FLAGS = -DYOX_WERROR=$(YOX_WERROR)

.PHONY: all setup build build-asan test test-default test-asan demo package fuzz bench lines coverage clean

all: build

setup:
	@./scripts/setup.sh

build: setup
	@cmake --preset default $(CONFIGURE_FLAGS) >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: setup
	@cmake --preset asan $(CONFIGURE_FLAGS) >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test-default: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

test: test-default test-asan

demo: build
	@./build/default/tools/yoxhost/yoxhost demo

# The Debian packages libyoxclient1, libyoxclient-dev and yoxclient-tools, in build/default.
package: build
	@cmake --build --preset default --target package

fuzz:
	@./scripts/setup.sh --fuzz
	@./fuzz/run.sh $(FUZZ_SECONDS)

# Code and test lines per area (the suite stays near a third of the code).
lines:
	@./scripts/line_count.sh

# Benchmarks, pinned to one CPU with interleaved repetitions: first the programs of
# BENCH_PROGRAMS (empty to skip them), then the peer comparison, which ends with its
# markdown tables (and leaves its JSON in BENCH_DIR/peer_bench.json).
BENCH_DIR ?= build/default
BENCH_MIN_TIME ?= 0.25
BENCH_REPETITIONS ?= 5
BENCH_FILTER ?= .
BENCH_PROGRAMS ?= $(sort $(notdir $(basename $(wildcard bench/*_bench.cpp))))
BENCH_PIN = $(shell command -v taskset >/dev/null 2>&1 && echo taskset -c 0)
BENCH_FLAGS = --benchmark_min_time=$(BENCH_MIN_TIME) --benchmark_repetitions=$(BENCH_REPETITIONS) \
  --benchmark_enable_random_interleaving=true --benchmark_display_aggregates_only=true

bench: setup
	@cmake --preset default -B $(BENCH_DIR) $(CONFIGURE_FLAGS) >/dev/null
	@cmake --build $(BENCH_DIR) -j $(JOBS) --target peer_bench $(BENCH_PROGRAMS)
	@for program in $(BENCH_PROGRAMS); do \
	  $(BENCH_PIN) ./$(BENCH_DIR)/bench/$$program $(BENCH_FLAGS) || exit 1; \
	done
	@$(BENCH_PIN) ./$(BENCH_DIR)/bench/peer_bench $(BENCH_FLAGS) --benchmark_filter='$(BENCH_FILTER)' \
	  --benchmark_out=$(BENCH_DIR)/peer_bench.json --benchmark_out_format=json

# Line and branch coverage per file of src/, host/ and tools/ (gcov through gcovr).
coverage: setup
	@cmake --preset coverage $(CONFIGURE_FLAGS) >/dev/null
	@cmake --build --preset coverage -j $(JOBS)
	@find build/coverage -name '*.gcda' -delete
	@ctest --preset coverage -j $(JOBS) >/dev/null || echo "coverage: some tests failed; figures below are still what ran"
	@./scripts/coverage_report.sh build/coverage

clean:
	rm -rf build
