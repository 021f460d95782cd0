# The two commands of the README: `make demo` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: setup build test demo clean

setup:
	@scripts/setup

build: setup
	cmake -S . -B $(BUILD_DIR) -G Ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

demo: build
	@scripts/demo $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
