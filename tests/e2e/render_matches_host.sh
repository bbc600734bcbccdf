#!/usr/bin/env bash
# tumbor-render.exe under Wine and the native tumbor-render turn the same WAV
# and VOC files (written by sox, not by us) into the same bytes: the files'
# own sound bytes, then silence up to the end of the last decode buffer.
# Refused files give the player's message and a non-zero exit in both.
#   usage: render_matches_host.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

render_both() {  # render_both NAME ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1; shift
  "$host_bin/tumbor-render" "$@" "$name.host.wav"
  wine "$windows_bin/tumbor-render.exe" "$@" "$name.wine.wav" </dev/null 2>/dev/null
  cmp "$name.host.wav" "$name.wine.wav" || fail "$name: Wine and native output differ"
}

# check_sound NAME FILE SILENCE_OCTAL: data = the file's sound bytes + silence
check_sound() {
  sox "$2" -t raw "$1.ref.raw"
  expect_sound "$1" "$1.host.wav" 44 "$1.ref.raw" "$3" "${BUFFER:-32768}"
}

sox -n -r 44100 -c 2 -b 16 stereo16.wav synth 1.3 sine 440 sine 660
sox -n -r 8000 -c 1 -b 8 mono8.wav synth 0.7 sine 300
sox -n -r 11025 -c 1 -b 16 mono16.wav synth 0.5 sine 1000
sox -n -r 8000 -c 1 -e mu-law mulaw.wav synth 0.3 sine 440   # fmt of 18 bytes and a fact chunk
sox -n -r 11025 -c 1 -b 8 voice.voc synth 0.9 sine 500

for name in stereo16 mono16; do render_both $name $name.wav; check_sound $name $name.wav 000; done
for name in mono8 mulaw; do render_both $name $name.wav; check_sound $name $name.wav 200; done
render_both voice voice.voc; check_sound voice voice.voc 200
BUFFER=4096 render_both small --buffer 4096 mono8.wav; BUFFER=4096 check_sound small mono8.wav 200

# Seeking and a time limit: 0.3 s of 44.1 kHz stereo from 0.5 s on.
render_both part --seek 5 --seconds 0.3 stereo16.wav
[ "$(stat -c %s part.host.wav)" -eq $((44 + 52920)) ] || fail "part: wrong length"
cmp -i 44:$((44 + 5 * 17640)) -n 52920 part.host.wav stereo16.wav || fail "part: wrong bytes"

# --info reports the same in both.
"$host_bin/tumbor-render" --info voice.voc > info.host
wine "$windows_bin/tumbor-render.exe" --info voice.voc 2>/dev/null </dev/null | tr -d '\r' > info.wine
cmp info.host info.wine || fail "--info differs"
grep -qx "sample rate: 10989" info.host || fail "--info: wrong rate"

# Refusals: not audio, 24-bit, and a data chunk of 3 bytes.
head -c 5000 /dev/urandom > noise.wav
sox -n -r 48000 -c 2 -b 24 deep.wav synth 0.1 sine 440
sox -n -r 8000 -c 1 -b 8 tiny.wav trim 0 3s
for file in noise.wav deep.wav tiny.wav; do
  if "$host_bin/tumbor-render" "$file" out.wav 2> err.host; then fail "$file accepted natively"; fi
  if wine "$windows_bin/tumbor-render.exe" "$file" out.wav 2> err.wine </dev/null; then fail "$file accepted under Wine"; fi
  grep -qx "Unknown file format : $file" err.host || fail "$file: native message: $(cat err.host)"
  tr -d '\r' < err.wine | grep -qx "Unknown file format : $file" || fail "$file: Wine message"
done

finish
