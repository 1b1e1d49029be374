# Quick start: `make run` builds and starts the program in this folder;
# `make test` builds and runs the whole suite.
BUILD := $(CURDIR)/build
MAKEFLAGS += --no-print-directory
JOBS  ?= 2

.PHONY: all build run test bench clean

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

# Builds its own release binary in build-bench/ and a plain C yardstick,
# and prints a table of timings; see bench/README.md.
bench:
	@python3 bench/bench.py

clean:
	rm -rf $(BUILD)
