#!/usr/bin/env bash
# The player's own CPU while playing, under Wine on an X display. Tumbor.exe
# plays a long 44.1 kHz 16-bit stereo WAV file (decoding it is a copy) into the
# captured sound device four times: without a visualization plug-in, with
# vis_null (asks for what the example plug-in asks for and draws nothing: the
# host's frames and spectra), with the example plug-in vis_scope.dll (the
# host and the plug-in's drawing) and minimised without a plug-in (the window
# not drawn). Then it sits stopped, for the window's idle cost, which is set
# against a bare window with the same 20 ms timer (timer_window.exe): under
# Wine the timer alone costs a share of a core that a Windows machine would
# not see. For each it prints the CPU time (user + sys) of the Wine process
# while the sound of the measured stretch went to the device, per minute of
# audio and as a share of one core over the wall time, split by thread (the
# window thread; Wine's audio threads; the rest: the output thread, the
# plug-in's thread, Wine's own), and what the X server and the wineserver
# spent meanwhile (other processes, but work the player caused).
# The captured device takes sound at about four times real time, so the
# engine does four minutes of audio's work per wall minute while the window
# timer and the plug-in run in wall time: the share of a core is an upper
# bound for playing in real time, the time per minute of audio a lower one.
#   usage: player_cpu.sh WINDOWS_BIN_DIR WORK_DIR [AUDIO_SECONDS]   (DISPLAY set, under scripts/with-wine.sh)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2 seconds=${3:-240}
source "$(dirname "$0")/../../tests/e2e/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd) && cd "$work"
install_player "$bin" app
cp "$bin/benchplugins/vis_null.dll" app/Plugins/
sox -n -r 44100 -c 2 -b 16 long.wav synth "$seconds" sine 220-880 pinknoise tremolo 2 40 vol 0.4
printf 'pcm.!default {\n  type file\n  slave.pcm { type null }\n  file "%s"\n  format "raw"\n}\n' \
  "$work/capture.raw" > asound.conf
export ALSA_CONFIG_PATH=$work/asound.conf
tick=$(getconf CLK_TCK)

