# make run : set up, build, run the bundled demo
# make test: set up, build, run all tests: once plainly (build/) and once under
#            AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)
BUILD ?= build
SANITIZE_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all deps configure configure-sanitize build build-sanitize test test-plain test-both run clean

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

# Both suites run even when the first fails; the target fails when either did. Where
# 32-bit programs run only under QEMU's emulator, AddressSanitizer cannot work (the
# emulator's memory layout leaves its allocator without room, and the leak checker
# needs ptrace): there the plain suite runs alone, and says so.
test: deps
	@if tools/emulated-32bit; then \
	  echo "make test: 32-bit programs run under an emulator on this machine;" \
	       "the sanitizer suite needs a kernel that runs them and is left out"; \
	  $(MAKE) --no-print-directory test-plain; \
	else \
	  $(MAKE) --no-print-directory test-both; \
	fi

test-plain: build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

test-both: build build-sanitize
	@status=0; \
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure || status=1; \
	ctest --test-dir $(SANITIZE_BUILD) -j $(JOBS) --output-on-failure || status=1; \
	exit $$status

run: build
	@tools/run-demo $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
