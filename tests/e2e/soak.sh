#!/usr/bin/env bash
# The soak test. Tumbor.exe under Wine plays a playlist of ENTRIES short
# entries of every format it reads (WAV 8/16-bit mono/stereo at several rates,
# VOC, MPEG layers I-III, FLAC, Ogg Vorbis, Opus, MOD, S3M, XM, IT, tone
# locations) with wave-out captured into one file per opening of the device,
# and then:
#   - every buffer arrived once and in order, with gapless playback on: the
#     captures equal the entries' gapless renders by tumbor-render
#     (tumbor-soak-check), where each run of entries of one format shares one
#     opening, each song handed over to the next without padding, and the
#     device may add silence between buffers; the playlist puts songs of one
#     format side by side often, and tones, which never end, are skipped by B
#     after a moment;
#   - memory does not grow: the Wine process's resident and anonymous bytes,
#     sampled as it plays, are no higher over the last tenth of the entries
#     than over the second tenth (entries 101-200 of 1,000) plus a margin;
#   - stopping, pausing, stepping, seeking, hand-overs and closing at ACTIONS
#     random moments (the seed is printed), with gapless playback handing
#     songs of one format over to each other, never hang or crash the player;
#   - and at ACTIONS more, over WAV files whose frames count themselves, of
#     several rates, lose, repeat or reorder no frame: the capture runs on
#     frame by frame or hands over from a file's end to the next's start,
#     with no more jumps than actions that move the sound.
#   usage: soak.sh WINDOWS_BIN_DIR WORK_DIR HOST_BIN_DIR ENTRIES ACTIONS [SEED]
#   (DISPLAY set, under scripts/with-wine.sh; SOAK_SEED also sets the seed)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2 host_bin=$(cd "$3" && pwd) entries=$4 actions=$5
[ "$entries" -ge 10 ] || { echo "soak: at least 10 entries"; exit 2; }
seed=${6:-${SOAK_SEED:-$(( $(date +%s) % 32768 ))}}
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd) && cd "$work"
echo "soak: $entries entries, $actions random actions, seed $seed (SOAK_SEED=$seed repeats the choices)"
RANDOM=$seed
started=$SECONDS
# Memory may grow by this much from the second tenth of the entries to the last.
margin_kb=${SOAK_MEMORY_MARGIN_KB:-3072}

# Wine's drive Z: is the root folder (winepath would start a Wine process per name).
win() { local path=$1; echo "Z:${path//\//\\}"; }
# Every wait has a bound: a driver step that does not come back is a hang.
drive() { timeout "${DRIVE_TIMEOUT:-60}" wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# capture_config FILE CAPTURE [truncate]: wave-out written to CAPTURE; without
# truncation each opening of the device gets a file of its own (CAPTURE,
# CAPTURE.0001, ...).
capture_config() {
  {
    printf 'pcm.!default {\n  type file\n  slave.pcm { type null }\n  file "%s"\n  format "raw"\n' "$2"
    [ "${3:-}" = truncate ] || printf '  truncate false\n'
    printf '}\n'
  } > "$1"
}

# ---- the material: every format, several variants of each (more for longer
# runs). A new format: make its files here and add their names to material.
variants=$(( entries >= 300 ? 3 : 1 ))
mkdir -p material && cd material
material=()  # locations, relative to material/ unless tone://
i=0
for format in "8000 1 8" "11025 1 8" "11025 2 8" "22050 1 16" "22050 2 8" "32000 2 16" "44100 1 16" \
              "44100 2 16" "48000 2 16" "44100 2 8"; do
  read -r rate channels bits <<< "$format"
  for v in $(seq "$variants"); do
    name=wav-$rate-$channels-$bits-$v.wav length=0.$(( 2 + (i * 3 + v) % 8 ))
    case $(( (i + v) % 3 )) in
      0) sox -n -r "$rate" -c "$channels" -b "$bits" "$name" synth "$length" pluck $(( 220 + 40 * i )) vol 0.6 ;;
      1) sox -n -r "$rate" -c "$channels" -b "$bits" "$name" synth "$length" square $(( 300 + 30 * v )) \
           sine 500 tremolo 6 40 vol 0.4 ;;
      *) sox -n -r "$rate" -c "$channels" -b "$bits" "$name" synth "$length" sine 200-900 pinknoise vol 0.3 ;;
    esac
    material+=("$name")
    i=$((i + 1))
  done
