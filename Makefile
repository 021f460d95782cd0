# The two commands of the README: `make demo` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build test test-asan test-tsan fuzz-smoke bench demo package package-check format format-check tidy clean

setup:
	@scripts/setup

# Installed under /usr, the layout of the Debian package.
build: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_INSTALL_PREFIX=/usr
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# Everything, the shell and its end-to-end tests included, under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build of its own.
# Any report of any process fails the run.
ASAN_BUILD_DIR ?= build-asan
# ASAN_SHELL=OFF leaves the shell and its end-to-end tests out, for a
# quicker run of the core alone.
ASAN_SHELL ?= ON
# GTK's own file chooser, driven by keystrokes, is too slow under the
# sanitizers to take a typed path reliably, and when it drops one it leaks
# inside GLib where no frame names the caller; `make test` runs it.
ASAN_EXCLUDED ?= ^FileChooserTest\.
test-asan: setup
	CC=clang CXX=clang++ cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DLUMETRA_SANITIZE=ON -DLUMETRA_SHELL=$(ASAN_SHELL)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	JOBS=$(JOBS) scripts/sanitized-tests $(ASAN_BUILD_DIR) -E '$(ASAN_EXCLUDED)'

# The core (not the shell) and its tests under ThreadSanitizer in a build of
# its own: the delivery threads, the spooler watch and a logo's inflating
# thread. Any report of any process fails the run.
TSAN_BUILD_DIR ?= build-tsan
test-tsan: setup
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD_DIR) -G Ninja -DLUMETRA_SHELL=OFF -DLUMETRA_SANITIZE_THREADS=ON
	cmake --build $(TSAN_BUILD_DIR) -j $(JOBS)
	JOBS=$(JOBS) scripts/sanitized-tests $(TSAN_BUILD_DIR)

# A short run of every libFuzzer target in tests/fuzz, built with clang in
# build-fuzz (scripts/fuzz runs them for longer).
FUZZ_SECONDS ?= 6
fuzz-smoke: setup
	JOBS=$(JOBS) scripts/fuzz $(FUZZ_SECONDS)

# Benchmarks (not part of `make test`): receipt and logo encoding against
# JavaScript encoders from npm; window function calls and web process memory
# through the real shell; page freeze and ticket delivery per printer state;
# discovery at scale (root, network namespaces).
bench: build
	bench/encoding.sh $(BUILD_DIR)
	$(BUILD_DIR)/bench/shell_bench
	$(BUILD_DIR)/bench/delivery_bench
	bench/discovery.sh $(BUILD_DIR)

demo: build
	@scripts/demo $(BUILD_DIR)

# The Debian package (build/package/lumetra_VERSION_ARCH.deb), then its
# check: lintian, an install on this machine (root) or into a scratch root,
# the installed kiosk session on the demo till under Xvfb, and removal.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

package-check: package
	scripts/package-check $(BUILD_DIR)

# The house style (.clang-format): `format` applies it, `format-check` (CI)
# fails on any file that differs from it.
FORMATTED = git ls-files '*.cc' '*.h'
format:
	$(FORMATTED) | xargs clang-format -i

format-check: setup
	$(FORMATTED) | xargs clang-format --dry-run --Werror

# The static checks of .clang-tidy on every .cc of src/ and tools/, from the
# compile commands of a clang configuration of the whole tree in
# build-tidy (configured, not built; clang sees the thread annotations).
# Any finding fails.
TIDY_BUILD_DIR ?= build-tidy
TIDY_SOURCES = git ls-files 'src/*.cc' 'tools/*.cc'
tidy: setup
	CC=clang CXX=clang++ cmake -S . -B $(TIDY_BUILD_DIR) -G Ninja -DLUMETRA_SHELL=ON >/dev/null
	@if command -v run-clang-tidy >/dev/null; then \
	  run-clang-tidy -quiet -p $(TIDY_BUILD_DIR) -j $(JOBS) $$($(TIDY_SOURCES) | sed 's|^|$(CURDIR)/|'); \
	else \
	  $(TIDY_SOURCES) | xargs -P $(JOBS) -n 4 clang-tidy --quiet -p $(TIDY_BUILD_DIR); \
	fi

# Every build folder the Makefile and scripts/fuzz make.
clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(TSAN_BUILD_DIR) $(TIDY_BUILD_DIR) build-fuzz
