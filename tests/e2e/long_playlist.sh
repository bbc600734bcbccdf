#!/usr/bin/env bash
# Tumbor.exe under Wine with a saved playlist of 10,000 entries: 1,000 small
# WAV files, each listed ten times. The list loads whole at start-up; while
# the background reader fills in titles and lengths the main and playlist
# windows answer within 100 ms, and the reader opens each file once.
#   usage: long_playlist.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail
source "$(dirname "$0")/sound_checks.sh"
export LC_ALL=C.UTF-8  # the names pass to Wine as UTF-8

files=1000 listings=10 limit_ms=100
bin=$(cd "$1" && pwd) work=$2
rm -rf "$work" && mkdir -p "$work/songs" && cd "$work"
install_player "$bin" app
# Half a second of quiet 8-bit mono sound in each file (shown as 0:01), its number in its name.
python3 - "$files" "$listings" <<'PYTHON'
import struct, sys
files, listings = int(sys.argv[1]), int(sys.argv[2])
data = bytes([0x80]) * 4000
header = b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + \
    struct.pack("<IHHIIHH", 16, 1, 1, 8000, 8000, 1, 8) + b"data" + struct.pack("<I", len(data))
names = ["Песня %04d.wav" % number for number in range(files)]
for name in names:
    with open("songs/" + name, "wb") as file:
        file.write(header + data)
# The player's own playlist, its entries relative to the player's folder.
entries = ["File%d=..\\songs\\%s\n" % (i + 1, names[i % files]) for i in range(files * listings)]
with open("app/Tumbor.pls", "w", encoding="utf-8", newline="\r\n") as playlist:
    playlist.write("[playlist]\n" + "".join(entries) + "NumberOfEntries=%d\nVersion=2\n" % len(entries))
PYTHON

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# Started without a path, the player shows its saved playlist and plays nothing.
timeout 240 wine app/Tumbor.exe > tumbor.log 2>&1 & player=$!

entries=$((files * listings))
[ "$(drive wait-entries $entries)" = "entries $entries" ] || fail "the list did not load $entries entries"
read -r _ longest samples < <(drive response-while-reading)
echo "longest answer while reading: $longest ms over $samples samples"
[ "$samples" -gt 0 ] || fail "the reading was over before it could be timed"
[ "$longest" -le $limit_ms ] || fail "the windows took $longest ms to answer (limit $limit_ms ms)"
[ "$(drive titles-shown)" = "titles-shown $entries" ] || fail "not every entry shows its title and length"
[ "$(drive reader-files)" = "reader-files $files" ] || fail "the reader opened $(drive reader-files) files, not $files"

drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close"
finish
