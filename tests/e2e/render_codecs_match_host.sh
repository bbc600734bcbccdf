#!/usr/bin/env bash
# tumbor-render.exe under Wine and the native tumbor-render play the FLAC, Ogg
# Vorbis and Opus files of make_codec_files.sh, with every stream library
# beside them: each file goes to its module, FLAC files give exactly the same
# bytes in both builds and exactly the WAV they were encoded from, and the Ogg
# files match oggdec's and opusdec's decodes within 2 steps a sample (the
# cross-built decoders compute in floating point on another instruction set).
#   usage: render_codecs_match_host.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work" && cd "$work"
"$here/../unit/make_codec_files.sh" files
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
compare() { "$host_bin/pcm-compare" "$@" >/dev/null; }

render_both() {  # render_both NAME ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1; shift
  "$host_bin/tumbor-render" "$@" "$name.host.wav" || fail "$name: native render failed"
  wine "$windows_bin/tumbor-render.exe" "$@" "$name.wine.wav" </dev/null 2>/dev/null || fail "$name: Wine render failed"
}

# FLAC: lossless, so the same bytes in both builds, and the WAV's sound.
for file in stereo16.flac mono16.flac stereo16.oga mono8.flac stereo24.flac; do
  name=${file%.*}_${file##*.}
  render_both "$name" "files/$file"
  cmp -s "$name.host.wav" "$name.wine.wav" || fail "$name: Wine and native renders differ"
done
for name in stereo16 mono16; do
  compare --skip-a 44 --skip-b 44 --silent-tail 16384 "${name}_flac.host.wav" "files/$name.wav" ||
    fail "$name.flac: not the WAV's sound"
done
compare --skip-a 44 --skip-b 44 --silent-tail 16384 stereo16_oga.host.wav files/stereo16.wav ||
  fail "stereo16.oga: not the WAV's sound"

# Ogg Vorbis and Opus: within 2 steps of each other and of the reference.
check_ogg() {  # check_ogg FILE REFERENCE [--double-b]
  local file=$1 reference=$2; shift 2
  local name=${file%.*}
  render_both "$name" "files/$file"
  compare --skip-a 44 --skip-b 44 --same-length --tolerance 2 "$name.wine.wav" "$name.host.wav" ||
    fail "$name: Wine and native samples differ by more than 2"
  for build in host wine; do
    compare --skip-a 44 --silent-tail 16384 --tolerance 2 "$@" "$name.$build.wav" "files/$reference" ||
      fail "$name: $build render differs from the reference by more than 2"
  done
}
check_ogg vorbis44.ogg vorbis44.raw
check_ogg opus48.opus opus48.raw
check_ogg opus44mono.opus opus44mono.raw
check_ogg chain.opus chain.raw
check_ogg chain_rate.ogg vorbis44.raw

# A seek into the middle, with the player's smallest buffers.
render_both seek_flac --buffer 4096 --seek 15 --seconds 0.5 files/stereo16.flac
cmp -s seek_flac.host.wav seek_flac.wine.wav || fail "seek_flac: Wine and native renders differ"
compare --skip-a 44 --skip-b $((44 + 66150 * 4)) --prefix seek_flac.host.wav files/stereo16.wav ||
  fail "seek_flac: not the WAV from 1.5 s"
render_both seek_opus --buffer 4096 --seek 15 --seconds 0.5 files/opus48.opus
compare --skip-a 44 --skip-b $((72000 * 4)) --prefix --tolerance 2 seek_opus.wine.wav files/opus48.raw ||
  fail "seek_opus: Wine render is not opusdec's decode from 1.5 s"

# --info: the module, rate, length, bit rate and title, the same in both builds.
for file in stereo16.flac stereo16.oga mono8.flac vorbis44.ogg vorbis22.ogg opus48.opus; do
  "$host_bin/tumbor-render" --info "files/$file" > "$file.info.host"
  wine "$windows_bin/tumbor-render.exe" --info "files/$file" 2>/dev/null </dev/null | tr -d '\r' > "$file.info.wine"
  cmp -s "$file.info.host" "$file.info.wine" || fail "$file: --info differs"
done
expect_info() {  # expect_info FILE LINE
  grep -qxF "$2" "$1.info.host" || fail "$1: no \"$2\" in: $(tr '\n' ' ' < "$1.info.host")"
}
for file in stereo16.flac stereo16.oga mono8.flac; do
  expect_info "$file" "description: FLAC decoder (native and Ogg FLAC, mono/stereo) v1.10"
done
expect_info stereo16.flac "title: Flac Artist - Flac Title"
expect_info stereo16.flac "length: 30"
expect_info mono8.flac "bits: 8"
expect_info mono8.flac "title: Caf$(printf '\303\251') No$(printf '\303\253')l"
expect_info vorbis44.ogg "description: Ogg Vorbis decoder (mono/stereo, chained streams) v1.10"
expect_info vorbis44.ogg "title: Vorbis Artist - Vorbis Title"
expect_info vorbis22.ogg "channels: 1"
expect_info vorbis22.ogg "sample rate: 22050"
expect_info opus48.opus "description: Opus decoder (48000 Hz stereo, chained streams) v1.10"
expect_info opus48.opus "sample rate: 48000"
expect_info opus48.opus "length: 30"

# No other library takes these files: without Strm_FLC and Strm_OGG they are unknown.
mkdir others
for library in "$host_bin"/*.so; do
  case ${library##*/} in Strm_FLC.so | Strm_OGG.so) ;; *) cp "$library" others/ ;; esac
done
for file in files/*.flac files/*.oga files/*.ogg files/*.opus; do
  if "$host_bin/tumbor-render" --libs others --info "$file" >/dev/null 2>&1; then fail "$file: taken by another library"; fi
done

# Refusals: six channels, with the module's message; a damaged stream.
message="This FLAC file has 6 channels; only mono and stereo FLAC files can be played"
for build in host wine; do
  if [ $build = host ]; then render=("$host_bin/tumbor-render"); else render=(wine "$windows_bin/tumbor-render.exe"); fi
  if "${render[@]}" files/six.flac out.wav 2> err.$build </dev/null; then fail "six.flac played ($build)"; fi
  grep -qF "$message" err.$build || fail "six.flac: $build message: $(cat err.$build)"
done
{ head -c 4 files/stereo16.flac; head -c 2000 /dev/zero; } > damaged.flac
if "$host_bin/tumbor-render" damaged.flac out.wav 2> err.host; then fail "damaged.flac accepted"; fi
grep -qx "Unknown file format : damaged.flac" err.host || fail "damaged.flac: message: $(cat err.host)"

[ $failures -eq 0 ] && echo "render_codecs_match_host: all checks passed"
exit $failures
