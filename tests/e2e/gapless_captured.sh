#!/usr/bin/env bash
# tumbor-play.exe under Wine with wave-out captured: a continuous sound cut
# into three files plays back through one device opening as the unbroken
# original (WAV and FLAC byte for byte; MP3s from lame sample for sample as
# mpg123's gapless decodes of each, one after another); and with ReplayGain on, a FLAC
# tagged -6.02 dB plays at half amplitude, within one step.
#   usage: gapless_captured.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR   (TUMBOR_CAPTURE_FILE set)
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"

play() {  # play NAME ARGS...: plays and keeps the captured bytes in NAME.captured
  local name=$1; shift
  rm -f "$capture"
  wine "$windows_bin/tumbor-play.exe" "$@" </dev/null > "$name.log" 2>&1 || fail "$name: tumbor-play failed"
  grep -q '^played' "$name.log" || fail "$name: $(cat "$name.log")"
  cp "$capture" "$name.captured" 2>/dev/null || : > "$name.captured"
}

# expect_unbroken NAME REFERENCE [TOLERANCE]: the capture holds the reference's
# samples, then at most silence the device adds after the end.
expect_unbroken() {
  local name=$1 reference=$2 tolerance=${3:-0}
  "$host_bin/pcm-compare" --tolerance "$tolerance" --silent-tail 100000 "$name.captured" "$reference" \
    >/dev/null || fail "$name: the captured sound is not the unbroken original"
}

# expect_switches NAME EXT: the engine showed each later part, at its start,
# once the device had reached its first sample, within one buffer (32768
# bytes, 1.9 tenths, at 44100 Hz 16-bit stereo): part 2 begins at byte 209380,
# part 3 at 453824. Its heard position is the part's sound played, in tenths
# (17640 bytes each) of the bytes the device was at, or one less: the position
# is read just before the device's byte.
expect_switches() {
  local name=$1 ext=$2 part title byte heard
  for part in "2 209380" "3 453824"; do
    read -r part byte <<< "$part"
    read -r title heard <<< "$(tr -d '\r' < "$name.log" |
      sed -n "s/^started \(part$part\.$ext\) at byte \([0-9]*\), \(-*[0-9]*\) tenths heard$/\1 \2 \3/p" | awk -v at="$byte" '{ played = int(($2 - at) / 17640); shown = $3
        if ($2 < at || $2 - at > 32768) shown = "far"
        else if ((shown == played || shown == played - 1) && shown >= 0) shown = "exact"
        print $1, shown }')"
    [ "$title" = "part$part.$ext" ] && [ "$heard" = exact ] ||
      fail "$name: part $part did not show at its start, within a buffer: $(grep "part$part" "$name.log")"
  done
}

# A sweep with noise: any gap, repeat or click at a cut shows. The cuts fall
# inside buffers, not on their edges.
sox -n -r 44100 -c 2 -b 16 whole.wav synth 4 sine 220-1760 pinknoise tremolo 3 50 vol 0.5
sox whole.wav part1.wav trim 0s 52345s
sox whole.wav part2.wav trim 52345s 61111s
sox whole.wav part3.wav trim 113456s
sox whole.wav -t raw whole.raw

play wav part1.wav --next part2.wav --next part3.wav
expect_unbroken wav whole.raw
expect_switches wav wav

for part in part1 part2 part3; do flac -s -f -o $part.flac $part.wav; done
play flac part1.flac --next part2.flac --next part3.flac
expect_unbroken flac whole.raw
expect_switches flac flac

# libmpg123 picks its synthesis core by what the processor offers, and the
# cores round the last bit apart: the player's copy, under Wine, may see other
# features than mpg123 does natively. So the capture must equal mpg123's decode
# by one of its cores exactly, its own choice tried first.
for part in part1 part2 part3; do lame --quiet -b 192 $part.wav $part.mp3; done
play mp3 part1.mp3 --next part2.mp3 --next part3.mp3
expect_switches mp3 mp3
core_matched=
for core in default $(mpg123 --list-cpu 2>&1 | sed -n 's/^Builtin decoders: //p'); do
  cpu=(); [ "$core" = default ] || cpu=(--cpu "$core")
  for part in part1 part2 part3; do mpg123 "${cpu[@]}" -q -s $part.mp3 > $part-$core.raw; done
  cat part1-$core.raw part2-$core.raw part3-$core.raw > mp3-$core.raw
  if "$host_bin/pcm-compare" --silent-tail 100000 mp3.captured mp3-$core.raw >/dev/null; then
    core_matched=$core
    break
  fi
done
if [ -n "$core_matched" ]; then echo "mp3: the capture is mpg123's gapless decode by its $core_matched core"
else fail "mp3: the captured sound is not mpg123's gapless decode by any of its cores"; fi

# -6.02 dB is half the amplitude; the reference is sox's halving of the same sound.
flac -s -f -T "REPLAYGAIN_TRACK_GAIN=-6.02 dB" -o quiet.flac part1.wav
sox part1.wav -t raw half.raw vol 0.5
play gain quiet.flac --replaygain 1
expect_unbroken gain half.raw 1
play nogain quiet.flac
sox part1.wav -t raw part1.raw
"$host_bin/pcm-compare" --silent-tail 20000 nogain.captured part1.raw >/dev/null ||
  fail "nogain: with ReplayGain off the sound changed"

finish
