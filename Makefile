# The two commands of the README, and a few for developers.
#   make run   builds the player and plays the bundled demo playlist (headless: to files)
#   make test  builds every target and runs every test this machine can run: the host
#              suites, the threaded code's tests under ThreadSanitizer (make test-tsan),
#              and the Windows suites under Wine: win64 always, win32 where the kernel
#              runs 32-bit programs
#   make soak  plays SOAK_ENTRIES (1000) entries through the player under Wine, then
#              SOAK_ACTIONS (40) random actions (make test runs 30 and 6)
#   make fuzz  runs each fuzz target for FUZZ_SECONDS (default 60)
#   make bench builds without sanitizers and runs the benchmark program (bench/run_bench.sh):
#              the tracker library, the MPEG module, the engine and the player under Wine
#   make screenshots shows the main window under Wine and saves PNGs in build/win*/screenshots
#   make win32, make win64 build one Windows build tree, its installer TumborSetup.exe included
#
# make run, soak, screenshots and the player part of bench use the Windows build this
# machine runs: the 32-bit one where it can, else the 64-bit one (scripts/windows-build.sh).

BUILD      ?= build
HOST_DIR   := $(BUILD)/host
TSAN_DIR   := $(BUILD)/tsan
# The tests of the code that runs on several threads, under ThreadSanitizer.
TSAN_TESTS := playback_engine_test player_commands_test playlist_test vis_test strm_trk_test
BENCH_DIR  := $(BUILD)/bench
JOBS       ?= 2
FUZZ_SECONDS ?= 60
FUZZ_LONG_SECONDS ?= 600
SOAK_ENTRIES ?= 1000
SOAK_ACTIONS ?= 40
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
# The Windows build tree this machine runs (win32 or win64), asked when a recipe runs,
# after the packages are installed.
RUN_DIR = $(BUILD)/$$(scripts/windows-build.sh)

.PHONY: all deps host win32 win64 installer test test-host test-windows test-win32 test-win64 test-tsan \
  run-tests-win32 run-tests-win64 \
  soak run fuzz fuzz-long bench bench-engine bench-mpa bench-trk screenshots clean

all: host win32 win64

deps:
	@scripts/install-deps.sh

$(HOST_DIR)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(HOST_DIR) -G Ninja

host: deps $(HOST_DIR)/build.ninja
	cmake --build $(HOST_DIR) -j$(JOBS)

test-host: host
	ctest --test-dir $(HOST_DIR) -j$(JOBS) --output-on-failure

# windows_build NAME TRIPLET: the rules of the Windows build tree $(BUILD)/NAME,
# cross-built for TRIPLET. libmpg123, minizip and the codecs (libopusfile is built
# last) are cross-built from Debian's source packages once per build tree. The
# installer packs the build's deliverables with the host build's tumbor-pack,
# which its target builds first. The tests compare against the host tools, so
# both are built first; a test that fails under Wine runs once more and fails
# only if it fails again (now and then a Wine process crashes as it exits after
# its test has passed); the first failure stays in the log.
define windows_build
$(1)_DIR := $(BUILD)/$(1)
$(1)_DEPS := $(BUILD)/$(1)/deps/mpg123/lib/libmpg123.a $(BUILD)/$(1)/deps/minizip/lib/libminizip.a \
  $(BUILD)/$(1)/deps/opusfile/lib/libopusfile.a

$(BUILD)/$(1)/deps/mpg123/lib/libmpg123.a: | deps
	scripts/build-mpg123-windows.sh $(2) $(BUILD)/$(1)/deps/mpg123

$(BUILD)/$(1)/deps/minizip/lib/libminizip.a: | deps
	scripts/build-minizip-windows.sh $(2) $(BUILD)/$(1)/deps/minizip

$(BUILD)/$(1)/deps/opusfile/lib/libopusfile.a: | deps
	scripts/build-codecs-windows.sh $(2) $(BUILD)/$(1)/deps

$(BUILD)/$(1)/build.ninja: | deps $(HOST_DIR)/build.ninja $$($(1)_DEPS)
	cmake -S . -B $(BUILD)/$(1) -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$(2).cmake \
	  -DTUMBOR_HOST_BUILD_DIR=$(abspath $(HOST_DIR))

$(1): deps $$($(1)_DEPS) $(BUILD)/$(1)/build.ninja
	cmake --build $(BUILD)/$(1) -j$(JOBS) --target all TumborSetup

run-tests-$(1): host $(1)
	$(XVFB) scripts/with-wine.sh $(BUILD)/$(1) \
	  ctest --test-dir $(BUILD)/$(1) -j$(JOBS) --output-on-failure --repeat until-pass:2
endef
$(eval $(call windows_build,win32,i686-w64-mingw32))
$(eval $(call windows_build,win64,x86_64-w64-mingw32))

# Both installers: build/win32/TumborSetup.exe and build/win64/TumborSetup.exe.
installer: win32 win64

# The 64-bit suite runs everywhere; the 32-bit build is always compiled (its
# fixed record layouts are checked as it compiles) and its suite runs where the
# kernel runs 32-bit programs.
test-win64: run-tests-win64

