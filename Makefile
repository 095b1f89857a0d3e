# make check: install what a fresh Debian 12 machine lacks, configure, build
# and run every test. make demo prints two reports from the register simulator.
# make package builds the Debian packages kelvor and libkelvodrv-dev in
# $(BUILD_DIR)/packages. make check-sanitize does the same in a second build
# folder with AddressSanitizer and UndefinedBehaviorSanitizer. make check also
# runs every fuzz harness for FUZZ_SECONDS (a clang build in build-fuzz);
# make fuzz runs them for FUZZ_LONG_SECONDS each.

BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 15
FUZZ_LONG_SECONDS ?= 600
JOBS ?= $(shell nproc)
# A test that hangs fails after this many seconds instead of holding up the run.
TEST_TIMEOUT ?= 900

# Debian packages the build and the tests use.
PACKAGES := cmake ninja-build g++ gcc make pkg-config binutils libgtest-dev libbenchmark-dev nlohmann-json3-dev libcsv-dev \
	qt6-base-dev qt6-translations-l10n libqt6svg6 fonts-liberation xvfb xauth xdotool xclip x11-utils imagemagick desktop-file-utils \
	libisoburn-dev libburn-dev libisofs-dev xorriso poppler-utils cups cups-filters \
	man-db groff-base clang libclang-rt-14-dev libxcb1-dev \
	dpkg-dev lintian appstream procps

.PHONY: all deps build check sanitize check-sanitize fuzz-build check-fuzz fuzz demo install package clean

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "installing:$$missing"; \
		apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_WERROR=ON

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

check: build fuzz-build
	ctest --test-dir $(BUILD_DIR) --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS)
	bash tests/fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

$(FUZZ_DIR)/build.ninja:
	cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_WERROR=ON -DKELVO_FUZZ=ON \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++

fuzz-build: deps $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzzers

check-fuzz: fuzz-build
	bash tests/fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

fuzz: fuzz-build
	bash tests/fuzz/run.sh $(FUZZ_DIR) $(FUZZ_LONG_SECONDS)

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKELVO_WERROR=ON -DKELVO_SANITIZE=ON

sanitize: deps $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)

check-sanitize: sanitize
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp \
		ctest --test-dir $(SANITIZE_DIR) --output-on-failure --timeout $(TEST_TIMEOUT) -j $(JOBS)

demo: build
	bash tools/demo.sh $(BUILD_DIR)

install: build
	cmake --install $(BUILD_DIR)

package: build
	cpack --config $(BUILD_DIR)/CPackConfig.cmake -B $(BUILD_DIR)/packages
	@ls $(BUILD_DIR)/packages/*.deb

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
