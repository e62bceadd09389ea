# Entry points: make run, make test, make screenshot, make bench.
BUILD ?= build
JOBS ?= $(shell nproc)

# What the build, the tests and the program need from Debian.
PACKAGES := cmake make g++ pkg-config libfontconfig-dev qt6-base-dev qt6-svg-dev libqt6svg6 \
	libgtest-dev libgmock-dev googletest fonts-liberation xvfb xauth x11-utils \
	dpkg-dev desktop-file-utils appstream \
	libbenchmark-dev libxcb1-dev libxcb-damage0-dev python3 qt6-translations-l10n \
	dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0 xdotool orca \
	qt6-base-private-dev qt6-wayland libwayland-dev libwayland-bin wayland-protocols sway

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test screenshot install package bench clean test-asan \
	web web-run test-web bench-web

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

# The sanitizer run comes first, so that the closing lines are the summary of the plain
# suite.
test: build
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-web
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer; any report,
# a leak included, fails the run.
ASAN_BUILD := build-asan
SANITIZER_ENV := ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1:strict_string_checks=1:detect_stack_use_after_return=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKRN_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	@cd $(ASAN_BUILD) && $(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --output-on-failure

# The window as a web page: the core built by Debian's emscripten into a static folder,
# build-web/, that any web server can serve. Its tests drive the three engines a player meets:
# Debian's chromium and firefox-esr headless, and WebKitGTK through its WebDriver under Xvfb.
# Debian's librsvg draws the page's icons.
WEB_PACKAGES := emscripten python3-fonttools fonts-liberation chromium python3-websocket python3-pil \
	firefox-esr webkit2gtk-driver gir1.2-webkit2-4.1 python3-gi xvfb librsvg2-bin
WEB_BUILD := build-web
WEB_OBJ := build-web-obj
WEB_PORT ?= 8049
# Some emscripten installs find Debian's acorn module only through NODE_PATH.
EMENV := NODE_PATH=/usr/share/nodejs
web:
	@$(MAKE) --no-print-directory deps PACKAGES="$(WEB_PACKAGES)"
	@$(EMENV) emcmake cmake -S . -B $(WEB_OBJ) -DCMAKE_BUILD_TYPE=Release \
	  -DKRN_WEB_OUT=$(CURDIR)/$(WEB_BUILD) >/dev/null
	@$(EMENV) cmake --build $(WEB_OBJ) -j$(JOBS)
	@echo "$(WEB_BUILD)/index.html"

# The page in chromium, firefox and WebKit, beside the desktop view's offscreen render of the
# same states; the pictures are kept in $(WEB_OBJ)/pictures. WEB_ENGINES names fewer engines.
WEB_ENGINES ?= chromium firefox webkit
test-web: web configure
	@cmake --build $(BUILD) -j$(JOBS) --target krn-screenshot
	@mkdir -p $(WEB_OBJ)/pictures
	@/usr/bin/python3 tests/web/web_test.py $(WEB_BUILD) $(BUILD)/krn-screenshot $(WEB_OBJ)/pictures $(WEB_ENGINES)

web-run: web
	@echo "http://127.0.0.1:$(WEB_PORT)/"
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ] && command -v xdg-open >/dev/null; then \
	  (sleep 1; xdg-open "http://127.0.0.1:$(WEB_PORT)/" >/dev/null 2>&1) & \
	fi; \
	cd $(WEB_BUILD) && python3 -m http.server $(WEB_PORT) --bind 127.0.0.1

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix "$(PREFIX)"

# What only make package needs: Debian's package checker, and file, by which CPack finds
# the programs whose libraries go into the package's Depends.
PACKAGE_TOOLS := lintian file

# A Debian package, built in release mode in a directory of its own with the compiler and
# linker flags of Debian's own packages (hardening), then checked by lintian: an error or
# a warning fails the target; its notes and pedantic remarks are shown.
PACKAGE_BUILD := build-release
BUILDFLAGS := DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags
package: deps
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGE_TOOLS)"
	@cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_CXX_FLAGS="$$($(BUILDFLAGS) --get CPPFLAGS) $$($(BUILDFLAGS) --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(BUILDFLAGS) --get LDFLAGS)" >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	@rm -f $(PACKAGE_BUILD)/*.deb
	@cd $(PACKAGE_BUILD) && cpack -G DEB
	@lintian --fail-on error,warning --display-info --pedantic $(PACKAGE_BUILD)/*.deb
	@ls $(PACKAGE_BUILD)/*.deb

screenshot: build
	@QT_QPA_PLATFORM=offscreen ./$(BUILD)/krn-screenshot $(BUILD)/window.png
	@echo "$(BUILD)/window.png"

# Performance, measured in release mode in a directory of its own; not part of make test.
BENCH_BUILD ?= build-bench
bench: deps
	@cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DKRN_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j$(JOBS) --target bench_programs
	@python3 bench/run_bench.py --build $(BENCH_BUILD) --out $(BENCH_BUILD)/bench-report.txt
	@$(MAKE) --no-print-directory bench-web

# The web page's figures beside a floor page: one button and an empty WebAssembly module,
# built by the same emscripten with the same options; and a save's time to done in each engine.
bench-web: web
	@mkdir -p $(WEB_OBJ)/floor
	@cp bench/web/floor.html $(WEB_OBJ)/floor/
	@$(EMENV) emcc -O2 -sENVIRONMENT=web -sDYNAMIC_EXECUTION=0 bench/web/floor.c -o $(WEB_OBJ)/floor/floor.js
	@/usr/bin/python3 bench/web_bench.py $(WEB_BUILD) $(WEB_OBJ)/floor | tee $(WEB_OBJ)/bench-report.txt
	@/usr/bin/python3 bench/web_save_bench.py $(WEB_BUILD) | tee -a $(WEB_OBJ)/bench-report.txt

clean:
	rm -rf $(BUILD)
