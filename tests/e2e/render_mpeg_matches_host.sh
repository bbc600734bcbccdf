#!/usr/bin/env bash
# tumbor-render.exe under Wine and the native tumbor-render decode the same
# MPEG files (encoded by lame, twolame and make-layer1, with and without ID3v2
# tags and info frames) to PCM of exactly the same length, each sample within
# one step of the other: the cross-built libmpg123 picks other decoder cores
# than Debian's, whose rounding differs by one. Both match mpg123's own
# decode from the first sample to the last, then silence to the block's end.
#   usage: render_mpeg_matches_host.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$here/../unit/make_mpeg_files.sh" files "$host_bin/make-layer1"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
compare() { "$host_bin/pcm-compare" "$@" >/dev/null; }

render_both() {  # render_both NAME ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1; shift
  "$host_bin/tumbor-render" "$@" "$name.host.wav"
  wine "$windows_bin/tumbor-render.exe" "$@" "$name.wine.wav" </dev/null 2>/dev/null
  [ "$(stat -c %s "$name.host.wav")" -eq "$(stat -c %s "$name.wine.wav")" ] ||
    fail "$name: Wine and native lengths differ"
  compare --skip-a 44 --skip-b 44 --same-length --tolerance 1 "$name.wine.wav" "$name.host.wav" ||
    fail "$name: Wine and native samples differ by more than 1"
}

block=8192  # samples in the module's last, padded block
for file in cbr128.mp3 cbrplain.mp3 vbr.mp3 mono22.mp3 mono8.mp3 layer2.mp2 layer2lsf.mp2 layer1.mp1 \
            vbrlong.mp3 bothtags.mp3 vbr22.mp3 vbr11.mp3 twotags.mp2; do
  name=${file%.*}
  render_both "$name" "files/$file"
  double=(); case $name in mono*) double=(--double-b) ;; esac
  # The whole of mpg123's decode, then silence; the render ends with the
  # buffer that holds the end, which may add a silent block.
  compare --skip-a 44 --silent-tail $((3 * block)) "${double[@]}" "$name.host.wav" "files/$name.raw" ||
    fail "$name: native render differs from mpg123"
  compare --skip-a 44 --silent-tail $((3 * block)) --tolerance 1 "${double[@]}" "$name.wine.wav" "files/$name.raw" ||
    fail "$name: Wine render differs from mpg123 by more than 1"
done

# A seek to the middle and a time limit, with the player's smallest buffers.
render_both seek --buffer 4096 --seek 15 --seconds 0.5 files/cbr128.mp3
[ "$(stat -c %s seek.host.wav)" -eq $((44 + 88200)) ] || fail "seek: wrong length"

# A VBR file continues at the frame holding 5.0 s: frame 191 of 1152 samples
# starts 468 samples before it. A seek may round one step apart from a
# straight decode.
render_both seek_vbr --seek 50 --seconds 0.5 files/vbrlong.mp3
compare --skip-a 44 --skip-b $((191 * 1152 * 4)) --prefix --tolerance 1 seek_vbr.host.wav files/vbrlong.raw ||
  fail "seek_vbr: native render is not mpg123's decode from 5.0 s"
compare --skip-a 44 --skip-b $((191 * 1152 * 4)) --prefix --tolerance 2 seek_vbr.wine.wav files/vbrlong.raw ||
  fail "seek_vbr: Wine render is not mpg123's decode from 5.0 s"

# --info reports the same in both: the rate, the true length of VBR files,
# and the title from the ID3v2 tag.
for file in mono22.mp3 vbrlong.mp3 vbr22.mp3 twotags.mp2; do
  "$host_bin/tumbor-render" --info "files/$file" > "$file.info.host"
  wine "$windows_bin/tumbor-render.exe" --info "files/$file" 2>/dev/null </dev/null | tr -d '\r' > "$file.info.wine"
  cmp "$file.info.host" "$file.info.wine" || fail "$file: --info differs"
done
grep -qx "sample rate: 22050" mono22.mp3.info.host || fail "--info: wrong rate"
grep -qx "bit rate: 64000" mono22.mp3.info.host || fail "--info: wrong bit rate"
grep -qx "length: 70" vbrlong.mp3.info.host || fail "vbrlong: not its true length"
grep -qx "title: Some Artist - Long Title" vbrlong.mp3.info.host || fail "vbrlong: wrong title"
grep -qx "title: Wide Title" vbr22.mp3.info.host || fail "vbr22: wrong title"
grep -qx "title: Second Tag" twotags.mp2.info.host || fail "twotags: wrong title"

# An ID3v2 tag in front is passed; the sound behind it is the same.
{ printf 'ID3\004\000\000\000\000\000\012'; head -c 10 /dev/zero; cat files/cbr128.mp3; } > id3v2.mp3
render_both id3v2 id3v2.mp3
cmp id3v2.host.wav cbr128.host.wav || fail "id3v2: not the sound of the file behind the tag"

# Refusals: a stream under 4096 bytes, with or without a tag in front.
{ printf 'ID3\004\000\000\000\000\000\012'; head -c 10 /dev/zero; head -c 4000 files/cbr128.mp3; } > short_tagged.mp3
head -c 4000 files/cbr128.mp3 > short.mp3
for file in short.mp3 short_tagged.mp3; do
  if "$host_bin/tumbor-render" "$file" out.wav 2> err.host; then fail "$file accepted natively"; fi
  if wine "$windows_bin/tumbor-render.exe" "$file" out.wav 2> err.wine </dev/null; then fail "$file accepted under Wine"; fi
  grep -qx "Unknown file format : $file" err.host || fail "$file: native message: $(cat err.host)"
done

[ $failures -eq 0 ] && echo "render_mpeg_matches_host: all checks passed"
exit $failures
