# make run : set up, build, run the bundled demo
# make test: set up, build, run all tests
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run clean

all: build

deps:
	@tools/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then cmake -S . -B $(BUILD) -G Ninja; fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

run: build
	@tools/run-demo $(BUILD)

clean:
	rm -rf $(BUILD)
