# Thin wrappers over the CMake build. `make run` and `make test` set up a fresh Debian 12 machine themselves.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: all deps configure build run test proofs bench install package format clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR)

run: build
	@if [ -x $(BUILD_DIR)/bin/wendle ]; then exec $(BUILD_DIR)/bin/wendle; \
	else echo "The Wendle application is not built yet: only its core library and tests exist."; exit 1; fi

test: build
	cd $(BUILD_DIR) && ../scripts/test-session.sh ctest --output-on-failure

# What CI runs after the tests: crash trials, every fuzzer for 20 s, and the suite under the sanitizers.
proofs: build
	bash scripts/crash-trials.sh 20 $(BUILD_DIR)
	bash scripts/fuzz.sh 20
	bash scripts/sanitize.sh

bench: build
	scripts/test-session.sh sh -c '$(BUILD_DIR)/bin/wendle_bench && $(BUILD_DIR)/bin/wendle_app_bench && $(BUILD_DIR)/bin/wendle_reminders_bench && $(BUILD_DIR)/bin/wendle_recover_bench'

# Installs the program, its prompt bank, desktop entry and PAM service (/etc/pam.d/wendle): run as root.
install: build
	cmake --install $(BUILD_DIR)

# A Debian package of the build, in $(BUILD_DIR): wendle_<version>_<arch>.deb.
package: build
	cd $(BUILD_DIR) && cpack

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
