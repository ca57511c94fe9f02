# SPDX-License-Identifier: MIT
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
SANITIZE_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
PACKAGE_DIR ?= build-deb
# CI sets WERROR=ON; a packager's newer compiler may warn where ours does not.
WERROR ?= OFF

.PHONY: all deps build run install test sanitize fuzz bench package clean

# Root in a checkout that belongs to someone else (sudo make ...) installs packages and nothing
# more: what it built would be root's, and the owner's next build could not change it.
owner := $(shell stat -c %u .)
ifeq ($(shell id -u),0)
ifneq ($(owner),0)
root_in_users_checkout := yes
endif
endif
ifdef root_in_users_checkout
not_as_root = @echo "The packages are installed. Now run \"make $@\" as $(shell stat -c %U .), not as root:" \
	"a build as root would leave files here that are not theirs." >&2; exit 1
else
not_as_root = @:
endif

# PREFIX is the build's: the program knows the folder it is installed into (see README, Settings).
configure = cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DTYPESHELF_WERROR=$(WERROR) \
	$(if $(PREFIX),-DCMAKE_INSTALL_PREFIX=$(PREFIX))

all: build

# Every package the build, the tests and the benchmarks need (as root; else it names them).
deps:
	scripts/install-deps.sh test

# The program, the tests and the benchmarks.
build:
	scripts/install-deps.sh build
	$(not_as_root)
	$(configure)
	cmake --build $(BUILD_DIR)

# The program alone.
run:
	scripts/install-deps.sh build
	$(not_as_root)
	$(configure)
	cmake --build $(BUILD_DIR) --target typeshelf
	$(BUILD_DIR)/typeshelf

# Installs under PREFIX (default /usr/local); packagers add DESTDIR=/staging/folder. Root in
# someone else's checkout installs what its owner built (with "make build PREFIX=..."), and
# gives back the list of installed files that CMake writes into the build folder.
install: $(if $(root_in_users_checkout),,build)
	DESTDIR=$(DESTDIR) cmake --install $(BUILD_DIR)
	$(if $(root_in_users_checkout),chown $(owner) $(BUILD_DIR)/install_manifest.txt)

test:
	scripts/install-deps.sh test
	$(not_as_root)
	$(MAKE) build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout 300
	$(MAKE) sanitize
	$(MAKE) fuzz FUZZ_SECONDS=30

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer; any
# report fails the run.
sanitize:
	scripts/install-deps.sh test
	$(not_as_root)
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTYPESHELF_SANITIZE=ON -DTYPESHELF_WERROR=$(WERROR)
	cmake --build $(SANITIZE_DIR)
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
		ctest --test-dir $(SANITIZE_DIR) --output-on-failure --timeout 300 --label-exclude bench

# Fuzzes the settings file rules, then the font path, for FUZZ_SECONDS each; new inputs stay
# in $(FUZZ_DIR)/corpus and $(FUZZ_DIR)/font-corpus.
fuzz:
	scripts/install-deps.sh test
	$(not_as_root)
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_CXX_COMPILER=clang++ -DTYPESHELF_FUZZ=ON -DBUILD_TESTING=OFF -DTYPESHELF_WERROR=$(WERROR)
	cmake --build $(FUZZ_DIR) --target fuzz_modini fuzz_fontpath
	mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/font-corpus
	$(FUZZ_DIR)/tests/fuzz/fuzz_modini -dict=tests/fuzz/ini.dict -max_len=4096 \
		-max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ \
		$(FUZZ_DIR)/corpus tests/fuzz/corpus
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/fuzz/lsan.supp \
		$(FUZZ_DIR)/tests/fuzz/fuzz_fontpath -max_len=65536 -timeout=30 \
		-max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/font- \
		$(FUZZ_DIR)/font-corpus tests/fuzz/fonts

# Generates the font corpora in the build tree (once), then runs every benchmark.
bench:
	scripts/install-deps.sh bench
	$(not_as_root)
	$(MAKE) build
	cmake --build $(BUILD_DIR) --target run_bench

# A Debian package built from a copy of the checkout's files (committed or not) in
# $(PACKAGE_DIR), where the .deb lands; needs dpkg-dev and debhelper (installed by make deps).
package:
	scripts/install-deps.sh package
	$(not_as_root)
	rm -rf $(PACKAGE_DIR) && mkdir -p $(PACKAGE_DIR)/typeshelf
	git ls-files -z --cached --others --exclude-standard | xargs -0 tar -cf - | tar -xf - -C $(PACKAGE_DIR)/typeshelf
	cd $(PACKAGE_DIR)/typeshelf && dpkg-buildpackage -us -uc -b
	lintian --fail-on error,warning $(PACKAGE_DIR)/*.changes

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR) $(PACKAGE_DIR)
