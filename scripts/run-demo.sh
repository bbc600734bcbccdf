#!/usr/bin/env bash
# Starts the player with the bundled demo song: Tumbor.exe under Wine when
# there is a display to show it on; on a machine without one, the demo is
# played through the stream libraries into a WAV file instead.
#   usage: scripts/run-demo.sh BUILD_DIR
set -euo pipefail
build=$1
demo="resources/demo/Tumbor demo.wav"
if [ -n "${DISPLAY:-}" ] && [ -x "$build/win32/bin/Tumbor.exe" ]; then
  echo "Starting Tumbor with the demo song (close its window to end)."
  exec scripts/with-wine.sh "$build/win32" wine "$build/win32/bin/Tumbor.exe" "$(realpath "$demo")"
fi
out="$build/host/demo/Tumbor demo (rendered).wav"
mkdir -p "$build/host/demo"
"$build/host/bin/tumbor-render" --info "$demo"
"$build/host/bin/tumbor-render" "$demo" "$out"
echo "No display to show the player on: the demo song was rendered to $out"
