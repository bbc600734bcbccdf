#!/usr/bin/env bash
# Tumbor.exe under Wine plays a MOD file with wave-out captured: what reaches
# the device is the native tumbor-render's sound of the same file (the
# player's settings have no tracker section, so both play 44100 Hz 16-bit
# stereo without interpolation), up to where the device stopped; the caption
# shows the song's title.
#   usage: player_plays_module.sh WINDOWS_BIN_DIR WORK_DIR HOST_BIN_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2 host_bin=$(cd "$3" && pwd)
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
install_player "$bin" app
# Without repeat a one-entry list stops at its end.
printf '[Playlist]\r\nRepeatX=0\r\n' > app/Tumbor.ini

mkdir songs && "$host_bin/make-test-modules" songs
"$host_bin/tumbor-render" songs/six.mod six.wav
tail -c +45 six.wav > six.raw

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
timeout 120 wine app/Tumbor.exe "$(winepath -w "$work/songs/six.mod")" > tumbor.log 2>&1 &
player=$!
# The caption names the song by its title.
answer=$(drive wait-caption "Tumbor - Six channel test")
[ "$answer" = "caption Tumbor - Six channel test" ] || fail "the caption does not name the song: $answer"
# The 23 s song plays faster than real time on the captured device.
for _ in 1 2 3 4; do
  answer=$(drive wait-state 0)
  [ "$answer" = "state 0" ] && break
done
[ "$answer" = "state 0" ] || fail "the song did not end: $answer"
drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close"
cp "$capture" six.captured

# The device's silence after the end is left out.
captured=$(stat -c %s six.captured) rendered=$(stat -c %s six.raw)
heard=$(( captured < rendered ? captured : rendered ))
echo "captured $captured bytes, rendered $rendered"
[ "$heard" -ge $(( rendered * 9 / 10 )) ] || fail "only $heard of the song's $rendered bytes were captured"
head -c "$heard" six.captured > six.heard
"$host_bin/pcm-compare" --prefix six.heard six.raw || fail "the captured sound differs from the native render"
[ "$(tail -c +$((heard + 1)) six.captured | tr -d '\000' | wc -c)" -eq 0 ] ||
  fail "more than the song and silence was played"

finish
