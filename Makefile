# Entry points for newcomers: `make run` and `make test` do all their own
# set-up on a fresh Debian 12 machine.

BUILD ?= build
WINDOWS_BUILD ?= build-windows
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

BUILD_PACKAGES := cmake g++ make qtbase5-dev qtbase5-dev-tools fonts-wqy-microhei
RUN_PACKAGES := xvfb xdotool x11-utils imagemagick
TEST_PACKAGES := binutils-mingw-w64-i686 valgrind desktop-file-utils appstream dpkg-dev \
                 libxcb1-dev openbox wmctrl dbus-daemon at-spi2-core python3-pyatspi \
                 weston qtwayland5 clang libclang-rt-14-dev qemu-system-arm

# The Windows programs: MinGW-w64 and NSIS build them, Wine runs their tests.
# 32-bit Wine is an i386 package; a machine that cannot execute 32-bit x86
# code tests the 64-bit build under 64-bit Wine instead (scripts/windows-arch.sh).
# The Windows console program talks to the same Linux QEMU as the Linux one.
WINDOWS_PACKAGES := g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
                    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 dpkg-dev nsis zip
WINE32_PACKAGES := wine wine32 unzip qemu-system-arm
WINE64_PACKAGES := wine wine64 unzip qemu-system-arm

.PHONY: all deps deps-run deps-test build run test bench package clean \
        deps-windows deps-wine32 deps-wine64 windows windows32 windows64 test-windows

all: build

# Installs only what is missing, so repeated runs do not touch apt at all.
# A mirror in the middle of a sync can fail one index of the update; the
# packages may well be installable from the others, so the install decides.
# Recommended packages come along (Xvfb's fonts among them): the tests were
# made on machines set up that way.
define ensure_packages
	@missing=""; for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq || { sleep 30; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq; } || \
			echo "apt-get update failed; installing from the lists there are"; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call ensure_packages,$(BUILD_PACKAGES))

deps-run: deps
	$(call ensure_packages,$(RUN_PACKAGES))

deps-test: deps-run
	$(call ensure_packages,$(TEST_PACKAGES))

deps-windows: deps
	$(call ensure_packages,$(WINDOWS_PACKAGES))

deps-wine32: deps-windows deps-run
	@dpkg --print-foreign-architectures | grep -qx i386 || $(SUDO) dpkg --add-architecture i386
	$(call ensure_packages,$(WINE32_PACKAGES))

deps-wine64: deps-windows deps-run
	$(call ensure_packages,$(WINE64_PACKAGES))

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$$(nproc)

run: deps-run build
	@if [ -n "$$DISPLAY" ] && xdpyinfo >/dev/null 2>&1; then \
		exec ./$(BUILD)/tarnwick; \
	else \
		./scripts/run-headless.sh ./$(BUILD)/tarnwick $(BUILD)/tarnwick.png; \
	fi

test: deps-test build
	cd $(BUILD) && ctest --output-on-failure
	bash tests/run_sanitized.sh $(CURDIR) $(CURDIR)/$(BUILD)-asan
	bash tests/run_fuzz.sh $(CURDIR) $(CURDIR)/$(BUILD)-fuzz

# Each Windows build links against a Qt built once per machine and cached
# (about a quarter of an hour each); see scripts/windows-qt.sh.
# WINDOWS_STATIC_TESTS=ON builds only the tests that read the build without
# running it.
# windows_build(ARCH,BUILD_DIR,TOOLCHAIN)
WINDOWS_STATIC_TESTS ?= OFF
define windows_build
	@qt=$$(bash scripts/windows-qt.sh $(1) | tail -n 1) && \
	{ grep -qs "^TARNWICK_WINDOWS_QT:.*=$$qt\$$" $(2)/CMakeCache.txt || rm -rf $(2); } && \
	cmake -S . -B $(2) -DCMAKE_TOOLCHAIN_FILE=cmake/$(3).cmake \
	      -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WINDOWS_QT="$$qt" \
	      -DTARNWICK_WINDOWS_STATIC_TESTS=$(WINDOWS_STATIC_TESTS) >/dev/null
	cmake --build $(2) -j$$(nproc)
	cmake --build $(2) --target dist
endef

windows: windows32 windows64

windows32: deps-windows
	$(call windows_build,win32,$(WINDOWS_BUILD),mingw-w64-i686)

windows64: deps-windows
	$(call windows_build,win64,$(WINDOWS_BUILD)64,mingw-w64-x86_64)

# The first line says which build this machine tests. Where it runs 32-bit
# code, the 32-bit program is tested as it is; elsewhere the 32-bit zip and
# installer are still made and checked without running them, and the suites
# run on the 64-bit build. Only the Qt each path needs is built. A fresh Wine
# prefix for every run.
test-windows:
	@arch=$$(bash scripts/windows-arch.sh) && \
	if [ "$$arch" = win32 ]; then \
		$(MAKE) --no-print-directory deps-wine32 windows32 && \
		rm -rf $(WINDOWS_BUILD)/wineprefix $(WINDOWS_BUILD)/wineprefix.lock && \
		cd $(WINDOWS_BUILD) && ctest --output-on-failure; \
	else \
		$(MAKE) --no-print-directory deps-wine64 windows64 && \
		$(MAKE) --no-print-directory windows32 WINDOWS_STATIC_TESTS=ON && \
		(cd $(WINDOWS_BUILD) && ctest --output-on-failure) && \
		rm -rf $(WINDOWS_BUILD)64/wineprefix $(WINDOWS_BUILD)64/wineprefix.lock && \
		cd $(WINDOWS_BUILD)64 && ctest --output-on-failure; \
	fi

bench: deps-test build
	bash bench/run_bench.sh $(CURDIR)/$(BUILD)

package: deps-test build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz $(WINDOWS_BUILD) $(WINDOWS_BUILD)64
