# Quick start: `make run` builds and starts the program in this folder;
# `make test` builds and runs the whole suite.
BUILD := $(CURDIR)/build
MAKEFLAGS += --no-print-directory
JOBS  ?= 2

.PHONY: all build run test clean

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

clean:
	rm -rf $(BUILD)
