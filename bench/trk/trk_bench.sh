#!/usr/bin/env bash
# The tracker library's render time against xmp and openmpt123: each player
# renders the same modules once (no looping) to 44.1 kHz WAV files in each of
# the mixer's output modes: stereo or mono, 16 or 8 bits, nearest sample or
# linear interpolation (ours through --ini; xmp -m, -b 8, -i; openmpt123
# --channels 1 and --filter, but it writes no 8-bit files, so its 16-bit
# render stands against our 8-bit one); and stereo-16-sinc-ramp, our 8-tap
# sinc with volume ramping against openmpt123 at its defaults (8 taps,
# ramping) and xmp's spline. Reports the CPU time (user + sys)
# summed over the files, the same for a run that only loads each file (ours:
# --info, which also times the song; xmp: --load-only; openmpt123: --info) and
# the difference, and the rendered length of each player's files. Ours loads
# Strm_TRK alone, as the others load only their own code.
#   usage: trk_bench.sh BUILD_DIR [MODULE_DIR | MODULE_FILE]...   (BUILD_DIR holds bin/tumbor-render)
#   TRK_BENCH_PASSES (default 5): each file is timed this often and its fastest pass counts.
#   TRK_BENCH_MODES: the modes to time (default all nine, e.g. "stereo-16-nearest mono-8-linear").
set -euo pipefail

build=$(cd "$1" && pwd)
shift
passes=${TRK_BENCH_PASSES:-5}
modes=(${TRK_BENCH_MODES:-stereo-16-nearest stereo-16-linear stereo-8-nearest stereo-8-linear
       mono-16-nearest mono-16-linear mono-8-nearest mono-8-linear stereo-16-sinc-ramp})
