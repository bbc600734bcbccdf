#!/usr/bin/env bash
# Starts Tumbor.exe under Wine with the bundled demo playlist. With a display
# the player opens in a real window and runs until it is closed; without one
# it runs on a virtual display, plays the demo to its end, and leaves a
# screenshot of its window and the sound it sent to wave-out in the build tree.
#   usage: scripts/run-demo.sh WINDOWS_BUILD_DIR
set -euo pipefail

scripts=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
demo=$build/demo

if [ "${2:-}" != "--inside" ]; then
  source "$scripts/../tests/e2e/sound_checks.sh"
  rm -rf "$demo" && mkdir -p "$demo"
  install_player "$build/bin" "$demo/player"
  cp "$scripts/../resources/demo/Tumbor demo.wav" "$scripts/../resources/demo/Tumbor demo.m3u" "$demo/"
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$scripts/with-wine.sh" "$build" "$0" "$build" --inside show
  fi
  echo "No display: playing the demo on a virtual display"
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$scripts/with-wine.sh" "$build" "$0" "$build" --inside record
fi

playlist=$(winepath -w "$demo/Tumbor demo.m3u")
if [ "$3" = "show" ]; then
  exec wine "$demo/player/Tumbor.exe" "$playlist"
fi

# Recording: the demo plays once (no repeat) into a capture file.
printf '[Playlist]\r\nRepeatX=0\r\n' > "$demo/player/Tumbor.ini"
cat > "$demo/alsa.conf" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$demo/played.raw"
  format "raw"
}
CONF
drive() { wine "$build/bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
ALSA_CONFIG_PATH=$demo/alsa.conf wine "$demo/player/Tumbor.exe" "$playlist" > "$demo/player.log" 2>&1 &
player=$!
drive wait-caption "Tumbor - Tumbor demo.wav" wait-state 1 >/dev/null
window=$(xdotool search --name '^Tumbor - ' | head -1)
import -window "$window" "$demo/Tumbor demo (window).png"
drive wait-state 0 close >/dev/null
wait $player
sox -t raw -r 22050 -c 1 -b 8 -e unsigned-integer "$demo/played.raw" "$demo/Tumbor demo (played).wav"
echo "The demo was played to its end."
echo "Screenshot of the window: $demo/Tumbor demo (window).png"
echo "Sound sent to wave-out:   $demo/Tumbor demo (played).wav"
