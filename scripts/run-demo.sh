#!/usr/bin/env bash
# Plays the bundled demo song through the stream libraries and writes what
# the sound device would receive to a WAV file.
#   usage: scripts/run-demo.sh HOST_BUILD_DIR
set -euo pipefail
build=$1
out="$build/demo/Tumbor demo (rendered).wav"
mkdir -p "$build/demo"
"$build/bin/tumbor-render" --info "resources/demo/Tumbor demo.wav"
"$build/bin/tumbor-render" "resources/demo/Tumbor demo.wav" "$out"
echo "The demo song was rendered to: $out"
