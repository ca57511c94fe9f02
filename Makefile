BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
# CI sets WERROR=ON; a packager's newer compiler may warn where ours does not.
WERROR ?= OFF

.PHONY: all build run install test sanitize fuzz bench clean

all: build

build:
	scripts/install-deps.sh build
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTYPESHELF_WERROR=$(WERROR)
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/typeshelf

# Installs under PREFIX (default /usr/local); packagers add DESTDIR=/staging/folder.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR) $(if $(PREFIX),--prefix $(PREFIX))

test:
	scripts/install-deps.sh test
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout 300
	$(MAKE) sanitize
	$(MAKE) fuzz FUZZ_SECONDS=30

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails the run.
sanitize:
	scripts/install-deps.sh test
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTYPESHELF_SANITIZE=ON -DTYPESHELF_WERROR=$(WERROR)
	cmake --build $(SANITIZE_DIR)
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
		ctest --test-dir $(SANITIZE_DIR) --output-on-failure --timeout 300 --label-exclude bench

# Fuzzes the settings file rules, then the font path, for FUZZ_SECONDS each; new inputs stay
# in $(FUZZ_DIR)/corpus and $(FUZZ_DIR)/font-corpus.
fuzz:
	scripts/install-deps.sh test
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DTYPESHELF_FUZZ=ON -DBUILD_TESTING=OFF -DTYPESHELF_WERROR=$(WERROR)
	cmake --build $(FUZZ_DIR) --target fuzz_modini fuzz_fontpath
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/font-corpus
	$(FUZZ_DIR)/tests/fuzz/fuzz_modini -dict=tests/fuzz/ini.dict -max_len=4096 \
		-max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ \
		$(FUZZ_DIR)/corpus tests/fuzz/corpus
	$(FUZZ_DIR)/tests/fuzz/fuzz_fontpath -max_len=65536 -timeout=30 \
		-max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/font- \
		$(FUZZ_DIR)/font-corpus tests/fuzz/fonts

# Generates the font corpora in the build tree (once), then runs every benchmark.
bench:
	scripts/install-deps.sh bench
	$(MAKE) build
	cmake --build $(BUILD_DIR) --target run_bench

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
