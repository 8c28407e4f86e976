# Cleavo: build, run and test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
		echo "make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start Cleavo from a desktop session, or try: xvfb-run make run"; \
		exit 1; \
	fi
	@$(BUILD_DIR)/cleavo

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)

bench: build
	@bench/run-all $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