work=$build/trk-bench
rm -rf "$work" && mkdir -p "$work/songs" "$work/out" "$work/ini"
"$build/bin/make-test-modules" "$work/songs"
files=("$work"/songs/*.mod)
for extra in "$@"; do
  if [ -d "$extra" ]; then
    while IFS= read -r -d '' file; do files+=("$file"); done < \
      <(find "$extra" -type f -not -name '.*' -not -name '*.tsv' -not -name '*.txt' -not -name '*.md' -print0 |
        sort -z)
  elif [ -f "$extra" ]; then
    files+=("$(cd "$(dirname "$extra")" && pwd)/$(basename "$extra")")
  fi
done
# interpolation_number NAME: the "Interpolation" setting of a mode's interpolation.
interpolation_number() {
  case $1 in linear) echo 1 ;; cubic) echo 2 ;; sinc) echo 3 ;; *) echo 0 ;; esac
}
for mode in "${modes[@]}"; do
  IFS=- read -r channels bits interpolation ramp <<< "$mode"
  printf '[STRM_TRK]\r\nQuality=0\r\nStereo=%d\r\nBits=%d\r\nInterpolation=%d\r\nRamping=%d\r\n' \
    "$([ "$channels" = mono ] && echo 1 || echo 0)" "$bits" "$(interpolation_number "$interpolation")" \
    "$([ "${ramp:-}" = ramp ] && echo 1 || echo 0)" > "$work/ini/$mode.ini"
done
mkdir -p "$work/libs" && cp "$build"/bin/Strm_TRK.* "$work/libs/"

# render PLAYER MODE FILE OUTPUT: one render; mode is one of the output modes
# or load (load the file only).
render() {
  local player=$1 mode=$2 file=$3 output=$4 channels bits interpolation ramp
  IFS=- read -r channels bits interpolation ramp <<< "$mode"
  case $player.$mode in
    ours.load) "$build/bin/tumbor-render" --libs "$work/libs" --info "$file" ;;
    xmp.load) xmp --norc --load-only "$file" ;;
    openmpt123.load) openmpt123 --info "$file" ;;
    ours.*) "$build/bin/tumbor-render" --libs "$work/libs" --ini "$work/ini/$mode.ini" "$file" "$output" ;;
    xmp.*)
      local mono=(); [ "$channels" = mono ] && mono=(-m)
      [ "$interpolation" = sinc ] && interpolation=spline
      xmp --norc --nocmd -q -f 44100 -b "$bits" "${mono[@]}" -i "$interpolation" -o "$output" "$file" ;;
    openmpt123.*)
      local taps=1; [ "$interpolation" = linear ] && taps=2; [ "$interpolation" = sinc ] && taps=8
      openmpt123 --batch --quiet --no-float --samplerate 44100 --channels "$([ "$channels" = mono ] && echo 1 || echo 2)" \
        --filter "$taps" --subsong 0 --repeat 0 --force --output "$output" "$file" ;;
  esac >/dev/null 2>&1
}

# Only files every player takes part.
songs=()
for file in "${files[@]}"; do
  ok=1
  for player in ours xmp openmpt123; do
    render "$player" stereo-16-nearest "$file" "$work/out/probe.wav" && [ -s "$work/out/probe.wav" ] || ok=0
  done
  if [ $ok -eq 1 ]; then songs+=("$file"); else echo "skipped (not played by every player): $file"; fi
done
echo "${#songs[@]} modules, each timed $passes times per mode (its fastest pass counts)"

# cpu_ms COMMAND...: the command's user + system time in milliseconds.
cpu_ms() {
  local TIMEFORMAT='%3U %3S' timing user sys
  timing=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  read -r user sys <<< "$timing"
  echo $(( 10#${user/./} + 10#${sys/./} ))
}

declare -A total seconds
for mode in "${modes[@]}" load; do
  for player in ours xmp openmpt123; do
    sum=0 length=0
    for index in "${!songs[@]}"; do
      file=${songs[$index]} output="$work/out/$player.$mode.$index.wav"
      best=
      for _ in $(seq "$passes"); do
        ms=$(cpu_ms render "$player" "$mode" "$file" "$output")
        [ -z "$best" ] || [ "$ms" -lt "$best" ] && best=$ms
      done
      sum=$((sum + best))
      [ "$mode" = load ] || length=$(awk "BEGIN { print $length + $(soxi -D "$output") }")
    done
    total[$player.$mode]=$sum seconds[$player.$mode]=$length
  done
done

ratio() { awk "BEGIN { printf \"%.2f\", $1 / ($2 > 0 ? $2 : 1) }"; }
row() {  # row LABEL OURS XMP OPENMPT
  printf '%-26s %8d %8d %11d %9s %16s\n' "$1" "$2" "$3" "$4" "$(ratio "$2" "$3")" "$(ratio "$2" "$4")"
}
printf '\nCPU ms (user + sys), summed over the modules, 44100 Hz\n'
printf '%-26s %8s %8s %11s %9s %16s\n' "" ours xmp openmpt123 ours/xmp ours/openmpt123
for mode in "${modes[@]}" load; do
  row "$mode" "${total[ours.$mode]}" "${total[xmp.$mode]}" "${total[openmpt123.$mode]}"
done
printf '\nthe same less the load-only run (rendering alone)\n'
for mode in "${modes[@]}"; do
  row "$mode - load" $((total[ours.$mode] - total[ours.load])) $((total[xmp.$mode] - total[xmp.load])) \
    $((total[openmpt123.$mode] - total[openmpt123.load]))
done
# Of ours' start-up, the part before any module reads the file: loading the
# stream libraries and enumerating their module records.
: > "$work/empty.none"
registry=
for _ in $(seq "$passes"); do
  ms=$(cpu_ms "$build/bin/tumbor-render" --libs "$work/libs" --info "$work/empty.none")
  [ -z "$registry" ] || [ "$ms" -lt "$registry" ] && registry=$ms
done
printf 'ours: %d ms of each run load the stream libraries and enumerate their modules (%d ms for %d runs)\n' \
  "$registry" $((registry * ${#songs[@]})) "${#songs[@]}"
printf '\nrendered seconds (ours includes 7 silent ticks before the first row per song):\n'
for mode in "${modes[@]}"; do
  printf '%-20s ours %.2f  xmp %.2f  openmpt123 %.2f\n' "$mode" "${seconds[ours.$mode]}" \
    "${seconds[xmp.$mode]}" "${seconds[openmpt123.$mode]}"
done
first=${modes[0]}
for index in "${!songs[@]}"; do
  printf '  %-32s ours %8.2f  xmp %8.2f  openmpt123 %8.2f\n' "$(basename "${songs[$index]}")" \
    "$(soxi -D "$work/out/ours.$first.$index.wav")" "$(soxi -D "$work/out/xmp.$first.$index.wav")" \
    "$(soxi -D "$work/out/openmpt123.$first.$index.wav")"
done
