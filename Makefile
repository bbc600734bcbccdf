# The two commands of the README, and a few for developers.
#   make run   builds the player and plays the bundled demo playlist (headless: to files)
#   make test  builds both targets and runs every test, native and under Wine,
#              and the threaded code's tests under ThreadSanitizer (make test-tsan)
#   make soak  plays SOAK_ENTRIES (1000) entries through the player under Wine, then
#              SOAK_ACTIONS (40) random actions (make test runs 30 and 6)
#   make fuzz  runs each fuzz target for FUZZ_SECONDS (default 60)
#   make bench builds without sanitizers and runs the benchmark program (bench/run_bench.sh):
#              the tracker library, the MPEG module, the engine and the player under Wine
#   make screenshots shows the main window under Wine and saves PNGs in build/win32/screenshots
#   make installer builds build/win32/TumborSetup.exe, the installer carrying the win32 build

BUILD      ?= build
HOST_DIR   := $(BUILD)/host
WIN32_DIR  := $(BUILD)/win32
TSAN_DIR   := $(BUILD)/tsan
# The tests of the code that runs on several threads, under ThreadSanitizer.
TSAN_TESTS := playback_engine_test player_commands_test playlist_test vis_test strm_trk_test
BENCH_DIR  := $(BUILD)/bench
JOBS       ?= 2
FUZZ_SECONDS ?= 60
FUZZ_LONG_SECONDS ?= 600
SOAK_ENTRIES ?= 1000
SOAK_ACTIONS ?= 40

.PHONY: all deps host win32 installer test test-host test-win32 test-tsan soak run fuzz fuzz-long bench bench-engine bench-mpa bench-trk screenshots clean

all: host win32

deps:
	@scripts/install-deps.sh

$(HOST_DIR)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(HOST_DIR) -G Ninja

$(WIN32_DIR)/deps/mpg123/lib/libmpg123.a: | deps
	scripts/build-mpg123-win32.sh $(WIN32_DIR)/deps/mpg123

$(WIN32_DIR)/deps/minizip/lib/libminizip.a: | deps
	scripts/build-minizip-win32.sh $(WIN32_DIR)/deps/minizip

# The codec libraries of Strm_FLC and Strm_OGG; libopusfile is built last.
CODECS := $(WIN32_DIR)/deps/opusfile/lib/libopusfile.a
$(CODECS): | deps
	scripts/build-codecs-win32.sh $(WIN32_DIR)/deps

WIN32_DEPS := $(WIN32_DIR)/deps/mpg123/lib/libmpg123.a $(WIN32_DIR)/deps/minizip/lib/libminizip.a $(CODECS)

$(WIN32_DIR)/build.ninja: | deps $(WIN32_DEPS)
	cmake -S . -B $(WIN32_DIR) -G Ninja \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake \
	  -DTUMBOR_HOST_BUILD_DIR=$(abspath $(HOST_DIR))

host: deps $(HOST_DIR)/build.ninja
	cmake --build $(HOST_DIR) -j$(JOBS)

# libmpg123, minizip and the codecs are cross-built from Debian's source packages once per build tree.
win32: deps $(WIN32_DEPS) $(WIN32_DIR)/build.ninja
	cmake --build $(WIN32_DIR) -j$(JOBS)

test-host: host
	ctest --test-dir $(HOST_DIR) -j$(JOBS) --output-on-failure

# The installer packs the win32 build's deliverables with the host build's
# tumbor-pack, which its target builds first.
installer: deps $(HOST_DIR)/build.ninja $(WIN32_DEPS) $(WIN32_DIR)/build.ninja
	cmake --build $(WIN32_DIR) -j$(JOBS) --target TumborSetup

