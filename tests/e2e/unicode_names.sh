#!/usr/bin/env bash
# Tumbor.exe under Wine plays files named with Cyrillic, Greek, CJK and
# accented Latin characters, with wave-out captured: from its command line,
# handed over by a second start to the running player, and from an M3U8
# playlist with relative entries. The captured sound is each file's; the
# playlist window shows the titles and lengths, and the saved playlist keeps
# the names whole.
#   usage: unicode_names.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail
source "$(dirname "$0")/sound_checks.sh"
export LC_ALL=C.UTF-8  # the names pass to Wine as UTF-8

capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
bin=$(cd "$1" && pwd) work=$2
rm -rf "$work" && mkdir -p "$work" && cd "$work"
install_player "$bin" app
printf '[Playlist]\r\nRepeatX=0\r\n' > app/Tumbor.ini  # the list stops at its end

cyrillic="Дождь – 雨.wav" greek="Ελλάδα.wav" cjk="雨の歌.wav" latin="Björk – Jóga.wav"
frequency=300
for name in "$cyrillic" "$greek" "$cjk" "$latin"; do
  sox -n -r 44100 -c 2 -b 16 "$name" synth 3 sine $frequency sine $((frequency + 110))
  sox "$name" -t raw "$name.raw"
  frequency=$((frequency + 70))
done

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
start_player() { timeout 120 wine app/Tumbor.exe "$@" > tumbor.log 2>&1 & player=$!; }
# Waits until the player has played and stopped again, closes it, keeps the capture as NAME.captured.
played() {
  local name=$1
  [ "$(drive wait-state 1)" = "state 1" ] || fail "$name: nothing started playing"
  [ "$(drive wait-stopped 1500)" = "stopped 1" ] || fail "$name: the playing did not end"
}
close_player() {
  local name=$1
  drive close >/dev/null
  wait $player || fail "$name: Tumbor.exe did not end after close"
  cp "$capture" "$name.captured" 2>/dev/null || : > "$name.captured"
}
# The capture, from byte SKIP on, holds the file's sound; answers where the silence after it ends.
expect_file_sound() {
  local name=$1 captured=$2 skip=$3 raw=$4
  local length; length=$(stat -c %s "$raw")
  cmp -i "$skip:0" -n "$length" "$captured" "$raw" || fail "$name: the captured sound is not the file's"
}
only_silence_after() {
  local name=$1 captured=$2 from=$3
  [ "$(tail -c +$((from + 1)) "$captured" | tr -d '\000' | wc -c)" -eq 0 ] ||
    fail "$name: more than the sound and silence was played"
}

# From the command line.
rm -f "$capture"
start_player "$(winepath -w "$work/$cyrillic")"
played cyrillic
close_player cyrillic
expect_file_sound cyrillic cyrillic.captured 0 "$cyrillic.raw"
only_silence_after cyrillic cyrillic.captured "$(stat -c %s "$cyrillic.raw")"

# Handed over by a second start, as wide text.
rm -f "$capture"
start_player
[ "$(drive state)" = "state 0" ] || fail "handover: the player did not start stopped"
timeout 60 wine app/Tumbor.exe "$(winepath -w "$work/$greek")" > second.log 2>&1 || fail "handover: the second start failed"
played handover
close_player handover
expect_file_sound handover handover.captured 0 "$greek.raw"

# From an M3U8 with relative entries: the first has a title of its own, the
# second's title and length come from the background reader.
printf '#EXTM3U\r\n#EXTINF:3,雨の歌\r\n%s\r\n%s\r\n' "$cjk" "$latin" > list.m3u8
rm -f "$capture"
start_player "$(winepath -w "$work/list.m3u8")"
played playlist
lines=$(drive lines-with-lengths)
expected=$'line 雨の歌 (0:03)\nline Björk – Jóga.wav (0:03)'
[ "$lines" = "$expected" ] || fail "playlist: the window shows: $lines"
# A picture of the playlist window for people to look at (not compared).
drive key alt+E list-shown >/dev/null
import -window root playlist_window.png 2>/dev/null || true
close_player playlist
expect_file_sound playlist playlist.captured 0 "$cjk.raw"
# The second song follows the first (and the silence padding its last buffer).
first=$(stat -c %s "$cjk.raw")
second_at=$(python3 -c 'import sys
captured, second = (open(name, "rb").read() for name in sys.argv[1:3])
print(captured.find(second[:65536], int(sys.argv[3])))' playlist.captured "$latin.raw" "$first")
if [ "$second_at" -ge "$first" ]; then
  expect_file_sound playlist playlist.captured "$second_at" "$latin.raw"
else
  fail "playlist: the second song was not played after the first"
fi
# The saved default playlist keeps the names, titles and lengths.
grep -q "^File1=.*$cjk"$'\r'"$" app/Tumbor.pls || fail "saved: $(cat app/Tumbor.pls)"
grep -q "^Title2=$latin"$'\r'"$" app/Tumbor.pls || fail "saved: no title for the second entry"
grep -q "^Length2=3"$'\r'"$" app/Tumbor.pls || fail "saved: no length for the second entry"

finish
