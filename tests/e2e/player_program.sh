#!/usr/bin/env bash
# Tumbor.exe under Wine on an X display, driven from outside by tumbor_driver:
# the state answer across play, pause and stop; the keys C, V, X, B, Z and
# Left/Right; clicks on play, pause and stop; dragging and snapping; a second
# start with a quoted path holding a space hands it to the first, which
# replaces its playlist and plays it (the captured sound is that file's); a
# playlist of 10,000 entries and an over-long line plays and steps;
# closing writes every settings key and the playlist, and a restart restores
# them; the playlist window's keys edit the list.
#   usage: player_program.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
install_player "$bin" app
# Without repeat a one-entry list stops at its end; with half a second of
# buffers a seek drops little of the sound queued before it.
printf '[Playlist]\r\nRepeatX=0\r\n[Sound]\r\nBuffer=5\r\n' > app/Tumbor.ini

# Each file has a format of its own, so that each opens the device anew and
# the capture holds that file's sound only.
sox -n -r 44100 -c 2 -b 16 first.wav synth 20 sine 440
sox -n -r 22050 -c 1 -b 8 "other file.wav" synth 2 sine 300
for name in a b c; do sox -n -r 8000 -c 1 -b 8 $name.wav synth 40 sine 500; done
printf 'a.wav\r\nb.wav\r\n\r\nc.wav\r\n' > abc.m3u
sox -n -r 44100 -c 1 -b 16 long.wav synth 30 sine 660
sox "other file.wav" -t raw other.raw
win() { winepath -w "$work/$1"; }

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected \"$2\", got \"$3\""
}
start_player() {
  timeout 120 wine app/Tumbor.exe "$@" > "tumbor$((++starts)).log" 2>&1 &
  player=$!
}
starts=0

start_player "$(win first.wav)"
expect "started" "caption Tumbor - first.wav" "$(drive wait-caption "Tumbor - first.wav")"
expect "playing" "state 1" "$(drive wait-state 1)"
expect "C pauses" "state 3" "$(drive key C wait-state 3)"
expect "pause button resumes" "state 1" "$(drive click 81 93 wait-state 1)"
expect "V stops" "state 0" "$(drive key V wait-state 0)"
expect "X plays" "state 1" "$(drive key X wait-state 1)"
expect "stop button stops" "state 0" "$(drive click 109 93 wait-state 0)"
expect "play button plays" "state 1" "$(drive click 53 93 wait-state 1)"

# Dragged from the background to 10 pixels from the left edge, the window snaps to it.
read -r _ left top _ _ <<< "$(drive rect)"
expect "snapped" "rect 0 $top" "$(drive drag 160 58 $((160 - left + 10)) 58 rect | cut -d' ' -f1-3)"
expect "not snapped at 30 pixels" "rect 30 $top" "$(drive drag 160 58 190 58 rect | cut -d' ' -f1-3)"

# A second start hands its quoted path over and ends.
timeout 30 wine app/Tumbor.exe "$(win "other file.wav")" > second.log 2>&1 || fail "the second start did not end by itself"
expect "handed over" "caption Tumbor - other file.wav" "$(drive wait-caption "Tumbor - other file.wav")"
expect "the list was replaced" "entries 1" "$(drive entries)"
expect "one entry without repeat stops at its end" "state 0" "$(drive wait-state 0)"
cp "$capture" other.captured
cmp -n "$(stat -c %s other.raw)" other.captured other.raw || fail "the handed-over file's sound differs"
[ "$(tail -c +$(($(stat -c %s other.raw) + 1)) other.captured | tr -d '\200' | wc -c)" -eq 0 ] ||
  fail "more than the handed-over file's sound and silence was played"