done
for v in $(seq "$variants"); do
  sox -n -r 8000 -c 1 -b 8 -e unsigned "voc-8000-$v.voc" synth 0.$((3 + v)) sine $((400 + 50 * v)) vol 0.5
  sox -n -r 11025 -c 1 -b 8 -e unsigned "voc-11025-$v.voc" synth 0.$((5 + v)) square $((250 + 20 * v)) vol 0.3
  sox -n -r 44100 -c 2 -b 16 "s44-$v.wav" synth 0.$((6 + v)) pluck $((330 + 10 * v)) pinknoise vol 0.5
  sox -n -r 22050 -c 1 -b 16 "m22-$v.wav" synth 1.$v sine $((300 + 20 * v)) vol 0.5
  sox -n -r 11025 -c 2 -b 16 "s11-$v.wav" synth 1.$v sine 250 sine 375
  lame --quiet -b 128 "s44-$v.wav" "mp3-cbr-$v.mp3"
  lame --quiet -V 5 "s44-$v.wav" "mp3-vbr-$v.mp3"
  lame --quiet -m m -b 64 "m22-$v.wav" "mp3-mono22-$v.mp3"
  lame --quiet -b 32 "s11-$v.wav" "mp3-mpeg25-$v.mp3"
  twolame --quiet -b 192 "s44-$v.wav" "mp2-$v.mp2"
  twolame --quiet -b 96 "m22-$v.wav" "mp2-lsf-$v.mp2"
  "$host_bin/make-layer1" "mp1-$v.mp1" 1
  flac --silent -o "flac-s44-$v.flac" "s44-$v.wav"
  flac --silent -o "flac-m22-$v.flac" "m22-$v.wav"
  oggenc --quiet -q 3 -o "vorbis-$v.ogg" "s44-$v.wav"
  opusenc --quiet --bitrate 64 "m22-$v.wav" "opus-$v.opus"
  rm -f "s44-$v.wav" "m22-$v.wav" "s11-$v.wav"
  material+=("voc-8000-$v.voc" "voc-11025-$v.voc" "mp3-cbr-$v.mp3" "mp3-vbr-$v.mp3" "mp3-mono22-$v.mp3"
             "mp3-mpeg25-$v.mp3" "mp2-$v.mp2" "mp2-lsf-$v.mp2" "mp1-$v.mp1"
             "flac-s44-$v.flac" "flac-m22-$v.flac" "vorbis-$v.ogg" "opus-$v.opus")
