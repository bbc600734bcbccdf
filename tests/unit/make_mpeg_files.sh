#!/usr/bin/env bash
# Encodes the MPEG test files with Debian's encoders, and their reference
# decodes with Debian's mpg123 (the same libmpg123 as the native module):
#   NAME.mp3/.mp2 and NAME.raw (16-bit PCM, the stream's own channel count).
# The reference keeps every frame the module plays: no gapless trimming, and
# a leading Xing/LAME frame decoded like any other.
# A layer I stream comes from the project's own make-layer1 tool.
#   usage: make_mpeg_files.sh OUTPUT_DIR MAKE_LAYER1
set -euo pipefail
out=$1 make_layer1=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
mkdir -p "$out" && cd "$out"

sox -n -r 44100 -c 2 -b 16 stereo44.wav synth 3 sine 440 sine 660
sox -n -r 22050 -c 1 -b 16 mono22.wav synth 2 sine 330
sox -n -r 8000 -c 1 -b 16 mono8.wav synth 2 sine 200

lame --quiet -b 128 stereo44.wav cbr128.mp3            # MPEG-1 layer III, CBR
lame --quiet -V 4 stereo44.wav vbr.mp3                 # MPEG-1 layer III, VBR
lame --quiet -m m -b 64 mono22.wav mono22.mp3          # MPEG-2 layer III, mono
lame --quiet -m m -b 16 mono8.wav mono8.mp3            # MPEG-2.5 layer III, mono
twolame --quiet -b 192 stereo44.wav layer2.mp2         # MPEG-1 layer II
"$make_layer1" layer1.mp1 3                            # MPEG-1 layer I

for file in cbr128.mp3 vbr.mp3 mono22.mp3 mono8.mp3 layer2.mp2 layer1.mp1; do
  mpg123 -q -s --no-gapless --no-infoframe "$file" > "${file%.*}.raw"
done
rm -f ./*.wav
