# Entry points: make run, make test, make screenshot, make bench.
BUILD ?= build
JOBS ?= $(shell nproc)

# What the build, the tests and the program need from Debian.
PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-svg-dev libqt6svg6 \
	libgtest-dev libgmock-dev googletest fonts-liberation xvfb xauth x11-utils \
	clang-14 libclang-rt-14-dev dpkg-dev desktop-file-utils \
	libbenchmark-dev libxcb1-dev libxcb-damage0-dev python3

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test screenshot install package bench clean

all: build

deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run: no display here (neither DISPLAY nor WAYLAND_DISPLAY is set); try 'make screenshot'."; \
	  exit 1; \
	fi
	@./$(BUILD)/krn-sayisal

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix "$(PREFIX)"

# A Debian package, built in release mode in a directory of its own.
package: deps
	@cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build build-release -j$(JOBS)
	@cd build-release && cpack -G DEB
	@ls build-release/*.deb

screenshot: build
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/krn-screenshot $(BUILD)/window.png
	@echo "$(BUILD)/window.png"

# Performance, measured in release mode in a directory of its own; not part of make test.
BENCH_BUILD ?= build-bench
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DKRN_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target bench_programs
	@python3 bench/run_bench.py --build $(BENCH_BUILD) --out $(BENCH_BUILD)/bench-report.txt

clean:
	rm -rf $(BUILD)