# A playlist file: B and Z step through it, and back from the first entry is the last.
wine app/Tumbor.exe "$(win abc.m3u)" > third.log 2>&1
expect "playlist handed over" "caption Tumbor - a.wav" "$(drive wait-caption "Tumbor - a.wav")"
expect "its entries" "entries 3" "$(drive entries)"
expect "B" "caption Tumbor - b.wav" "$(drive key B wait-caption "Tumbor - b.wav")"
expect "Z" "caption Tumbor - a.wav" "$(drive key Z wait-caption "Tumbor - a.wav")"
expect "Z from the first" "caption Tumbor - c.wav" "$(drive key Z wait-caption "Tumbor - c.wav")"

# A list of 10,000 locations and a line of 300 characters (read as a location
# of 259 and a missing file of 41) plays and steps.
{ seq 10000 | sed 's|.*|tone://440|'; printf 'tone://%0249d440%041d\n' 0 0; } | sed 's/$/\r/' > big.pls
wine app/Tumbor.exe "$(win big.pls)" > big.log 2>&1
expect "long list handed over" "entries 10001" "$(drive wait-state 1 entries | tail -1)"
expect "back from the first entry" "caption Tumbor - Frequency 440Hz" "$(drive key Z wait-caption "Tumbor - Frequency 440Hz")"
expect "stepping a long list" "state 1" "$(drive wait-state 1)"
expect "V stops the tone" "state 0" "$(drive key V wait-state 0)"

# Right twice and Left once skip 5 s of the 30 s in all.
wine app/Tumbor.exe "$(win long.wav)" > fourth.log 2>&1
drive wait-caption "Tumbor - long.wav" sleep 300 key Right sleep 400 key Right sleep 400 key Left >/dev/null
expect "long file ended" "state 0" "$(drive wait-state 0)"
# The device's silence after the end is left out: the sine has almost no zero bytes.
heard=$(( $(tr -d '\000' < "$capture" | wc -c) / 88200 ))
echo "Left/Right: $heard s of the 30 s were heard"
[ "$heard" -ge 22 ] && [ "$heard" -le 28 ] || fail "Left/Right: $heard s of the 30 s were played, not about 25"

# Alt+E shows the playlist window; closing writes the playlist and every settings key.
expect "Alt+E" "list-shown 1" "$(drive key alt+E list-shown)"
drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close"
expect "saved playlist" "File1=$(win long.wav)" "$(tr -d '\r' < app/Tumbor.pls | grep '^File')"
for key in Playlist/X Playlist/Y Playlist/XS Playlist/YS Playlist/Clear Playlist/Repeat Playlist/RepeatX \
           Playlist/Shuffle Playlist/Active Playlist/Advance General/Filepath General/LastLocation \
           General/PageOptions General/X General/Y General/Topmost General/Snap General/GUI General/Timemode \
           General/Systray General/MinimizeState General/Minimized General/OpenFilter Design/Current Design/Path \
           Skin/Current Skin/Path Plugins/Library Plugins/Module Plugins/AutoExecute Plugins/Priority Plugins/Path \
           Sound/Device Sound/Buffer Sound/Volume; do
  section=${key%/*} name=${key#*/}
  sed -n "/^\[$section\]/,/^\[/p" app/Tumbor.ini | grep -q "^$name=" || fail "Tumbor.ini lacks $section $name"
done

# A restart restores the playlist and the window's place, and plays nothing.
start_player
expect "restarted" "caption Tumbor" "$(drive wait-caption Tumbor)"
expect "playlist restored" "entries 1" "$(drive entries)"
expect "place restored" "rect 30 $top" "$(drive rect | cut -d' ' -f1-3)"
expect "nothing plays" "state 0" "$(drive state)"
expect "playlist window shown again" "list-shown 1" "$(drive list-shown)"
# Keys of the playlist window: Ctrl+A selects every entry, Delete removes them.
expect "playlist keys" "entries 0" "$(drive list-key ctrl+A list-key Delete entries)"
drive close >/dev/null
wait $player || fail "the restarted Tumbor.exe did not end after close"

finish
