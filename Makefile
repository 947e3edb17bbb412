# picmove: make test (installs what is missing, builds, runs every test), make demo, make run.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

# Debian 12 packages the build, the tests, the demo and the window need.
DEB_PACKAGES := g++ make cmake pkg-config python3 curl \
	libboost-regex-dev libcurl4-openssl-dev libssl-dev libgtest-dev \
	qt6-base-dev qt6-webengine-dev libgl-dev \
	xvfb xauth fonts-wqy-zenhei time openssl

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build test demo run bench clean

all: build

# Installs only the packages that are missing; safe to run again.
deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	else echo "All build packages are installed."; fi

build:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j$(JOBS)

test: deps build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Runs the main job headless on the bundled sample: pictures served from 127.0.0.1, stored
# next to a copy of the package in $(BUILD_DIR)/demo.
demo: build
	tools/run_demo.sh $(BUILD_DIR)

run: build
	tools/run_window.sh $(BUILD_DIR)

bench: build
	@echo "See bench/README.md for the benchmark scripts."

clean:
	rm -rf $(BUILD_DIR)
