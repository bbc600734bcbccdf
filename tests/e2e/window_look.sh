#!/usr/bin/env bash
# The main window under Wine on an X display (Xvfb): for the default design and
# for a generated classic skin folder, look_probe.exe shows the window; a
# screenshot of it must equal the back buffer inside the window's outline
# (except where the system draws text) and the screen behind it outside. The
# same skin zipped as a .wsz archive must look pixel for pixel like the
# folder, and a damaged archive must leave the design loaded before it. The
# equalizer window, in the default design and from the skin folder's
# eqmain.bmp, must show docked under the main window, its back buffer on the
# screen. The screenshots are kept as WORK_DIR/design.png, skin.png,
# skin-wsz.png, design-equalizer.png and skin-equalizer.png (both windows).
#   usage: window_look.sh WINDOWS_BIN_DIR WORK_DIR   (DISPLAY set, Wine prefix ready)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && work=$(cd "$work" && pwd)
magick() { /usr/bin/convert "$@"; }
shot() { import -window root "png:$1"; }

# show NAME LOOK KIND PATH [KIND PATH]: shows the window with the looks
# (--design FILE, --skin FOLDER or ARCHIVE) loaded in turn, checks that LOOK
# is the kind it ends with, and the screen against what it dumped. With
# EQUALIZER=1 the equalizer window shows too (see check_equalizer).
show() {
  local name=$1 look=$2
  shift 2
  local dump="$work/$name" options=()
  [ -n "${EQUALIZER:-}" ] && options+=(--equalizer)
  while [ $# -ge 2 ]; do options+=("$1" "$(winepath -w "$2")"); shift 2; done
  mkdir -p "$dump"
  shot "$work/$name-before.png"
  : > "$dump/probe.log"
  wine "$bin/look_probe.exe" "${options[@]}" --at 60 50 --seconds 4 \
    --dump "$(winepath -w "$dump")" > "$dump/probe.log" 2>&1 &
  local probe=$!
  for _ in $(seq 150); do grep -q '^READY' "$dump/probe.log" && break; sleep 0.1; done
  if ! grep -q '^READY' "$dump/probe.log"; then
    fail "$name: the window did not appear: $(cat "$dump/probe.log")"; wait $probe || true; return
  fi
  sleep 0.5
  shot "$work/$name-after.png"
  wait $probe || fail "$name: look_probe failed"
  grep -q "^LOOK $look" "$dump/probe.log" || fail "$name: the $look is not shown: $(cat "$dump/probe.log")"
  read -r _ x y width height < <(grep '^READY' "$dump/probe.log" | tr -d '\r')
  echo "$name: window at $x,$y, $width x $height"
  [ "$width" -eq "$(identify -format %w "$dump/backbuffer.bmp")" ] || fail "$name: width differs from the design"
  [ "$height" -eq "$(identify -format %h "$dump/backbuffer.bmp")" ] || fail "$name: height differs from the design"

  local crop="${width}x${height}+${x}+${y}" hide=()
  while read -r l t r b; do hide+=(-draw "rectangle $l,$t $((r - 1)),$((b - 1))"); done < <(tr -d '\r' < "$dump/text_areas.txt")
  magick "$work/$name-after.png" -crop "$crop" +repage "$work/$name.png"
  magick "$work/$name-before.png" -crop "$crop" +repage "$dump/behind.png"
  magick "$dump/behind.png" "$dump/backbuffer.bmp" "$dump/region.bmp" -composite \
    -fill black "${hide[@]}" "$dump/expected.png"
  magick "$work/$name.png" -fill black "${hide[@]}" "$dump/seen.png"
  local differing
  differing=$(compare -metric AE "$dump/expected.png" "$dump/seen.png" null: 2>&1 || true)
  [ "$differing" = "0" ] || fail "$name: $differing pixels differ from the back buffer ($dump)"
  if [ -n "${EQUALIZER:-}" ]; then check_equalizer "$name" "$x" "$y" "$width" "$height"; fi
}

# check_equalizer NAME X Y WIDTH HEIGHT: the equalizer window lies just under
# the main window at X Y (WIDTH x HEIGHT) and shows its back buffer; the
# screenshot of both windows is kept as NAME.png.
check_equalizer() {
  local name=$1 x=$2 y=$3 width=$4 height=$5 dump="$work/$1"
  local ex ey ew eh
  read -r _ ex ey ew eh < <(grep '^EQUALIZER' "$dump/probe.log" | tr -d '\r')
  echo "$name: equalizer at $ex,$ey, $ew x $eh"
  [ "$ex" -eq "$x" ] && [ "$ey" -eq $((y + height)) ] || fail "$name: the equalizer is not docked under the window"
  magick "$work/$name-after.png" -crop "${ew}x${eh}+${ex}+${ey}" +repage "$dump/equalizer-seen.png"
  local differing
  differing=$(compare -metric AE "$dump/equalizer.bmp" "$dump/equalizer-seen.png" null: 2>&1 || true)
  [ "$differing" = "0" ] || fail "$name: $differing equalizer pixels differ from its back buffer ($dump)"
  magick "$work/$name-after.png" -crop "$((ew > width ? ew : width))x$((height + eh))+${x}+${y}" +repage \
    "$work/$name.png"
}

show design design --design "$bin/TumborR.design"
# The default design's outline has rounded corners: the corner pixel is outside.
[ "$(magick "$work/design/region.bmp" -format '%[pixel:p{0,0}]' info:)" != "srgb(255,255,255)" ] ||
  fail "design: the outline is a plain rectangle"
[ "$(magick "$work/design/region.bmp" -format '%[pixel:p{160,56}]' info:)" = "srgb(255,255,255)" ] ||
  fail "design: the middle of the window is outside its outline"

wine "$bin/tumbor-design-gen.exe" testskin "$(winepath -w "$work/skin-folder")" > /dev/null 2>&1 ||
  fail "the test skin could not be written"
show skin skin --skin "$work/skin-folder"

# The same pictures zipped as a classic skin archive: in a sub-folder, their
# names in another case. On the screen it is the folder, pixel for pixel.
wine "$bin/tumbor-design-gen.exe" testwsz "$(winepath -w "$work/Test Skin.wsz")" > /dev/null 2>&1 ||
  fail "the test skin archive could not be written"
show skin-wsz skin --skin "$work/Test Skin.wsz"
same() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = "0" ] || fail "$3"; }
same "$work/skin/backbuffer.bmp" "$work/skin-wsz/backbuffer.bmp" "skin-wsz: the back buffer differs from the folder's"
same "$work/skin.png" "$work/skin-wsz.png" "skin-wsz: the screen differs from the folder's"

# A damaged archive: the design loaded before it stays, as it was shown alone.
head -c 2000 "$work/Test Skin.wsz" > "$work/damaged.wsz"
show damaged-wsz design --design "$bin/TumborR.design" --skin "$work/damaged.wsz"
same "$work/design/seen.png" "$work/damaged-wsz/seen.png" "damaged-wsz: the design is not shown as before"

# The equalizer window docked under the main window, in both looks.
EQUALIZER=1 show design-equalizer design --design "$bin/TumborR.design"
EQUALIZER=1 show skin-equalizer skin --skin "$work/skin-folder"

finish
