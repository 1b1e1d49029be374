# Quick start: `make` builds every program; `make install` installs them
# into PREFIX (default /usr/local); `make run` builds and starts the console
# in this folder; `make test` builds and runs the whole suite; `make test-sanitize` runs it
# under the sanitizers in a build folder of its own, `make test-valgrind`
# whole days of the program under valgrind, and `make fuzz` the fuzz
# targets in another build folder; `make test-windows` cross-builds
# quenvaro.exe and runs the suite under wine. What each needs installed:
# README.md's quick start, docs/development.md and docs/windows.md.
BUILD := $(CURDIR)/build
SANITIZE_BUILD := $(CURDIR)/build-sanitize
FUZZ_BUILD := $(CURDIR)/build-fuzz
WINDOWS := $(CURDIR)/build-windows
# bench/bench.py's; only `make clean` needs its name here.
BENCH_BUILD := $(CURDIR)/build-bench
PREFIX ?= /usr/local
# What `make` builds and `make install` installs.
PROGRAMAS := quenvaro quenvaro-informe quenvaro-pantalla
MAKEFLAGS += --no-print-directory
JOBS  ?= 2
FUZZ_SECONDS ?= 30
FUZZ_TARGETS ?= interpretar_entero recuperar_cola interpretar_registro

# Every sanitizer report, leaks included, ends the process with a non-zero
# status. The end-to-end tests run the sanitized program as a child, which
# inherits these, and fail on any status but 0.
SANITIZER_ENV := \
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1:verify_asan_link_order=0 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all build install run test test-sanitize test-valgrind fuzz bench clean \
        build-windows test-windows package-windows

# The programs alone, with the tests off as for `make run`; named one by
# one, so that a build/ that `make test` configured still builds no test.
all: $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target $(PROGRAMAS) -j $(JOBS) >&2

install: all
	@cmake --install $(BUILD) --prefix $(PREFIX)

# `make run` configures build/ for the program alone and builds only its
# target, so it needs no test framework. `make test` configures the same
# folder with the tests on every time (a quick no-op when nothing changed;
# it also finds a GoogleTest installed since), and nothing turns them off
# again, so the program's objects are built once for both.
$(BUILD)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DQUENVARO_TESTS=OFF >&2

# Build output goes to stderr so that `make run`'s standard output carries
# nothing but the program's own dialogue.
build: $(BUILD)/CMakeCache.txt
	@cmake --build $(BUILD) --target quenvaro -j $(JOBS) >&2

run: build
	@$(BUILD)/quenvaro

test:
	@cmake -S $(CURDIR) -B $(BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DQUENVARO_TESTS=ON >&2
	@cmake --build $(BUILD) -j $(JOBS) >&2
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Windows: cross-built with MinGW-w64, tested under wine.
$(WINDOWS)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(WINDOWS) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake >&2

build-windows: $(WINDOWS)/CMakeCache.txt
	@cmake --build $(WINDOWS) -j $(JOBS) >&2

test-windows: build-windows
	@cd $(WINDOWS) && ctest --output-on-failure -j $(JOBS)

# The installer beside the zip; without makensis this says what to install.
package-windows: build-windows
	@cmake --build $(WINDOWS) --target instalador >&2
	@cd $(WINDOWS) && cpack -G ZIP

$(SANITIZE_BUILD)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug \
	  -DQUENVARO_SANITIZE=ON >&2

# The build runs the test binaries too (test discovery), so it gets the
# same options as the suite. A process ended by a report skips its
# destructors, so the tests' scratch folders go under the build folder.
test-sanitize: $(SANITIZE_BUILD)/CMakeCache.txt
	@$(SANITIZER_ENV) cmake --build $(SANITIZE_BUILD) -j $(JOBS) >&2
	@mkdir -p $(SANITIZE_BUILD)/tmp
	@cd $(SANITIZE_BUILD) && TMPDIR=$(SANITIZE_BUILD)/tmp $(SANITIZER_ENV) \
	  ctest --output-on-failure -j $(JOBS)

# The release program, the one `make run` starts.
test-valgrind: build
	@$(CURDIR)/tests/valgrind_dia.sh $(BUILD)/quenvaro

$(FUZZ_BUILD)/CMakeCache.txt:
	@cmake -S $(CURDIR) -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DQUENVARO_FUZZ=ON -DQUENVARO_TESTS=OFF >&2

# Each target runs FUZZ_SECONDS on a fresh copy of its committed seeds, so
# the inputs it adds stay in the build folder; a crash input is saved
# there as crash-* and fails the run. A crashed target leaves its private
# working folder behind, so those go under the build folder too.
fuzz: $(FUZZ_BUILD)/CMakeCache.txt
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) >&2
	@for t in $(FUZZ_TARGETS); do \
	  rm -rf $(FUZZ_BUILD)/corpus/$$t && mkdir -p $(FUZZ_BUILD)/corpus/$$t \
	    $(FUZZ_BUILD)/hallazgos $(FUZZ_BUILD)/tmp && \
	  cp $(CURDIR)/fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/ && \
	  echo "fuzz_$$t: $(FUZZ_SECONDS) s" && \
	  TMPDIR=$(FUZZ_BUILD)/tmp $(SANITIZER_ENV) $(FUZZ_BUILD)/fuzz/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) \
	    -max_len=4096 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/hallazgos/$$t- \
	    $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

# Builds its own release binary in build-bench/ and a plain C yardstick,
# and prints a table of timings; then the report's and the screen's
# timings; see bench/README.md.
bench:
	@python3 bench/bench.py
	@python3 bench/informe.py
	@python3 bench/pantalla.py
	@python3 bench/mesas.py

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(FUZZ_BUILD) $(WINDOWS) $(BENCH_BUILD)
