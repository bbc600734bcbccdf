#!/usr/bin/env bash
# The benchmark program. For material generated here (the three MOD songs of
# make-test-modules, 20 to 40 s each; a minute of dense stereo sound as MPEG
# layer III CBR and VBR, layer II and layer I) and for any files given (MPEG
# files by their extension, everything else as tracker modules), it prints:
#   1. Strm_TRK's render time against xmp and openmpt123, in each of the
#      mixer's output modes at 44.1 kHz and with sinc interpolation and
#      ramping against openmpt123's defaults (bench/trk/trk_bench.sh), and
#      the mixer's distortion and clicks against openmpt123's
#      (trk_quality_bench);
#   2. STRM_MPA's decode time against plain libmpg123 in one process
#      (mpa_decode_bench), and tumbor-render's (STRM_MPA alone, to a WAV
#      file) against mpg123 decoding to a WAV file, both as whole programs;
#   3. the playback engine's own CPU per minute of audio, and the equalizer's
#      (engine_bench);
#   4. with --windows, the player's CPU while playing under Wine with the
#      example plug-in (bench/player/player_cpu.sh, on a headless X server).
# Every comparison is a ratio of CPU times (user + sys) measured in the same
# run, the fastest of several passes; the machine's load is printed at the
# start and the end, since other work on it still slows caches and memory.
#   usage: run_bench.sh BENCH_BUILD_DIR [--windows WINDOWS_BUILD_DIR] [FILE...]
#   (BENCH_BUILD_DIR: a native build without sanitizers; MPA_BENCH_PASSES, default 5)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
shift
windows=
if [ "${1:-}" = --windows ]; then
  windows=$(cd "$2" && pwd)
  shift 2
fi
mpeg=() modules=()
for file in "$@"; do
  case ${file,,} in
    *.mp1|*.mp2|*.mp3|*.mpa) mpeg+=("$file") ;;
    *) modules+=("$file") ;;
  esac
done
passes=${MPA_BENCH_PASSES:-5}
work=$build/bench-run
rm -rf "$work" && mkdir -p "$work"

load() { echo "$(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"; }
echo "== Tumbor benchmarks, $(date '+%Y-%m-%d %H:%M'), $(load)"

echo
echo "== 1. Strm_TRK against xmp and openmpt123"
"$here/trk/trk_bench.sh" "$build" "${modules[@]}"
echo
mkdir -p "$work/trk-quality" && "$build/bin/trk_quality_bench" "$work/trk-quality"

echo
echo "== 2. STRM_MPA against libmpg123 and mpg123"
sox -n -r 44100 -c 2 -b 16 "$work/minute.wav" synth 60 sine 110-880 sine 330 pinknoise tremolo 3 40 vol 0.5
lame --quiet -b 192 "$work/minute.wav" "$work/minute-cbr192.mp3"
lame --quiet -V 2 "$work/minute.wav" "$work/minute-vbr2.mp3"
twolame --quiet -b 224 "$work/minute.wav" "$work/minute-layer2.mp2"
"$build/bin/make-layer1" "$work/minute-layer1.mp1" 60
mkdir -p "$work/libs" && cp "$build"/bin/STRM_MPA.* "$work/libs/"
cpu_ms() {
  local TIMEFORMAT='%3U %3S' timing user sys
  timing=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  read -r user sys <<< "$timing"
  echo $(( 10#${user/./} + 10#${sys/./} ))
}
fastest() {  # fastest COMMAND...: the lowest CPU ms of MPA_BENCH_PASSES runs
  local best= ms
  for _ in $(seq "$passes"); do
    ms=$(cpu_ms "$@")
    [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
  done
  echo "$best"
}
printf '%-24s %10s %10s %8s   %12s %12s %8s\n' file "module ms" "plain ms" ratio "render ms" "mpg123 ms" ratio
for file in "$work"/minute-* "${mpeg[@]}"; do
  [ -f "$file" ] || continue
  in_process=$("$build/bin/mpa_decode_bench" "$file" 9)
  module_ms=$(sed -n 's/^STRM_MPA module: \([0-9.]*\) ms.*/\1/p' <<< "$in_process")
  plain_ms=$(sed -n 's/^plain libmpg123: \([0-9.]*\) ms.*/\1/p' <<< "$in_process")
  render_ms=$(fastest "$build/bin/tumbor-render" --libs "$work/libs" "$file" "$work/ours.wav")
  mpg123_ms=$(fastest mpg123 -q -w "$work/mpg123.wav" "$file")
  printf '%-24s %10s %10s %8s   %12s %12s %8s\n' "$(basename "$file")" "$module_ms" "$plain_ms" \
    "$(awk "BEGIN { printf \"%.3f\", $module_ms / $plain_ms }")" "$render_ms" "$mpg123_ms" \
    "$(awk "BEGIN { printf \"%.3f\", $render_ms / ($mpg123_ms > 0 ? $mpg123_ms : 1) }")"
done
echo "(module/plain: in one process, from memory, the goal below 1.050; render/mpg123: whole programs"
echo " writing a WAV file, ours loading STRM_MPA alone)"

echo
echo "== 3. The playback engine alone, natively"
"$build/bin/engine_bench"

if [ -n "$windows" ]; then
  echo
  echo "== 4. The player under Wine"
  xvfb-run -a -s "-screen 0 1024x768x24" "$here/../scripts/with-wine.sh" "$windows" \
    "$here/player/player_cpu.sh" "$windows/bin" "$windows/bench-player" "${PLAYER_CPU_SECONDS:-240}"
fi

echo
echo "== done, $(load)"
