#!/usr/bin/env bash
# Tumbor.exe under Wine with wave-out captured and the equalizer set in
# "Tumbor.ini": with the 1000 Hz band at -12 dB a 1000 Hz tone plays 12 dB
# quieter (within 1 dB) and a 60 Hz tone as loud as without it (within
# 0.5 dB); switched off ("Enabled"=0) the sound is byte for byte what the
# player plays without any equalizer section. Alt+G shows and hides the
# equalizer window, and whether it shows is kept in the settings.
#   usage: equalizer_captured.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
install_player "$bin" app
sox -n -r 44100 -c 2 -b 16 tone1000.wav synth 2 sine 1000 vol 0.5
sox -n -r 44100 -c 2 -b 16 tone60.wav synth 2 sine 60 vol 0.5

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# play NAME FILE SETTINGS [STEPS...]: plays FILE to its end with SETTINGS as
# the equalizer section of a fresh "Tumbor.ini" (without repeat; "-" keeps
# the file the last run wrote), runs the driver's STEPS, closes, and keeps the
# captured bytes in NAME.captured.
play() {
  local name=$1 file=$2 settings=$3
  shift 3
  [ "$settings" = - ] || printf '[Playlist]\r\nRepeatX=0\r\n%b' "$settings" > app/Tumbor.ini
  rm -f "$capture"
  timeout 120 wine app/Tumbor.exe "$(winepath -w "$work/$file")" > "$name.log" 2>&1 &
  local player=$!
  drive wait-caption "Tumbor - $file" > /dev/null
  [ "$(drive wait-stopped 500)" = "stopped 1" ] || fail "$name: the tone did not end"
  if [ $# -gt 0 ]; then drive "$@" > "$name.steps"; fi
  drive close > /dev/null
  wait $player || fail "$name: Tumbor.exe did not end after close"
  cp "$capture" "$name.captured" 2>/dev/null || : > "$name.captured"
}

# level NAME: the RMS level in dB of the captured sound between 0.5 s and 1.5 s.
level() {
  sox -t raw -r 44100 -e signed -b 16 -c 2 "$1.captured" -n trim 0.5 1 stats 2>&1 |
    awk '/^RMS lev dB/ { print $4 }'
}

# expect_change NAME REFERENCE DB TOLERANCE: NAME is DB dB louder than REFERENCE, within TOLERANCE.
expect_change() {
  local got
  got=$(awk -v a="$(level "$1")" -v b="$(level "$2")" 'BEGIN { printf "%.2f", a - b }')
  echo "$1: $got dB against $2"
  awk -v g="$got" -v d="$3" -v t="$4" 'BEGIN { exit !(g - d <= t && d - g <= t) }' ||
    fail "$1: $got dB against $2, not $3 dB within $4"
}

cut='[Equalizer]\r\nEnabled=1\r\nBand5=-120\r\n'
play plain1000 tone1000.wav ''
play off1000 tone1000.wav '[Equalizer]\r\nEnabled=0\r\nBand5=-120\r\n'
play cut1000 tone1000.wav "$cut" key alt+G wait-window "Equalizer" 1

# Alt+G showed the window, and "Visible" kept it; it shows at the next start and Alt+G hides it.
grep -qx "window Equalizer 1" cut1000.steps || fail "Alt+G did not show the equalizer window"
grep -q '^Visible=1' app/Tumbor.ini || fail "the shown equalizer window is not kept in the settings"
play shown1000 tone1000.wav - wait-window "Equalizer" 1 key alt+G wait-window "Equalizer" 0
[ "$(tr '\n' ' ' < shown1000.steps)" = "window Equalizer 1 window Equalizer 0 " ] ||
  fail "the kept equalizer window did not show at start or Alt+G did not hide it: $(cat shown1000.steps)"
grep -q '^Visible=0' app/Tumbor.ini || fail "the hidden equalizer window is not kept in the settings"

play plain60 tone60.wav ''
play cut60 tone60.wav "$cut"

length=$(( $(stat -c %s tone1000.wav) - 44 ))
for name in plain1000 off1000; do
  [ "$(stat -c %s $name.captured)" -ge "$length" ] || fail "$name: only $(stat -c %s $name.captured) bytes captured"
done
cmp -n "$length" plain1000.captured off1000.captured || fail "off1000: switched off, the sound differs"
expect_change cut1000 plain1000 -12 1
expect_change shown1000 plain1000 -12 1
expect_change cut60 plain60 0 0.5

finish
