# Quick start: `make run` builds and starts the program in this folder;
# `make test` builds and runs the whole suite.
BUILD := $(CURDIR)/build
MAKEFLAGS += --no-print-directory
JOBS  ?= 2

WINDOWS := $(CURDIR)/build-windows

.PHONY: all build run test clean build-windows test-windows package-windows

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

# Windows: cross-built with MinGW-w64, tested under wine.
$(WINDOWS)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(WINDOWS) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake >&2

build-windows: $(WINDOWS)/CMakeCache.txt
	@cmake --build $(WINDOWS) -j $(JOBS) >&2

test-windows: build-windows
	@cd $(WINDOWS) && ctest --output-on-failure -j $(JOBS)

package-windows: build-windows
	@cd $(WINDOWS) && cpack -G ZIP

clean:
	rm -rf $(BUILD) $(WINDOWS)
