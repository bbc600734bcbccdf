#!/usr/bin/env bash
# tumbor-render.exe under Wine and the native tumbor-render decode the same
# MPEG files (encoded by lame, twolame and make-layer1) to PCM of exactly the same length,
# each sample within one step of the other: the cross-built libmpg123 picks
# other decoder cores than Debian's, whose rounding differs by one. Both
# match mpg123's own decode past the first frame, which priming changes.
#   usage: render_mpeg_matches_host.sh HOST_BIN_DIR WIN32_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 win32_bin=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$here/../unit/make_mpeg_files.sh" files "$host_bin/make-layer1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
compare() { "$host_bin/pcm-compare" "$@" >/dev/null; }

render_both() {  # render_both NAME ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1; shift
  "$host_bin/tumbor-render" "$@" "$name.host.wav"
  wine "$win32_bin/tumbor-render.exe" "$@" "$name.wine.wav" </dev/null 2>/dev/null
  [ "$(stat -c %s "$name.host.wav")" -eq "$(stat -c %s "$name.wine.wav")" ] ||
    fail "$name: Wine and native lengths differ"
  compare --skip-a 44 --skip-b 44 --same-length --tolerance 1 "$name.wine.wav" "$name.host.wav" ||
    fail "$name: Wine and native samples differ by more than 1"
}

for file in cbr128.mp3 vbr.mp3 mono22.mp3 mono8.mp3 layer2.mp2 layer1.mp1; do
  name=${file%.*}
  render_both "$name" "files/$file"
  double=(); case $name in mono*) double=(--double-b) ;; esac
  # Past the first 1152 sample frames both equal mpg123's decode.
  compare --skip-a 44 --from 2304 --prefix "${double[@]}" "$name.host.wav" "files/$name.raw" ||
    fail "$name: native render differs from mpg123"
  compare --skip-a 44 --from 2304 --prefix --tolerance 1 "${double[@]}" "$name.wine.wav" "files/$name.raw" ||
    fail "$name: Wine render differs from mpg123 by more than 1"
done

# A seek to the middle and a time limit, with the player's smallest buffers.
render_both seek --buffer 4096 --seek 15 --seconds 0.5 files/cbr128.mp3
[ "$(stat -c %s seek.host.wav)" -eq $((44 + 88200)) ] || fail "seek: wrong length"

# --info reports the same in both.
"$host_bin/tumbor-render" --info files/mono22.mp3 > info.host
wine "$win32_bin/tumbor-render.exe" --info files/mono22.mp3 2>/dev/null </dev/null | tr -d '\r' > info.wine
cmp info.host info.wine || fail "--info differs"
grep -qx "sample rate: 22050" info.host || fail "--info: wrong rate"
grep -qx "bit rate: 64000" info.host || fail "--info: wrong bit rate"

# Refusals: an ID3v2 tag in front, and a stream under 4096 bytes.
{ printf 'ID3\004\000\000\000\000\000\012'; head -c 10 /dev/zero; cat files/cbr128.mp3; } > id3v2.mp3
head -c 4000 files/cbr128.mp3 > short.mp3
for file in id3v2.mp3 short.mp3; do
  if "$host_bin/tumbor-render" "$file" out.wav 2> err.host; then fail "$file accepted natively"; fi
  if wine "$win32_bin/tumbor-render.exe" "$file" out.wav 2> err.wine </dev/null; then fail "$file accepted under Wine"; fi
  grep -qx "Unknown file format : $file" err.host || fail "$file: native message: $(cat err.host)"
done

[ $failures -eq 0 ] && echo "render_mpeg_matches_host: all checks passed"
exit $failures
