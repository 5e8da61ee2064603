# Entry points for newcomers: `make run` and `make test` do all their own
# set-up on a fresh Debian 12 machine.

BUILD ?= build
SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

BUILD_PACKAGES := cmake g++ make qtbase5-dev qtbase5-dev-tools fonts-wqy-microhei
RUN_PACKAGES := xvfb xdotool x11-utils imagemagick
TEST_PACKAGES := binutils-mingw-w64-i686 valgrind desktop-file-utils appstream dpkg-dev \
                 libxcb1-dev

.PHONY: all deps deps-run deps-test build run test bench package clean

all: build

# Installs only what is missing, so repeated runs do not touch apt at all.
# Recommended packages come along (Xvfb's fonts among them): the tests were
# made on machines set up that way.
define ensure_packages
	@missing=""; for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
		$(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call ensure_packages,$(BUILD_PACKAGES))

deps-run: deps
	$(call ensure_packages,$(RUN_PACKAGES))

deps-test: deps-run
	$(call ensure_packages,$(TEST_PACKAGES))

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

bench: deps-test build
	bash bench/run_bench.sh $(CURDIR)/$(BUILD)

package: deps-test build
	cmake --build $(BUILD) --target package

clean:
	rm -rf $(BUILD) $(BUILD)-asan
