# Cleavo: build, run and test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps test-deps configure build run test test-asan test-tsan tidy fuzz fuzz-short bench package clean

ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
# The tests whose code runs threads: the player's decoder, the writer's copy.
TSAN_TESTS = tst_mediaplayer tst_transport tst_marks tst_resultpanel tst_refusals tst_waveformstrip
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 20
SANITIZE = -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
# More options for every configuration, such as -DCLEAVO_WERROR=ON (CI).
CMAKE_FLAGS ?=

all: build

# What building and running need; test-deps adds what the tests need.
deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --test

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) -- --no-print-directory

# Only the program: the display is looked for first, then what running needs.
run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
		echo "make run: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start Cleavo from a desktop session, or try: xvfb-run make run"; \
		exit 1; \
	fi
	@$(MAKE) -s --no-print-directory configure
	@echo "make run: building cleavo (log: $(BUILD_DIR)/build.log)"
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target cleavo -- --no-print-directory >$(BUILD_DIR)/build.log 2>&1 \
		|| { tail -n 40 $(BUILD_DIR)/build.log; echo "make run: the build failed (log: $(BUILD_DIR)/build.log)"; exit 1; }
	@$(BUILD_DIR)/cleavo

# A Debian package in the build folder, checked with lintian.
package: test-deps configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target cleavo cleavo_docs
	@cd $(BUILD_DIR) && cpack -G DEB >/dev/null && ls -1 $(CURDIR)/$(BUILD_DIR)/cleavo_*.deb
	@lintian --fail-on error $(BUILD_DIR)/cleavo_*.deb

test: test-deps build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ctest --output-on-failure -j $(JOBS)
	@$(MAKE) -s fuzz-short
	@scripts/check-format
	@scripts/check-tidy --changed $(BUILD_DIR)

# The linter on every source file of src/ (CI runs it).
tidy: configure
	@scripts/check-tidy $(BUILD_DIR)

# The whole test suite built with the address and undefined-behaviour sanitizers.
test-asan: test-deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$(SANITIZE)" -DCMAKE_C_FLAGS="$(SANITIZE)" \
		-DCMAKE_EXE_LINKER_FLAGS="$(SANITIZE)" -DCLEAVO_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS) -- --no-print-directory
	@cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE road

# The tests that run threads, built with the thread sanitizer.
test-tsan: test-deps
	@cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="-fsanitize=thread -O1" \
		-DCMAKE_C_FLAGS="-fsanitize=thread -O1" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
		-DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=thread" -DCLEAVO_BUILD_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS) cleavo_copier
	@cd $(TSAN_DIR) && QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
		TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure -j $(JOBS) -R "^($$(echo $(TSAN_TESTS) | tr ' ' '|'))$$"

# libFuzzer harnesses, built with clang.
fuzz: test-deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCLEAVO_FUZZ=ON -DCLEAVO_BUILD_TESTS=OFF \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_intconv fuzz_inistore fuzz_player -- --no-print-directory

# Each harness for FUZZ_SECONDS over its corpus (the seeds are never written).
fuzz-short: fuzz
	@for h in intconv inistore player; do \
		mkdir -p $(FUZZ_DIR)/corpus/$$h; \
		echo "fuzz_$$h: $(FUZZ_SECONDS) s"; \
		QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
			$(FUZZ_DIR)/tests/fuzz/fuzz_$$h -max_total_time=$(FUZZ_SECONDS) -max_len=65536 -timeout=20 \
			-print_final_stats=1 -artifact_prefix=$(FUZZ_DIR)/ $(FUZZ_DIR)/corpus/$$h tests/fuzz/corpus/$$h 2>$(FUZZ_DIR)/fuzz_$$h.log \
			|| { tail -n 60 $(FUZZ_DIR)/fuzz_$$h.log; exit 1; }; \
		grep -E "stat::number_of_executed_units|Done" $(FUZZ_DIR)/fuzz_$$h.log | tr '\n' ' '; echo; \
	done
bench: build
	@bench/run-all $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
