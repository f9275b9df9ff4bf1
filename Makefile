# Single entry for people and CI. `make test` and `make demo` install what is
# missing (Debian packages), configure, build and run.
YOX_WERROR ?= OFF
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20
CONFIGURE_FLAGS = -DYOX_WERROR=$(YOX_WERROR)

.PHONY: all setup build build-asan test test-default test-asan demo fuzz clean

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

fuzz:
	@./scripts/setup.sh --fuzz
	@./fuzz/run.sh $(FUZZ_SECONDS)

clean:
	rm -rf build