test-win32: win32
	@if [ "$$(scripts/windows-build.sh)" = win32 ]; then $(MAKE) --no-print-directory run-tests-win32; else \
	  echo "The win32 suite was not run: this machine's kernel refuses 32-bit programs" \
	       "(the 32-bit Wine loader does not start); the win32 build was compiled."; fi

test-windows: test-win64 test-win32

test-tsan: deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_DIR) -G Ninja -DTUMBOR_SANITIZE=OFF -DTUMBOR_TSAN=ON
	cmake --build $(TSAN_DIR) -j$(JOBS) --target $(TSAN_TESTS)
	for test in $(TSAN_TESTS); do TSAN_OPTIONS=halt_on_error=1 $(TSAN_DIR)/bin/$$test || exit 1; done

test: test-host test-windows test-tsan

# The soak test in full (its seed from SOAK_SEED, else from the clock; printed).
soak: host
	@$(MAKE) --no-print-directory $$(scripts/windows-build.sh)
	$(XVFB) scripts/with-wine.sh $(RUN_DIR) tests/e2e/soak.sh $(RUN_DIR)/bin $(RUN_DIR)/e2e/soak \
	  $(HOST_DIR)/bin $(SOAK_ENTRIES) $(SOAK_ACTIONS)

# The main window with the default design and with a generated classic skin.
screenshots: deps
	@$(MAKE) --no-print-directory $$(scripts/windows-build.sh)
	$(XVFB) scripts/with-wine.sh $(RUN_DIR) tests/e2e/window_look.sh $(RUN_DIR)/bin $(RUN_DIR)/screenshots

run: deps
	@$(MAKE) --no-print-directory $$(scripts/windows-build.sh)
	scripts/run-demo.sh $(RUN_DIR)

fuzz: host
	scripts/run-fuzzers.sh $(HOST_DIR) $(FUZZ_SECONDS)

# The campaign: every target for FUZZ_LONG_SECONDS (default 10 minutes).
fuzz-long: host
	scripts/run-fuzzers.sh $(HOST_DIR) $(FUZZ_LONG_SECONDS)

# The benchmark program (bench/run_bench.sh): the tracker library against xmp
# and openmpt123 in every output mode, the MPEG module against libmpg123 and
# mpg123, the engine, and the player's CPU under Wine; over generated songs, those
# fetched into $(BUILD)/real-modules (scripts/fetch-real-modules.sh) and BENCH_FILES.
BENCH_TARGETS := engine_bench mpa_decode_bench tumbor-render make-test-modules make-layer1 trk_quality_bench \
  Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK
BENCH_WINDOWS_TARGETS := Tumbor Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK tumbor_driver vis_scope vis_null timer_window \
  tumborr_design tumbor_help
BENCH_FILES ?=

$(BENCH_DIR)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BENCH_DIR) -G Ninja -DTUMBOR_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release

bench: deps $(BENCH_DIR)/build.ninja
	scripts/install-deps.sh xmp openmpt123
	cmake --build $(BENCH_DIR) -j$(JOBS) --target $(BENCH_TARGETS)
	@$(MAKE) --no-print-directory $(RUN_DIR)/build.ninja
	cmake --build $(RUN_DIR) -j$(JOBS) --target $(BENCH_WINDOWS_TARGETS)
	bench/run_bench.sh $(BENCH_DIR) --windows $(RUN_DIR) $(wildcard $(BUILD)/real-modules) $(BENCH_FILES)

# Parts of it alone.
bench-engine: deps $(BENCH_DIR)/build.ninja
	cmake --build $(BENCH_DIR) -j$(JOBS) --target engine_bench
	$(BENCH_DIR)/bin/engine_bench

bench-mpa: deps $(BENCH_DIR)/build.ninja
	cmake --build $(BENCH_DIR) -j$(JOBS) --target mpa_decode_bench
	mkdir -p $(BENCH_DIR)/input
	sox -n -r 44100 -c 2 -b 16 $(BENCH_DIR)/input/song.wav synth 60 sine 440 sine 660 tremolo 3 40
	lame --quiet -b 192 $(BENCH_DIR)/input/song.wav $(BENCH_DIR)/input/song.mp3
	$(BENCH_DIR)/bin/mpa_decode_bench $(BENCH_DIR)/input/song.mp3

# Render time of the generated modules (and any in $(BUILD)/real-modules)
# against xmp and openmpt123, which are installed when missing, and the
# mixer's distortion and clicks against openmpt123's.
bench-trk: deps $(BENCH_DIR)/build.ninja
	scripts/install-deps.sh xmp openmpt123
	cmake --build $(BENCH_DIR) -j$(JOBS) --target tumbor-render make-test-modules trk_quality_bench \
	  Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK
	bench/trk/trk_bench.sh $(BENCH_DIR) $(BUILD)/real-modules
	mkdir -p $(BENCH_DIR)/trk-quality && $(BENCH_DIR)/bin/trk_quality_bench $(BENCH_DIR)/trk-quality

clean:
	rm -rf $(BUILD)
