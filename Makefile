# Entry points for newcomers: `make run` and `make test` do all their own
# set-up on a fresh Debian 12 machine.

BUILD ?= build
WINDOWS_BUILD ?= build-windows
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

BUILD_PACKAGES := cmake g++ make qtbase5-dev qtbase5-dev-tools fonts-wqy-microhei
RUN_PACKAGES := xvfb xdotool x11-utils imagemagick
TEST_PACKAGES := binutils-mingw-w64-i686 valgrind desktop-file-utils appstream dpkg-dev \
                 libxcb1-dev openbox wmctrl dbus-daemon at-spi2-core python3-pyatspi \
                 weston qtwayland5 clang libclang-rt-14-dev

# The Windows program: MinGW-w64 and NSIS build it, Wine runs its tests.
WINDOWS_PACKAGES := g++-mingw-w64-i686-posix binutils-mingw-w64-i686 dpkg-dev nsis zip
WINE_PACKAGES := wine wine32 unzip

.PHONY: all deps deps-run deps-test build run test bench package clean \
        deps-windows deps-test-windows windows test-windows

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

# Debian's Wine for 32-bit programs is an i386 package.
deps-test-windows: deps-windows deps-run
	@dpkg --print-foreign-architectures | grep -qx i386 || $(SUDO) dpkg --add-architecture i386
	$(call ensure_packages,$(WINE_PACKAGES))

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

# The Qt it links against is built once per machine and cached (about a
# quarter of an hour); see scripts/windows-qt.sh.
windows: deps-windows
	@qt=$$(bash scripts/windows-qt.sh | tail -n 1) && \
	{ grep -qs "^TARNWICK_WINDOWS_QT:.*=$$qt\$$" $(WINDOWS_BUILD)/CMakeCache.txt || rm -rf $(WINDOWS_BUILD); } && \
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WINDOWS_QT="$$qt" >/dev/null
	cmake --build $(WINDOWS_BUILD) -j$$(nproc)
	cmake --build $(WINDOWS_BUILD) --target dist

# A fresh Wine prefix for every run.
test-windows: deps-test-windows windows
	rm -rf $(WINDOWS_BUILD)/wineprefix $(WINDOWS_BUILD)/wineprefix.lock
	cd $(WINDOWS_BUILD) && ctest --output-on-failure

bench: deps-test build
	bash bench/run_bench.sh $(CURDIR)/$(BUILD)

package: deps-test build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-fuzz $(WINDOWS_BUILD)
