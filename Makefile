BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all build run test clean

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

clean:
	rm -rf $(BUILD_DIR)
