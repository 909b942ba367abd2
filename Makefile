# Front door of the project: every target installs what it needs first (scripts/install-deps.sh).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 10
CMAKE_FLAGS ?=
# CMake's generated makefiles are make processes of their own: keep them from announcing
# every directory they enter.
MAKEFLAGS += --no-print-directory

.PHONY: all deps configure build test test-asan fuzz bench demo screenshots parse package format format-check ci clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The test command of the README: builds everything and runs every test, X11 ones included.
test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; the package test
# (cpack and lintian, label "install") has nothing to find there and runs in `make test`.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DNABBIT_SANITIZE=ON \
		-DNABBIT_BENCHMARKS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE install

# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DNABBIT_FUZZ=ON -DNABBIT_TESTS=OFF -DNABBIT_BENCHMARKS=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: build
	@scripts/run-benchmarks.sh $(BUILD)

# Nabbit's main job in a scratch home: messages arrive, codes come out.
# The build's own output goes to a log file, so that the demo's lines stand out.
demo: configure
	@echo "Building Nabbit (the build's output goes to $(BUILD)/build.log) ..."
	@cmake --build $(BUILD) -j $(JOBS) > $(BUILD)/build.log 2>&1 \
		|| { tail -n 40 $(BUILD)/build.log; echo "The build failed; see $(BUILD)/build.log"; exit 1; }
	@scripts/demo.sh $(BUILD)

# The README's screenshots, light and dark, taken under a private Xvfb display.
screenshots: build
	@scripts/screenshots.sh $(BUILD) docs/screenshots

# Finds the code in one text: make parse TEXT='Your verification code is 482913'
TEXT ?= Your verification code is 482913
parse: build
	@$(BUILD)/bin/nabbit-parse "$(TEXT)"; true

# The Debian package, nabbit_<version>-<release>_<arch>.deb, in $(BUILD)/; lintian reviews it.
package: build
	@cd $(BUILD) && cpack -G DEB
	@lintian $(BUILD)/nabbit_*.deb

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

ci:
	@.ci/run

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
