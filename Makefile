# Dorrik's two set-up commands, `make run` and `make test`, and the rest of the workflow.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
DEMO := $(BUILD)/demo/pebblefen-demo.gb
# Where `make install` puts Dorrik; DESTDIR stages the whole tree elsewhere, for packagers.
PREFIX ?= /usr/local
DESTDIR ?=
MAKEFLAGS += --no-print-directory

.PHONY: all setup configure build run test bench soak sanitize format clean install package \
	windows windows-test windows-installer

all: build

setup:
	@tools/setup.sh

configure: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Starts the editor on the project's own demo image.
run: build
	@tools/run.sh $(BUILD)/src/dorrik $(DEMO)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

install: build
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, $(BUILD)/dorrik_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB

bench: build
	@tools/bench.sh $(BUILD)

# A long random run of user actions checked against a model: the seed comes from the date,
# or from DORRIK_SOAK_SEED to replay a run; DORRIK_SOAK_ACTIONS sets the length (20000).
soak: build
	@seed=$${DORRIK_SOAK_SEED:-$$(date +%s)}; \
	actions=$${DORRIK_SOAK_ACTIONS:-20000}; \
	echo "soak: DORRIK_SOAK_SEED=$$seed DORRIK_SOAK_ACTIONS=$$actions"; \
	QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$(abspath $(BUILD))/xdg-runtime \
		DORRIK_SOAK_SEED=$$seed DORRIK_SOAK_ACTIONS=$$actions $(BUILD)/tests/gui/tst_soak

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_BUILD ?= build-sanitize
sanitize: setup
	@cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DDORRIK_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tools/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)

# Windows, cross-built here with MinGW-w64 and tested under Wine: the first run builds Qt for
# Windows once (about 20 minutes on 2 cores) into a cache outside the checkout.
WINDOWS_BUILD ?= build-windows
windows:
	@tools/windows/build.sh $(WINDOWS_BUILD)

windows-installer: windows
	@tools/windows/installer.sh $(WINDOWS_BUILD)

# The Linux build brings the checker the Windows editor's screenshots are compared with.
windows-test: build windows-installer
	@tools/windows/test.sh $(WINDOWS_BUILD) $(BUILD)

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD) $(WINDOWS_BUILD)
