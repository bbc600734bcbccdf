#!/usr/bin/env bash
# tumbor-render.exe under Wine and the native tumbor-render play the MOD files
# of make-test-modules to exactly the same bytes, with the default settings,
# with interpolation, mono and 8 bits, and with windowed-sinc interpolation,
# ramping and a wider stereo image from a settings file (--ini); the
# length --info reports agrees with the rendered sound.
#   usage: render_trk_matches_host.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
mkdir songs && "$host_bin/make-test-modules" songs

render_both() {  # render_both NAME ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1; shift
  "$host_bin/tumbor-render" "$@" "$name.host.wav" || fail "$name: native render failed"
  wine "$windows_bin/tumbor-render.exe" "$@" "$name.wine.wav" </dev/null 2>/dev/null ||
    fail "$name: render under Wine failed"
  cmp "$name.host.wav" "$name.wine.wav" || fail "$name: Wine and native bytes differ"
}

# The time of the last row each song plays (its final speed and tempo), in ms.
declare -A last_row=([four]=150 [six]=114 [eight]=100)
start_delay=140  # 7 ticks at the initial tempo 125

for song in four six eight; do
  render_both "$song" "songs/$song.mod"
  "$host_bin/tumbor-render" --info "songs/$song.mod" > "$song.info"
  wine "$windows_bin/tumbor-render.exe" --info "songs/$song.mod" 2>/dev/null </dev/null | tr -d '\r' > "$song.info.wine"
  cmp "$song.info" "$song.info.wine" || fail "$song: --info differs"
  # Small buffers, so that the sound runs on past the end by little. The
  # length is whole tenths, truncated.
  "$host_bin/tumbor-render" --buffer 4096 "songs/$song.mod" "$song.small.wav"
  length=$(sed -n 's/^length: //p' "$song.info")
  rendered=$(( ($(stat -c %s "$song.small.wav") - 44) * 1000 / 176400 ))
  late=$(( rendered - start_delay - length * 100 ))
  echo "$song: length $length tenths, rendered $rendered ms"
  [ "$late" -ge "-${last_row[$song]}" ] && [ "$late" -le $(( last_row[$song] + 100 )) ] ||
    fail "$song: --info says $length tenths, but $rendered ms were rendered"
done

# Interpolation, mono and 8 bits from the settings file.
printf '[STRM_TRK]\r\nQuality=0\r\nStereo=1\r\nInterpolation=1\r\nBits=8\r\n' > lofi.ini
render_both lofi --ini lofi.ini songs/eight.mod
"$host_bin/tumbor-render" --ini lofi.ini --info songs/eight.mod > lofi.info
grep -qx "channels: 1" lofi.info && grep -qx "bits: 8" lofi.info || fail "lofi: not mono 8-bit: $(cat lofi.info)"
# As many frames as the default render, give or take a buffer (32768 frames here).
frames=$(( $(stat -c %s lofi.host.wav) - 44 )) default_frames=$(( ($(stat -c %s eight.host.wav) - 44) / 4 ))
[ $(( frames - default_frames )) -gt -32768 ] && [ $(( frames - default_frames )) -lt 32768 ] ||
  fail "lofi: $frames frames, the default render $default_frames"

# The sinc's tables and the ramps come out the same in both builds.
printf '[STRM_TRK]\r\nInterpolation=3\r\nRamping=1\r\nStereoSeparation=150\r\n' > hifi.ini
render_both hifi --ini hifi.ini songs/four.mod

finish
