#!/usr/bin/env bash
# Tumbor.exe under Wine on an X display, with wave-out captured: started with a
# WAV file it shows the default design, plays the file, names it in the window
# caption ("Tumbor - tone.wav"), and a click on the close button ends it.
#   usage: tumbor_window.sh WIN32_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

install_player "$bin" app
sox -n -r 44100 -c 2 -b 16 tone.wav synth 3 sine 440
timeout 60 wine app/Tumbor.exe "$(winepath -w "$work/tone.wav")" > tumbor.log 2>&1 &
tumbor=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --name '^Tumbor - tone\.wav$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -z "$window" ]; then
  fail "no window captioned \"Tumbor - tone.wav\": $(xdotool search --name '^Tumbor' getwindowname %@ 2>/dev/null || true)"
else
  geometry=$(xdotool getwindowgeometry "$window" | grep Geometry | tr -d ' ')
  [ "$geometry" = "Geometry:320x112" ] || fail "the window is not the default design's size: $geometry"
  import -window root screen.png
  # The close button of the default design is at (296, 5), 14 x 12.
  xdotool mousemove --window "$window" 302 10 sleep 0.2 mousedown 1 sleep 0.1 mouseup 1
fi
wait $tumbor || fail "Tumbor.exe did not end after the close button was clicked"
[ -s "$TUMBOR_CAPTURE_FILE" ] || fail "nothing reached the sound device"

finish