done
"$host_bin/make-test-modules" --short $((2 * variants - 1)) .
for module in short-*; do material+=("$module"); done
# One generator plays every tone, its phase running on from one to the next.
tones=(tone://443 tone://557p)
cd "$work"

# ---- the expected sound of each item: its gapless render in the player's
# buffer size (encoder delay and padding cut, the last buffer only sound).
# The MPEG, Vorbis and Opus streams and the tones come from the Windows build's
# tumbor-render.exe and so from the player's own libraries: the native builds of
# libmpg123, libvorbis and libopus pick other decoder cores and differ by a
# step, and minutes of tone are safest made by the sine the player uses.
mkdir -p expected
declare -A format_of raw_of
buffer_size() { echo $(( $1 * $2 * $3 / 8 * 8192 / 44100 <= 6144 ? 4096 : $1 * $2 * $3 / 8 * 8192 / 44100 <= 12288 ? 8192 : $1 * $2 * $3 / 8 * 8192 / 44100 <= 24576 ? 16384 : 32768 )); }
render_item() {  # render_item LOCATION RAW [SECONDS]
  local location=$1 raw=$2 info rate channels bits buffer limit=()
  info=$("$host_bin/tumbor-render" --info "$location")
  rate=$(sed -n 's/^sample rate: //p' <<< "$info")
  channels=$(sed -n 's/^channels: //p' <<< "$info")
  bits=$(sed -n 's/^bits: //p' <<< "$info")
  buffer=$(buffer_size "$rate" "$channels" "$bits")
  [ -z "${3:-}" ] || limit=(--seconds "$3")
  case $location in
    tone://*) wine "$bin/tumbor-render.exe" "${limit[@]}" "$location" - </dev/null 2>/dev/null > "$raw" ;;
    *.mp[123]|*.ogg|*.opus)
      wine "$bin/tumbor-render.exe" --gapless --buffer "$buffer" "$(win "$location")" - </dev/null 2>/dev/null \
        > "$raw" ;;
    *) "$host_bin/tumbor-render" --gapless --buffer "$buffer" "$location" - > "$raw" ;;
  esac
  [ -s "$raw" ] || fail "no render of $location"
  format_of[$location]="$rate	$channels	$bits"
  raw_of[$location]=$raw
}
n=0
for item in "${material[@]}"; do render_item "$work/material/$item" "expected/$((++n)).raw"; done

