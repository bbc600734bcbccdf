#!/usr/bin/env bash
# Encodes the MPEG test files with Debian's encoders, and their reference
# decodes with Debian's mpg123 (the same libmpg123 as the native module):
#   NAME.mp3/.mp2 and NAME.raw (16-bit PCM, the stream's own channel count).
# The reference is mpg123 --no-gapless: every frame decoded, no trimming; a
# leading Xing/Info frame is read for its frame count and not played, and
# ID3v2 tags are passed over.
# NAME.gapless.raw is mpg123's default (gapless) decode, which cuts the
# encoder delay and padding a LAME/Info frame declares.
# A layer I stream comes from the project's own make-layer1 tool.
#   usage: make_mpeg_files.sh OUTPUT_DIR MAKE_LAYER1
set -euo pipefail
out=$1 make_layer1=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
mkdir -p "$out" && cd "$out"

sox -n -r 44100 -c 2 -b 16 stereo44.wav synth 3 sine 440 sine 660
sox -n -r 22050 -c 1 -b 16 mono22.wav synth 2 sine 330
sox -n -r 22050 -c 2 -b 16 stereo22.wav synth 2 sine 330 sine 495
sox -n -r 8000 -c 1 -b 16 mono8.wav synth 2 sine 200
sox -n -r 11025 -c 2 -b 16 stereo11.wav synth 2 sine 250 sine 375
# Seven seconds whose changing sound makes the VBR frames' bitrates differ.
sox -n -r 44100 -c 2 -b 16 long44.wav synth 7 sine 220-1760 pinknoise tremolo 3 50 vol 0.5

lame --quiet -b 128 stereo44.wav cbr128.mp3            # MPEG-1 layer III, CBR (Info frame)
lame --quiet -b 128 -t stereo44.wav cbrplain.mp3       # the same without the Info frame
lame --quiet -V 4 stereo44.wav vbr.mp3                 # MPEG-1 layer III, VBR (Xing frame)
lame --quiet -m m -b 64 mono22.wav mono22.mp3          # MPEG-2 layer III, mono
lame --quiet -m m -b 16 mono8.wav mono8.mp3            # MPEG-2.5 layer III, mono
twolame --quiet -b 192 stereo44.wav layer2.mp2         # MPEG-1 layer II
twolame --quiet -b 96 stereo22.wav layer2lsf.mp2       # MPEG-2 layer II
"$make_layer1" layer1.mp1 3                            # MPEG-1 layer I

# ID3v2 tags in front (ID3v2.3 from lame, in its three text encodings).
lame --quiet -V 2 --id3v2-only --tt "Long Title" --ta "Some Artist" long44.wav vbrlong.mp3
lame --quiet -b 128 --add-id3v2 --tt "Both Tags" --ta "Band" stereo44.wav bothtags.mp3
lame --quiet -V 4 --id3v2-only --id3v2-utf16 --tt "Wide Title" stereo22.wav vbr22.mp3
lame --quiet -V 6 --id3v2-only --id3v2-latin1 --tt "Narrow Title" stereo11.wav vbr11.mp3
# Two tags in a row before a stream without an info frame: lame's tag of
# vbr11.mp3, then one of the tag editor's kind, with a title only.
size=$(od -An -tu1 -j6 -N4 vbr11.mp3 | awk '{print $1 * 2097152 + $2 * 16384 + $3 * 128 + $4 + 10}')
{
  head -c "$size" vbr11.mp3
  printf 'ID3\003\000\000\000\000\000\025TIT2\000\000\000\013\000\000\000Second Tag'
  cat layer2.mp2
} > twotags.mp2

# ReplayGain values in TXXX frames, as tagging tools write them (UTF-16).
lame --quiet -b 128 --tv "TXXX=REPLAYGAIN_TRACK_GAIN=-6.02 dB" --tv "TXXX=REPLAYGAIN_TRACK_PEAK=0.5" \
  --tv "TXXX=REPLAYGAIN_ALBUM_GAIN=+1.5 dB" stereo22.wav gain.mp3

for file in cbr128.mp3 cbrplain.mp3 vbr.mp3 mono22.mp3 mono8.mp3; do
  mpg123 -q -s "$file" > "${file%.*}.gapless.raw"
done
for file in cbr128.mp3 cbrplain.mp3 vbr.mp3 mono22.mp3 mono8.mp3 layer2.mp2 layer2lsf.mp2 layer1.mp1 \
            vbrlong.mp3 bothtags.mp3 vbr22.mp3 vbr11.mp3 twotags.mp2; do
  mpg123 -q -s --no-gapless "$file" > "${file%.*}.raw"
done
rm -f ./*.wav