win() { local path=$1; echo "Z:${path//\//\\}"; }
drive() { timeout "${DRIVE_TIMEOUT:-60}" wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# ticks PATH: user + system clock ticks of /proc/PATH (a process, or PID/task/TID).
ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
captured() { stat -c %s capture.raw 2>/dev/null || echo 0; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The X server of this display, and the wineserver of this prefix (its
# working folder is named after the prefix folder's device and inode).
xserver=$(pgrep -f "^Xvfb :${DISPLAY#:}( |$)" | head -1 || true)
read -r device inode <<< "$(stat -c '%d %i' "$WINEPREFIX")"
server_dir=server-$(printf '%x-%x' "$device" "$inode")
wineserver=
for pid in $(pgrep wineserver || true); do
  [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$server_dir" ] && wineserver=$pid
done
echo "(X server ${xserver:-not found}, wineserver ${wineserver:-not found})"

# thread_ticks PID: "TID NAME TICKS" for each of the process's threads.
thread_ticks() {
  local task
  for task in /proc/"$1"/task/*; do
    echo "${task##*/} $(tr ' ' _ < "$task/comm" 2>/dev/null || echo gone) $(ticks "$1/task/${task##*/}")"
  done
}

# report LABEL PID BEFORE AFTER WALL_MS AUDIO_BYTES X0 X1 S0 S1
report() {
  local label=$1 pid=$2 before=$3 after=$4 wall=$5 audio=$6
  awk -v label="$label" -v pid="$pid" -v tick="$tick" -v wall="$wall" -v audio="$audio" \
      -v x="$(( $8 - $7 ))" -v s="$(( ${10} - $9 ))" '
    FNR == NR { start[$1] = $3; next }
    {
      used = ($3 - start[$1]) * 1000 / tick
      if ($1 == pid) window += used
      else if ($2 ~ /^wine(alsa|_mmdevapi)/) audio_threads += used
      else rest += used
    }
    END {
      total = window + audio_threads + rest
      minutes = audio / 176400 / 60
      printf "%-30s %7.0f ms CPU over %6.1f s wall, %5.2f min of audio: %7.1f ms per audio minute, %6.3f %% of one core\n",
        label, total, wall / 1000, minutes, (minutes > 0 ? total / minutes : 0), total / wall * 100
      printf "%-30s   window thread %.0f ms, Wine audio threads %.0f ms, the rest %.0f ms; X server %.0f ms, wineserver %.0f ms\n",
        "", window, audio_threads, rest, x * 1000 / tick, s * 1000 / tick
      printf "%s\t%.0f\t%.0f\t%.0f\t%.0f\t%.3f\n", label, window, audio_threads, rest, wall, minutes >> "results.tsv"
    }' <(echo "$before") <(echo "$after")
}

# For playing in real time: what goes with the sound (the engine's and
# Wine's audio threads) per audio minute spread over a minute, plus what goes
# with the clock (the window thread, and the plug-in's thread: the rest beyond
# the run without a plug-in, per minute of audio) as a share of the wall time.
estimate() {
  awk -F'\t' '
    NR == 1 { base_rest = $4 / $6 }
    {
      clock = $2 + ($4 - base_rest * $6)
      sound = $3 + base_rest * $6
      printf "%-30s %6.3f %% of one core (with the sound %.3f %%, with the clock %.3f %%)\n",
        $1, sound / ($6 * 60000) * 100 + clock / $5 * 100, sound / ($6 * 60000) * 100, clock / $5 * 100
    }' results.tsv
}

# measure LABEL LIBRARY [KEY]: plays long.wav with the plug-in library (none
# if empty), KEY pressed once it plays.
measure() {
  local label=$1 library=$2 key=${3:-} pid before after t0 t1 a0 a1 x0 s0 wanted
  printf '[Playlist]\r\nRepeatX=0\r\n[Plugins]\r\nLibrary=%s\r\nModule=0\r\nAutoExecute=%d\r\n' \
    "$library" "$([ -n "$library" ] && echo 1 || echo 0)" > app/Tumbor.ini
  rm -f capture.raw
  wine app/Tumbor.exe "$(win "$work/long.wav")" > "$label.log" 2>&1 &
  pid=$!
  [ "$(drive wait-state 1)" = "state 1" ] || { echo "$label: the player did not play"; return 1; }
  [ -z "$key" ] || drive key "$key" >/dev/null
  sleep 1
  # The measured stretch: from here until all but the last 2 s of the sound
  # went to the device, watched from outside so the player is not disturbed.
  wanted=$(( (seconds - 2) * 176400 ))
  before=$(thread_ticks "$pid") t0=$(now_ms) a0=$(captured)
  x0=$(ticks "${xserver:-0}") s0=$(ticks "${wineserver:-0}")
  while [ "$(captured)" -lt "$wanted" ]; do
    kill -0 "$pid" 2>/dev/null || { echo "$label: the player ended early"; return 1; }
    sleep 0.2
  done
  after=$(thread_ticks "$pid") t1=$(now_ms) a1=$(captured)
  report "$label" "$pid" "$before" "$after" $((t1 - t0)) $((a1 - a0)) \
    "$x0" "$(ticks "${xserver:-0}")" "$s0" "$(ticks "${wineserver:-0}")"
  DRIVE_TIMEOUT=120 drive wait-state 0 >/dev/null || true
  drive close >/dev/null || true
  wait "$pid" || true
}

# idle_stretch LABEL PID SECONDS: what the process spends over the next SECONDS.
idle_stretch() {
  local before after t0 x0 s0
  before=$(thread_ticks "$2") t0=$(now_ms) x0=$(ticks "${xserver:-0}") s0=$(ticks "${wineserver:-0}")
  sleep "$3"
  after=$(thread_ticks "$2")
  report "$1" "$2" "$before" "$after" $(($(now_ms) - t0)) 0 \
    "$x0" "$(ticks "${xserver:-0}")" "$s0" "$(ticks "${wineserver:-0}")"
}

# idle SECONDS: the player started without a file, stopped; then the bare
# window with the same timer.
idle() {
  local pid
  printf '[Playlist]\r\nRepeatX=0\r\n' > app/Tumbor.ini
  rm -f app/Tumbor.pls
  wine app/Tumbor.exe > idle.log 2>&1 &
  pid=$!
  drive wait-caption Tumbor >/dev/null
  sleep 1
  idle_stretch "stopped (no sound)" "$pid" "$1"
  drive close >/dev/null || true
  wait "$pid" || true
  wine "$bin/benchplugins/timer_window.exe" $(($1 + 3)) > timer_window.log 2>&1 &
  pid=$!
  sleep 2
  idle_stretch "reference: a 20 ms timer window" "$pid" "$1"
  wait "$pid" || true
  awk -F'\t' '$1 == "stopped (no sound)" { player = $2 + $3 + $4 }
    $1 ~ /^reference/ { bare = $2 + $3 + $4 }
    END { printf "stopped player / bare timer window: %s\n", (bare > 0 ? sprintf("%.2f", player / bare) : "n/a") }' results.tsv
}

echo "the player's CPU under Wine: a ${seconds} s 44.1 kHz stereo WAV file, the device at ~4x real time"
: > results.tsv
measure "playing, no plug-in" ""
measure "playing, vis_null (no drawing)" vis_null.dll
measure "playing, vis_scope" vis_scope.dll
measure "playing, minimised (M)" "" M
echo "estimated for playing in real time (an upper bound: at ~4x the display also changes faster):"
estimate
idle 20