# ---- the playlist: every item once in a random order, then random items;
# a tone in every 50 entries, never two in a row, never last. Every fourth
# item is followed by one of its format where the round has one left, so
# gapless hand-overs and format changes both come often.
tone_count=$(( (entries + 49) / 50 ))
declare -A tone_at
for ((t = 0; t < tone_count; t++)); do
  slot=$(( t * 50 + 1 + RANDOM % 45 ))
  [ "$slot" -lt $((entries - 1)) ] || slot=$((entries - 2))
  tone_at[$slot]=${tones[$((t % ${#tones[@]}))]}
done
items=()
pool=("${material[@]}")
while [ ${#items[@]} -lt "$entries" ]; do
  for ((k = ${#pool[@]} - 1; k > 0; k--)); do
    j=$((RANDOM % (k + 1))); t=${pool[$k]}; pool[$k]=${pool[$j]}; pool[$j]=$t
  done
  for ((k = 1; k < ${#pool[@]}; k += 4)); do
    for ((j = k; j < ${#pool[@]}; j++)); do
      [ "${format_of[$work/material/${pool[$j]}]}" = "${format_of[$work/material/${pool[$((k - 1))]}]}" ] || continue
      t=${pool[$k]}; pool[$k]=${pool[$j]}; pool[$j]=$t
      break
    done
  done
  items+=("${pool[@]}")
done
order=()
for ((slot = 0, k = 0; slot < entries; slot++)); do
  if [ -n "${tone_at[$slot]:-}" ]; then order+=("${tone_at[$slot]}"); else order+=("${items[$((k++))]}"); fi
done
# The tones' expected sound: the generator's, long enough for every tone
# entry with the buffers thrown away at each skip (a tone plays about 5 s).
tone_seconds=$(( tone_count * 12 + 10 ))
for tone in "${tones[@]}"; do render_item "$tone" "expected/${tone#tone://}.raw" "$tone_seconds"; done
: > soak.m3u
: > manifest.tsv
for item in "${order[@]}"; do
  case $item in
    tone://*) printf '%s\r\n' "$item" >> soak.m3u; location=$item kind=endless ;;
    *) printf '%s\r\n' "$(win "$work/material/$item")" >> soak.m3u; location=$work/material/$item kind=song ;;
  esac
  printf '%s\t%s\t%s\t%s\n' "$kind" "${format_of[$location]}" "${raw_of[$location]}" "$item" >> manifest.tsv
done
echo "soak: ${#material[@]} files and ${#tones[@]} tones, $tone_count tone entries; ready after $((SECONDS - started)) s"

# ---- playing the list through
install_player "$bin" app
printf '[Playlist]\r\nRepeat=0\r\nRepeatX=0\r\nShuffle=0\r\n[Sound]\r\nGapless=1\r\n' > app/Tumbor.ini
mkdir -p capture
capture_config asound-soak.conf "$work/capture/c.raw"
export ALSA_CONFIG_PATH=$work/asound-soak.conf
play_started=$SECONDS
wine app/Tumbor.exe "$(win "$work/soak.m3u")" > tumbor-soak.log 2>&1 &
player=$!

# Memory samples: seconds, resident and anonymous kB, bytes captured so far.
sample_memory() {
  local status rss anon
  while status=$(cat "/proc/$player/status" 2>/dev/null); do
    rss=$(awk '/^VmRSS:/ { print $2 }' <<< "$status")
    anon=$(awk '/^RssAnon:/ { print $2 }' <<< "$status")
    [ -z "$rss" ] || echo "$((SECONDS - play_started)) $rss $anon $(find capture -name 'c.raw*' -printf '%s\n' |
                                                                        awk '{ sum += $1 } END { print sum + 0 }')"
    sleep 0.2
  done > memory.tsv
}
sample_memory &
sampler=$!

# Bounds for the whole list: a second an entry is many times what it takes.
export DRIVE_TIMEOUT=$((entries * 4 + 120))
skipped=$(drive skip-endless "Tumbor - Frequency " 300 "$tone_count") || fail "the tones were not skipped in time"
[ "$skipped" = "skipped $tone_count" ] || fail "of $tone_count tones: ${skipped:-none} skipped"
stopped=$(drive wait-stopped 5000) || true
[ "$stopped" = "stopped 1" ] || fail "the playlist did not play to its end: ${stopped:-no answer}"
unset DRIVE_TIMEOUT
play_seconds=$((SECONDS - play_started))
drive close >/dev/null || true
if ! timeout 60 tail --pid=$player -f /dev/null; then
  fail "Tumbor.exe did not end after close"
  kill "$player" 2>/dev/null || true
fi
wait $player || fail "Tumbor.exe ended with $? after playing the list"
kill $sampler 2>/dev/null || true
wait $sampler 2>/dev/null || true
echo "soak: played $entries entries in $play_seconds s"

# ---- every buffer once and in order
mapfile -t captures < <(ls capture/c.raw* 2>/dev/null | sort)
"$host_bin/tumbor-soak-check" --offsets offsets.tsv manifest.tsv "${captures[@]}" > check.log || true
cat check.log
grep -q "^$entries entries .*: $entries matched;" check.log || fail "the captured sound is not the entries' sound"
read -r handovers silent_handovers < <(sed -n 's/^\([0-9]*\) gapless hand-overs, device silence before \([0-9]*\) .*/\1 \2/p' check.log)
[ "${handovers:-0}" -gt 0 ] || fail "no two songs of one format followed each other"
[ $((2 * ${silent_handovers:-0})) -le "${handovers:-0}" ] || fail "songs of one format were not handed over without a gap"

# ---- flat memory: the highest sample while the second tenth of the entries
# played against the highest while the last tenth did (tenths of at least 10
# entries, so that short lists compare more than a moment).
awk -v entries="$entries" -v margin="$margin_kb" '
  FNR == NR { end[++count] = $2; next }
  FNR == 1 { width = int(entries / 10) < 10 ? 10 : int(entries / 10); from = int(entries / 10) }
  {
    while (entry < count && end[entry + 1] <= $4) entry++
    if (entry >= from && entry < from + width) { if ($2 > rss1) rss1 = $2; if ($3 > anon1) anon1 = $3 }
    if (entry >= entries - width && entry < entries) { if ($2 > rss2) rss2 = $2; if ($3 > anon2) anon2 = $3 }
  }
  END {
    printf "memory: resident %d kB -> %d kB, anonymous %d kB -> %d kB (entries %d-%d against %d-%d)\n",
      rss1, rss2, anon1, anon2, from + 1, from + width, entries - width + 1, entries
    if (!rss1 || !rss2) { print "memory: too few samples"; exit 1 }
    exit (rss2 > rss1 + margin || anon2 > anon1 + margin) ? 1 : 0
  }' offsets.tsv memory.tsv || fail "memory grew by more than $margin_kb kB"

# ---- random moments: stop, play, pause, step, seek, hand over, close
random_phase() {
  local folder=$work/random long
  mkdir -p "$folder"
  sox -n -r 44100 -c 2 -b 16 "$folder/long.wav" synth 20 sine 300-600 vol 0.5
  sox -n -r 22050 -c 1 -b 8 "$folder/mono.wav" synth 12 square 200 vol 0.3
  sox -n -r 44100 -c 2 -b 16 "$folder/tmp.wav" synth 15 pluck 440 pinknoise vol 0.5
  lame --quiet -b 160 "$folder/tmp.wav" "$folder/song.mp3" && rm "$folder/tmp.wav"
  "$host_bin/make-test-modules" "$folder"
  local list=("$folder/long.wav" "$folder/mono.wav" "$folder/song.mp3" "$folder/four.mod" "$folder/six.mod"
              "$work/material/short-0.xm" "$work/material/short-0.it" "$work/material/voc-8000-1.voc")
  { for file in "${list[@]}"; do win "$file"; done; echo tone://440; } | sed 's/$/\r/' > "$folder/random.m3u"
  # Gapless on: hand-overs between songs of one format and reopenings between
  # formats meet the random actions.
  printf '[Playlist]\r\nRepeat=1\r\nRepeatX=1\r\nShuffle=0\r\n[Sound]\r\nBuffer=5\r\nGapless=1\r\n' > app/Tumbor.ini
  capture_config asound-random.conf "$work/capture-random.raw" truncate
  export ALSA_CONFIG_PATH=$work/asound-random.conf
  local starts=0 action answer state
  start() {
    starts=$((starts + 1))
    wine app/Tumbor.exe "$(win "$folder/random.m3u")" > "random-$starts.log" 2>&1 &
    player=$!
    answer=$(drive wait-state 1) || true
    [ "$answer" = "state 1" ] || fail "start $starts: the player did not play: $answer"
  }
  close_player() {
    drive close >/dev/null || fail "close: no answer"
    if ! timeout 30 tail --pid=$player -f /dev/null; then
      fail "close: Tumbor.exe hung on closing"
      kill "$player" 2>/dev/null || true
    fi
    wait $player || fail "close: Tumbor.exe ended with $?"
  }
  start
  for ((a = 1; a <= actions; a++)); do
    local pause_ms=$((RANDOM % 1200)) x=$((RANDOM % 300)) pick=$((RANDOM % 11)) file=${list[$((RANDOM % ${#list[@]}))]}
    action=(sleep "$pause_ms")
    case $pick in
      0) action+=(key V wait-state 0) ;;
      1) action+=(key X wait-state 1) ;;
      2) action+=(key C state) ;;
      3) action+=(key B state) ;;
      4) action+=(key Z state) ;;
      5) action+=(key Right state) ;;
      6) action+=(key Left state) ;;
      7) action+=(click $((10 + x)) 71 state) ;;
      8) action+=(state) ;;
    esac
    echo "action $a: ${action[*]}$([ $pick -eq 9 ] && echo " hand-over $(basename "$file")")$([ $pick -eq 10 ] && echo " close")" >> random.log
    answer=$(drive "${action[@]}") || fail "action $a (${action[*]}): no answer in time"
    echo "  $(tr '\n' ' ' <<< "$answer")" >> random.log
    state=$(sed -n 's/^state //p' <<< "$answer" | tail -1)
    case $pick in
      0) [ "$state" = 0 ] || fail "action $a: V did not stop: $answer" ;;
      1) [ "$state" = 1 ] || fail "action $a: X did not play: $answer" ;;
      9) timeout 30 wine app/Tumbor.exe "$(win "$file")" >> "random-$starts.log" 2>&1 ||
           fail "action $a: the second start did not hand over and end" ;;
      10) close_player; start ;;
    esac
    [ -z "$state" ] || [[ $state =~ ^[013]$ ]] || fail "action $a: state answer $state"
    kill -0 $player 2>/dev/null || fail "action $a: Tumbor.exe is gone"
  done
  close_player
  echo "random: $actions actions and $starts starts in $((SECONDS - random_started)) s (log in $work/random.log)"
}
random_started=$SECONDS
[ "$actions" -eq 0 ] || random_phase

# ---- stops, skips, seeks and pauses over gapless hand-overs and format
# changes, every frame checked: the files' frames count themselves, so the
# captured sound must run on frame by frame, or from one file's last frame
# into the next file's first, except where an action moved it.
counting_phase() {
  local folder=$work/counting frames=() allowed=1 seeks=0 rate seconds n=0 answer
  mkdir -p "$folder" capture-counting
  : > "$folder/counting.m3u"
  for file in "44100 6.5" "44100 1.1" "22050 1.2" "48000 0.8" "48000 5.5"; do
    read -r rate seconds <<< "$file"
    frames+=("$("$host_bin/tumbor-count-check" make "$folder/count-$n.wav" "$rate" "$n" "$seconds")")
    printf '%s\r\n' "$(win "$folder/count-$n.wav")" >> "$folder/counting.m3u"
    n=$((n + 1))
  done
  printf '[Playlist]\r\nRepeat=1\r\nRepeatX=1\r\nShuffle=0\r\n[Sound]\r\nGapless=1\r\n' > app/Tumbor.ini
  capture_config asound-counting.conf "$work/capture-counting/c.raw"
  export ALSA_CONFIG_PATH=$work/asound-counting.conf
  wine app/Tumbor.exe "$(win "$folder/counting.m3u")" > counting.log 2>&1 &
  player=$!
  answer=$(drive wait-state 1) || true
  [ "$answer" = "state 1" ] || fail "counting: the player did not play: $answer"
  for ((a = 1; a <= actions; a++)); do
    local action=(sleep $((RANDOM % 1500))) pick=$((RANDOM % 7))
    case $pick in
      0) action+=(key V wait-state 0 key X wait-state 1) ;;
      1) action+=(key B state) ;;
      2) action+=(key Z state) ;;
      3) action+=(key Right state) ;;
      4) action+=(key Left state) ;;
      5) action+=(click $((10 + RANDOM % 300)) 71 state) ;;
      6) action+=(key C sleep 300 key C wait-state 1) ;;
    esac
    # A pause and its resumption lose nothing; every other action may move the
    # sound once, and only a seek elsewhere than a file's start.
    [ $pick -eq 6 ] || allowed=$((allowed + 1))
    [ $pick -lt 3 ] || [ $pick -gt 5 ] || seeks=$((seeks + 1))
    echo "counting action $a: ${action[*]}" >> random.log
    answer=$(drive "${action[@]}") || fail "counting action $a (${action[*]}): no answer in time"
    echo "  $(tr '\n' ' ' <<< "$answer")" >> random.log
  done
  drive sleep 1000 close >/dev/null || fail "counting: close: no answer"
  timeout 30 tail --pid=$player -f /dev/null || fail "counting: Tumbor.exe hung on closing"
  wait $player || fail "counting: Tumbor.exe ended with $?"
  local captures
  mapfile -t captures < <(ls capture-counting/c.raw* 2>/dev/null | sort)
  local checked=0
  "$host_bin/tumbor-count-check" check "$allowed" "$seeks" "$(IFS=,; echo "${frames[*]}")" "${captures[@]}" \
    > counting-check.log && checked=1
  sed 's/^/counting: /' counting-check.log
  [ $checked -eq 1 ] || fail "counting: the captured frames did not all run on in order"
}
[ "$actions" -eq 0 ] || counting_phase

echo "soak: seed $seed, $((SECONDS - started)) s in all"
finish
