#!/usr/bin/env bash
# tumbor-play.exe under Wine, with wave-out captured to a file: what reaches
# the sound device is exactly the file's sound bytes plus the last buffer's
# padding, with no buffer lost, repeated or reordered; also across a pause,
# and after a seek the sound carries on from the position the module computes;
# a tone location (a module reading no file) plays until stopped.
#   usage: play_captured.sh WINDOWS_BIN_DIR WORK_DIR   (TUMBOR_CAPTURE_FILE set)
set -euo pipefail

windows_bin=$1 work=$2
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

play() {  # play NAME FILE [ACTION...]: plays and keeps the captured bytes in NAME.captured
  local name=$1; shift
  rm -f "$capture"
  wine "$windows_bin/tumbor-play.exe" "$@" </dev/null > "$name.log" 2>&1 || fail "$name: tumbor-play failed"
  grep -q '^played' "$name.log" || fail "$name: $(cat "$name.log")"
  cp "$capture" "$name.captured" 2>/dev/null || : > "$name.captured"
}

sox -n -r 44100 -c 2 -b 16 stereo16.wav synth 3 sine 440 sine 660
sox -n -r 11025 -c 1 -b 8 mono8.wav synth 2 sine 300
sox -n -r 44100 -c 2 -b 16 long.wav synth 5 sine 550 sine 330
for file in stereo16 mono8 long; do sox $file.wav -t raw $file.raw; done

play whole stereo16.wav
expect_sound whole whole.captured 0 stereo16.raw 000 32768
play small mono8.wav
expect_sound small small.captured 0 mono8.raw 200 4096
play paused stereo16.wav 150:pause 400:resume
expect_sound paused paused.captured 0 stereo16.raw 000 32768

# Halfway through 5 s is 25 tenths: 25 × 17640 bytes into the sound.
play sought long.wav 150:seek:1/2
target=441000
total=$(stat -c %s sought.captured) length=$(stat -c %s long.raw)
tail_length=$((length - target))
padding=$(( (32768 - tail_length % 32768) % 32768 ))
prefix=$((total - tail_length - padding))
if [ $prefix -lt 0 ]; then
  fail "sought: only $total bytes captured"
else
  cmp -n $prefix sought.captured long.raw || fail "sought: the sound before the seek differs"
  cmp -i $prefix:$target -n $tail_length sought.captured long.raw || fail "sought: did not land at 2.5 s"
  [ "$(tail -c +$((prefix + tail_length + 1)) sought.captured | tr -d '\000' | wc -c)" -eq 0 ] ||
    fail "sought: padding is not silence"
fi

# A tone never ends by itself: what was played before the stop is the start
# of what tumbor-render makes of the same location.
play tone tone://440 --seconds 1
wine "$windows_bin/tumbor-render.exe" --seconds 20 tone://440 tone.wav </dev/null 2>/dev/null
# The device may add a moment of its own silence after the stop: the last
# tenth of a second is left out of the comparison.
tone_bytes=$(( $(stat -c %s tone.captured) - 17640 ))
[ "$tone_bytes" -gt 0 ] || fail "tone: nothing was played"
cmp -i 0:44 -n "$tone_bytes" tone.captured tone.wav || fail "tone: played sound differs from the render"

finish
