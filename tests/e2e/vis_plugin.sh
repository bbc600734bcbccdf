#!/usr/bin/env bash
# Visualization plug-ins in Tumbor.exe under Wine on an X display. With the
# test plug-in chosen in Tumbor.ini and AutoExecute on: it starts when a
# 1000 Hz tone plays, receives non-zero waveform data and a spectrum peaking
# in the tone's bin, all-zero data while paused; "Toggleplugin" stops it
# within 300 ms, Ctrl+Shift+K starts it again, Alt+K configures it on the
# window's thread, and closing the player runs its quit. Then the example
# plug-in vis_scope.dll shows its window while the tone plays, and
# "Toggleplugin", Ctrl+Shift+K and closing the player hide and show it.
#   usage: vis_plugin.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# The player with the one stream library the tone needs, and both plug-ins.
mkdir -p app/Plugins
cp "$bin/Tumbor.exe" "$bin/Strm_PCM.DLL" "$bin/TumborR.design" "$bin/Tumbor.html" app/
cp -r "$bin/Designs" app/
cp "$bin/Plugins/vis_scope.dll" "$bin/visplugins/vis_test_plugin.dll" app/Plugins/
win() { winepath -w "$work/$1"; }
printf '[Plugins]\r\nPath=%s\\\r\nLibrary=vis_test_plugin.dll\r\nModule=0\r\nAutoExecute=1\r\n' \
  "$(win app/Plugins)" > app/Tumbor.ini
# 1000 Hz lies in the transform's sixth band (172.3 Hz each): entry 4 x 5. Quiet
# enough that no band's 8-bit value wraps.
sox -n -r 44100 -c 2 -b 16 tone.wav synth 60 sine 1000 vol 0.1
log=$work/vis.log
export TUMBOR_VIS_LOG=$(win vis.log)

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected \"$2\", got \"$3\""
}
start_player() {
  starts=$((starts + 1))
  timeout 120 wine app/Tumbor.exe "$@" > "tumbor$starts.log" 2>&1 &
  player=$!
}
starts=0
count() { grep -c "^$1" "$log" 2>/dev/null || true; }
wait_count() {  # wait_count PREFIX N: up to 20 s for N lines beginning with PREFIX
  for _ in $(seq 200); do [ "$(count "$1")" -ge "$2" ] && return 0; sleep 0.1; done
  fail "waited in vain for $2 lines \"$1\" in the plug-in's log"
  return 1
}
# One line per render from line FIRST on: "nonzero PEAK_ENTRY LEVEL" with
# nonzero 1 when any waveform or spectrum byte is not 0.
renders_from() {
  awk -v first="$1" '
    function byte(s, i) { return (index("0123456789abcdef", substr(s, i, 1)) - 1) * 16 + index("0123456789abcdef", substr(s, i + 1, 1)) - 1 }
    /^render/ && ++n >= first {
      nonzero = 0
      for (f = 3; f <= 6; f++) if ($f ~ /[1-9a-f]/) nonzero = 1
      peak = 0; level = -1
      for (k = 0; k < 128; k++) { v = byte($5, 8 * k + 1); if (v > level) { level = v; peak = 4 * k } }
      print nonzero, peak, level
    }' "$log"
}

start_player "$(win tone.wav)"
expect "playing" "state 1" "$(drive wait-caption "Tumbor - tone.wav" wait-state 1 | tail -1)"
wait_count "init 0 rate=44100 channels=2 parent=1 instance=1" 1
wait_count render 12
# The first render comes before any frame; frames from the fourth on show the tone.
bad=$(renders_from 4 | awk '$1 != 1 || $2 != 20 || $3 < 10' | head -3)
[ -z "$bad" ] || fail "playing: renders without sound or peaking elsewhere than entry 20: $bad"
echo "playing: $(renders_from 4 | sort | uniq -c | sort -rn | head -3 | tr '\n' ';')"

expect "paused" "state 3" "$(drive key C wait-state 3)"
paused_from=$(( $(count render) + 2 ))  # a frame may have been under way
wait_count render $((paused_from + 5))
bad=$(renders_from $paused_from | awk '$1 != 0' | head -3)
[ -z "$bad" ] || fail "paused: renders with data: $bad"
expect "resumed" "state 1" "$(drive key C wait-state 1)"
resumed_from=$(( $(count render) + 2 ))
wait_count render $((resumed_from + 3))
[ "$(renders_from $resumed_from | awk '$1 == 1 && $2 == 20' | wc -l)" -ge 3 ] || fail "resumed: no tone"

read -r _ took <<< "$(drive toggle-plugin)"
echo "stopping the test plug-in took $took ms"
[ "$took" -lt 300 ] || fail "stopping took $took ms"
expect "stopped: its quit ran" "quit 0" "$(tail -1 "$log")"
stopped_at=$(count render)
sleep 0.5
expect "stopped: no more renders" "$stopped_at" "$(count render)"

drive key ctrl+shift+K >/dev/null
wait_count "init 0" 2
drive key alt+K >/dev/null
wait_count "config 0" 1
expect "Alt+K configures on the window's thread" "config 0 init-thread=0" "$(grep '^config' "$log" | tail -1)"
wait_count render $((stopped_at + 3))

drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close"
expect "closing runs its quit" "quit 0" "$(tail -1 "$log")"
expect "each start has its quit" "2" "$(count quit)"
grep -q '^Library=vis_test_plugin.dll' app/Tumbor.ini || fail "Tumbor.ini lost the plug-in"

# The example plug-in: its window shows while the tone plays, and draws the
# right channel's trace in yellow over the left's (the same here). Without a window manager Wine waits 2 s for
# one whenever a window with a caption is hidden, so here the player's windows
# are left unmanaged, as they would be on a desktop whose manager answers at once.
reg_key='HKCU\Software\Wine\AppDefaults\Tumbor.exe'
wine reg add "$reg_key\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
trap 'wine reg delete "$reg_key" /f >/dev/null 2>&1' EXIT
sed -i 's/^Library=.*/Library=vis_scope.dll\r/' app/Tumbor.ini
start_player "$(win tone.wav)"
expect "playing again" "state 1" "$(drive wait-state 1)"
expect "the scope shows" "window Scope 1" "$(drive wait-window Scope 1)"
sleep 0.5
import -window root scope.png
trace=$(/usr/bin/convert scope.png -fill black +opaque 'rgb(255,224,64)' -fill white -opaque 'rgb(255,224,64)' \
        -format '%[fx:round(mean*w*h)]' info:)
echo "the scope drew $trace pixels of its trace"
[ "$trace" -gt 100 ] || fail "the scope shows no trace"
read -r _ took <<< "$(drive toggle-plugin)"
echo "stopping the scope took $took ms"
[ "$took" -lt 300 ] || fail "stopping the scope took $took ms"
expect "the scope is gone" "window Scope 0" "$(drive wait-window Scope 0)"
expect "Ctrl+Shift+K shows it again" "window Scope 1" "$(drive key ctrl+shift+K wait-window Scope 1 | tail -1)"
drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close with the scope running"

finish
