# make run : set up, build, run the bundled demo
# make test: set up, build, run all tests: once plainly (build/) and once under
#            AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)
BUILD ?= build
SANITIZE_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all deps configure configure-sanitize build build-sanitize test test-plain run clean

all: build

deps:
	@tools/install-deps

configure: deps
	@if [ ! -f $(BUILD)/build.ninja ]; then cmake -S . -B $(BUILD) -G Ninja; fi

configure-sanitize: deps
	@if [ ! -f $(SANITIZE_BUILD)/build.ninja ]; then \
	  cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DMOVANE_SANITIZE=address; fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

build-sanitize: configure-sanitize
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)

# Both suites run even when the first fails; the target fails when any part did. Then
# the build-only check that the VM libraries compile for aarch64.
test: deps build build-sanitize
	@status=0; \
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure || status=1; \
	ctest --test-dir $(SANITIZE_BUILD) -j $(JOBS) --output-on-failure || status=1; \
	tools/check-aarch64 || status=1; \
	exit $$status

test-plain: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

run: build
	@tools/run-demo $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
