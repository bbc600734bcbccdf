#!/usr/bin/env bash
# Encodes the FLAC, Ogg Vorbis and Opus test files with Debian's encoders from
# WAV files sox makes, and the Ogg files' reference decodes:
#   NAME.wav             the sound a FLAC file was encoded from
#   NAME.flac / NAME.oga FLAC, native and in Ogg
#   NAME.ogg, NAME.raw   Ogg Vorbis, and oggdec's 16-bit decode of it
#   NAME.opus, NAME.raw  Opus, and opusdec's 48000 Hz stereo decode of it,
#                        without dither, as the module plays it
#   usage: make_codec_files.sh OUTPUT_DIR
set -euo pipefail
out=$1
mkdir -p "$out" && cd "$out"

# Sound that changes, so that seeks and links land on different samples: a
# sweep (left), noise (right).
tone() {  # tone FILE RATE CHANNELS BITS SECONDS
  sox -n -r "$2" -c "$3" -b "$4" "$1" synth "$5" sine 220-1760 pinknoise tremolo 3 50 vol 0.5
}
# flac and oggenc say so when they pass the fact chunk of sox's 24-bit and
# 6-channel files.
without_fact_notes() { "$@" 2>&1 | { grep -v "chunk 'fact'\|chunk of type \"fact\"" || true; } >&2; }
encode() { without_fact_notes flac -s -f "$@"; }

tone stereo16.wav 44100 2 16 3
tone mono8.wav 22050 1 8 2
tone stereo24.wav 48000 2 24 2
tone mono16.wav 8000 1 16 2
tone stereo16_32k.wav 32000 2 16 1
sox -n -r 44100 -c 6 -b 16 six.wav synth 1 sine 300 sine 400 sine 500 sine 600 sine 700 sine 800

encode -T "TITLE=Flac Title" -T "ARTIST=Flac Artist" -o stereo16.flac stereo16.wav
encode -T "TITLE=Caf$(printf '\303\251') No$(printf '\303\253')l" -o mono8.flac mono8.wav
encode --no-seektable -o stereo24.flac stereo24.wav
encode -T "REPLAYGAIN_TRACK_GAIN=-6.02 dB" -T "replaygain_album_gain=+2.5 dB" -T "REPLAYGAIN_TRACK_PEAK=0.25" \
  -o mono16.flac mono16.wav
encode --ogg -T "TITLE=Ogg Flac" -o stereo16.oga stereo16.wav
encode -o six.flac six.wav

tone vorbis44.wav 44100 2 16 3
tone vorbis22.wav 22050 1 16 2
tone vorbis44mono.wav 44100 1 16 1
# The links of a chained stream have serial numbers of their own.
oggenc -Q -q 3 -s 1 -t "Vorbis Title" -a "Vorbis Artist" -o vorbis44.ogg vorbis44.wav
oggenc -Q -q 3 -s 2 -o vorbis44again.ogg vorbis44.wav
oggenc -Q -q 1 -s 3 -t "Mono $(printf '\342\202\254') Title" -c "REPLAYGAIN_ALBUM_GAIN=-1.25 dB" \
  -c "REPLAYGAIN_ALBUM_PEAK=1.5" -o vorbis22.ogg vorbis22.wav
oggenc -Q -q 2 -s 4 -o vorbis44mono.ogg vorbis44mono.wav
without_fact_notes oggenc -Q -q 0 -s 10 -o six.ogg six.wav
# Chains: the same format twice; a mono link after a stereo one; a link of
# another rate, which ends the sound.
cat vorbis44.ogg vorbis44again.ogg > chain_same.ogg
cat vorbis44.ogg vorbis44mono.ogg > chain_mono.ogg
cat vorbis44.ogg vorbis22.ogg vorbis44again.ogg > chain_rate.ogg
for file in vorbis44 vorbis22 vorbis44mono; do oggdec -Q -R -o "$file.raw" "$file.ogg"; done

tone opus48.wav 48000 2 16 3
tone opus44mono.wav 44100 1 16 2
opusenc --quiet --serial 5 --title "Opus Title" --artist "Opus Artist" opus48.wav opus48.opus
opusenc --quiet --serial 6 --bitrate 48 --title "Only Title" --comment R128_TRACK_GAIN=-2560 \
  opus44mono.wav opus44mono.opus
cat opus48.opus opus44mono.opus > chain.opus
for file in opus48 opus44mono chain; do
  opusdec --quiet --rate 48000 --force-stereo --no-dither "$file.opus" "$file.raw"
done
rm -f vorbis*.wav opus*.wav vorbis44again.ogg
