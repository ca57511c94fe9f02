BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all build run test bench clean

all: build

build:
	scripts/install-deps.sh build
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/typeshelf

test:
	scripts/install-deps.sh test
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout 300

# Generates the font corpora in the build tree (once), then runs every benchmark.
bench:
	scripts/install-deps.sh bench
	$(MAKE) build
	/usr/bin/python3 bench/run_bench.py $(BUILD_DIR) $(BUILD_DIR)/bench/results.json

clean:
	rm -rf $(BUILD_DIR)