# The win32 tests compare against the host tools, so both are built first.
# A test that fails under Wine runs once more and fails only if it fails
# again: now and then a Wine process crashes as it exits after its test has
# passed. The first failure stays in the log.
test-win32: host win32 installer
	xvfb-run -a -s "-screen 0 1024x768x24" \
	  scripts/with-wine.sh $(WIN32_DIR) ctest --test-dir $(WIN32_DIR) -j$(JOBS) --output-on-failure \
	  --repeat until-pass:2

test-tsan: deps
	CC=clang CXX=clang++ cmake -S . -B $(TSAN_DIR) -G Ninja -DTUMBOR_SANITIZE=OFF -DTUMBOR_TSAN=ON
	cmake --build $(TSAN_DIR) -j$(JOBS) --target $(TSAN_TESTS)
	for test in $(TSAN_TESTS); do TSAN_OPTIONS=halt_on_error=1 $(TSAN_DIR)/bin/$$test || exit 1; done

test: test-host test-win32 test-tsan

# The soak test in full (its seed from SOAK_SEED, else from the clock; printed).
soak: host win32
	xvfb-run -a -s "-screen 0 1024x768x24" \
	  scripts/with-wine.sh $(WIN32_DIR) tests/e2e/soak.sh $(WIN32_DIR)/bin $(WIN32_DIR)/e2e/soak \
	  $(HOST_DIR)/bin $(SOAK_ENTRIES) $(SOAK_ACTIONS)

# The main window with the default design and with a generated classic skin.
screenshots: win32
	xvfb-run -a -s "-screen 0 1024x768x24" \
	  scripts/with-wine.sh $(WIN32_DIR) tests/e2e/window_look.sh $(WIN32_DIR)/bin $(WIN32_DIR)/screenshots

run: win32
	scripts/run-demo.sh $(WIN32_DIR)

fuzz: host
	scripts/run-fuzzers.sh $(HOST_DIR) $(FUZZ_SECONDS)

# The campaign: every target for FUZZ_LONG_SECONDS (default 10 minutes).
fuzz-long: host
	scripts/run-fuzzers.sh $(HOST_DIR) $(FUZZ_LONG_SECONDS)

# The benchmark program (bench/run_bench.sh): the tracker library against xmp
# and openmpt123 in every output mode, the MPEG module against libmpg123 and
# mpg123, the engine, and the player's CPU under Wine; over generated songs, those
# fetched into $(BUILD)/real-modules (scripts/fetch-real-modules.sh) and BENCH_FILES.
BENCH_TARGETS := engine_bench mpa_decode_bench tumbor-render make-test-modules make-layer1 \
  Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK
BENCH_WIN32_TARGETS := Tumbor Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK tumbor_driver vis_scope vis_null timer_window \
  tumborr_design tumbor_help
BENCH_FILES ?=

$(BENCH_DIR)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(BENCH_DIR) -G Ninja -DTUMBOR_SANITIZE=OFF -DCMAKE_BUILD_TYPE=Release

bench: deps $(BENCH_DIR)/build.ninja $(WIN32_DEPS) $(WIN32_DIR)/build.ninja
	scripts/install-deps.sh xmp openmpt123
	cmake --build $(BENCH_DIR) -j$(JOBS) --target $(BENCH_TARGETS)
	cmake --build $(WIN32_DIR) -j$(JOBS) --target $(BENCH_WIN32_TARGETS)
	bench/run_bench.sh $(BENCH_DIR) --win32 $(WIN32_DIR) $(wildcard $(BUILD)/real-modules) $(BENCH_FILES)

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
# against xmp and openmpt123, which are installed when missing.
bench-trk: deps $(BENCH_DIR)/build.ninja
	scripts/install-deps.sh xmp openmpt123
	cmake --build $(BENCH_DIR) -j$(JOBS) --target tumbor-render make-test-modules \
	  Strm_PCM Strm_DSC Strm_OSC Strm_MPA Strm_TRK
	bench/trk/trk_bench.sh $(BENCH_DIR) $(BUILD)/real-modules

clean:
	rm -rf $(BUILD)
