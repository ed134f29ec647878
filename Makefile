# Thin wrapper over CMake presets. Every target first installs or builds what it needs, so
# each one works on its own on a fresh Debian machine.

SHELL := /bin/bash
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)

# Debian packages the build, the tests and the tools need; the windows' tests press keys on an
# X display of their own (xvfb, xdotool).
PACKAGES := cmake ninja-build g++ make libgtest-dev libgmock-dev libcli11-dev nlohmann-json3-dev \
            clang libclang-rt-14-dev clang-format binutils srecord \
            qt6-base-dev libx11-dev fonts-dejavu-core xvfb xdotool \
            dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin \
            shared-mime-info libglib2.0-bin tmux

# What the Windows build adds: the mingw-w64 cross compiler, wine to run what it built,
# GoogleTest's sources to build for Windows, an X server without a screen for the window's
# test, and wixl (of msitools) to build the installer.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix wine wine64 googletest xvfb wixl

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# A private wine prefix for the Windows tests, quiet and without a display.
WINE_ENV := WINEPREFIX=$(CURDIR)/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

.PHONY: all deps build check demo asan fuzz format format-check package package-check clean \
        windows-deps windows windows-check

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi

build: deps
	cmake --preset default
	cmake --build --preset default -j $(JOBS)

check: build
	ctest --preset default -j $(JOBS)

# The window on the simulated probe, with update files newer than its firmware and logic;
# kvxctl tells the same story where there is no display.
demo: build
	@demo/run-demo.sh

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	@set -eo pipefail; for target in build-fuzz/fuzz/fuzz_*; do \
	  [ -x "$$target" ] || continue; \
	  corpus=$$(mktemp -d); \
	  echo "== $$(basename $$target) for $(FUZZ_SECONDS) s"; \
	  "$$target" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $$corpus 2>&1 | tail -n 3; \
	  rm -rf $$corpus; \
	done

# The version CMake's project() sets, which the package and every program must carry.
VERSION = $(shell sed -n 's/^project.kvxsetup VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
PACKAGE_FILE = build-package/kvxsetup_$(VERSION)_amd64.deb

# The Debian package, from its own Release build.
package: deps
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	cd build-package && cpack
	@echo "Built $(PACKAGE_FILE)"

package-check: package
	packaging/check-package.sh $(PACKAGE_FILE) $(VERSION)

windows-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WINDOWS_PACKAGES)"

# kvxctl.exe, kvxsetup.exe, the unit tests that need no pseudo-terminal,
# kvxsetup-<version>-x64.msi and kvxctl-<version>-win64.zip.
windows: deps windows-deps
	cmake --preset windows -DKVX_WINE_DRIVER=$(CURDIR)/build/tests/windows/kvxctl_wine_tests \
	  -DKVX_WINDOW_WINE_TEST=$(CURDIR)/build/tests/windows/kvxsetup_wine_tests
	cmake --build --preset windows -j $(JOBS)
	cd build-windows && cpack -G ZIP

# The unit tests under wine, kvxctl.exe and the window end to end against kvxsim, driven from
# Linux, and the installer in a fresh prefix. The window has a wine prefix of its own, which
# it starts on its own X display.
windows-check: windows
	cmake --preset default
	cmake --build --preset default -j $(JOBS) --target kvxctl_wine_tests kvxsetup_wine_tests
	@[ -d build-windows/wine ] || { echo "Creating the wine prefix"; $(WINE_ENV) wineboot -i >/dev/null 2>&1; }
	@[ -d build-windows/wine-window ] || { echo "Creating the window's wine prefix"; \
	  $(WINE_ENV) WINEPREFIX=$(CURDIR)/build-windows/wine-window wineboot -i >/dev/null 2>&1; }
	$(WINE_ENV) ctest --preset windows -j $(JOBS)

FORMAT_FILES = $(shell git ls-files '*.cpp' '*.h')

format: deps
	clang-format -i $(FORMAT_FILES)

format-check: deps
	@clang-format --dry-run --Werror $(FORMAT_FILES) && echo "clang-format: all files formatted"

clean:
	rm -rf build build-asan build-fuzz build-package build-windows
