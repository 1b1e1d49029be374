# Quick start: `make run` builds and starts the program in this folder;
# `make test` builds and runs the whole suite; `make test-sanitize` runs it
# under the sanitizers in a build folder of its own, `make test-valgrind`
# whole days of the program under valgrind.
BUILD := $(CURDIR)/build
SANITIZE_BUILD := $(CURDIR)/build-sanitize
MAKEFLAGS += --no-print-directory
JOBS  ?= 2

# Every sanitizer report, leaks included, ends the process with a non-zero
# status. The end-to-end tests run the sanitized program as a child, which
# inherits these, and fail on any status but 0.
SANITIZER_ENV := \
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all build run test test-sanitize test-valgrind clean

all: build

$(BUILD)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >&2

# Build output goes to stderr so that `make run`'s standard output carries
# nothing but the program's own dialogue.
build: $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) -j $(JOBS) >&2

run: build
	@$(BUILD)/quenvaro

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(SANITIZE_BUILD)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DQUENVARO_SANITIZE=ON >&2

# The build runs the test binaries too (test discovery), so it gets the
# same options as the suite.
test-sanitize: $(SANITIZE_BUILD)/CMakeCache.txt
	@$(SANITIZER_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS) >&2
	@cd $(SANITIZE_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# The release program, the one `make run` starts.
test-valgrind: build
	@$(CURDIR)/tests/valgrind_dia.sh $(BUILD)/quenvaro

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD)
