#!/usr/bin/env bash
# Tumbor.exe under Wine on an X display, driven by tumbor_driver: Ctrl+P opens
# the options sheet on the page shown last with its six pages; each page's
# Apply changes the settings it owns, which "Tumbor.ini" shows after exit;
# choosing the design in use again loads nothing; a damaged skin archive
# leaves the design, a .wsz skin archive and a classic skin folder load, and
# back; the extension dialog registers the chosen extensions in the registry
# (read back with "wine reg query") and lists one already the player's
# unselected; minimised with Systray 5 the tray shows the main, Play and Next
# icons, which play, stop and restore the player.
#   usage: options_sheet.sh WINDOWS_BIN_DIR WORK_DIR ICON_DIR   (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2 icons=$(cd "$3" && pwd)
source "$(dirname "$0")/sound_checks.sh"
rm -rf "$work" && mkdir -p "$work" && cd "$work" && work=$(pwd)
install_player "$bin" app
# A plug-in folder of the test's own, whatever the player's Plugins folder holds.
mkdir -p app/TestPlugins app/Skins
cp "$bin/testplugins/listed_vis_plugin.dll" app/TestPlugins/
for skin in Base Test; do
  wine "$bin/tumbor-design-gen.exe" testskin "$(winepath -w "$work/app/Skins/$skin")" >/dev/null 2>&1 ||
    fail "the skin $skin could not be written"
done
# The same skin zipped, and a damaged copy of it.
wine "$bin/tumbor-design-gen.exe" testwsz "$(winepath -w "$work/app/Skins/Retro.wsz")" >/dev/null 2>&1 ||
  fail "the skin archive could not be written"
head -c 3000 app/Skins/Retro.wsz > app/Skins/Broken.wsz
# A second design: the default one 300 pixels wide, by another designer.
sed 's/^WindowWidth=.*/WindowWidth=300/; s/^NameOfTheDesigner=.*/NameOfTheDesigner=Another designer/' \
  app/TumborR.design > app/Other.design
printf '[General]\r\nPageOptions=4\r\nSystray=5\r\nMinimizeState=1\r\n[Sound]\r\nBuffer=20\r\n' > app/Tumbor.ini

drive() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected \"$2\", got \"$3\""
}
width() { drive rect | awk '{print $4 - $2}'; }
# The index of a line in a "list SEL a|b|c" answer.
line_index() { tr '|' '\n' <<< "${2#list * }" | grep -nxF "$1" | cut -d: -f1 | awk '{print $1 - 1}'; }
setting() { sed -n "/^\[$1\]/,/^\[/p" app/Tumbor.ini | tr -d '\r' | sed -n "s/^$2=//p"; }
registry() { wine reg query "HKCR\\$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'; }
# The player's file type and every extension the dialog may list, gone from the test's Wine prefix.
clean_registry() {
  for key in Tumbor.File .m3u .m3u8 .pls .wav .voc .cda .mp1 .mp2 .mp3 .mpa .mod .s3m .xm .it .ptm .mtm .669 .mdl \
             .dsm .far .stm .dmf; do
    wine reg delete "HKCR\\$key" /f >/dev/null 2>&1 || true
  done
}

# An extension already the player's, and one another program's.
clean_registry
wine reg add 'HKCR\.voc' /ve /d Tumbor.File /f >/dev/null 2>&1
wine reg add 'HKCR\.m3u' /ve /d OtherPlayer.List /f >/dev/null 2>&1

timeout 240 wine app/Tumbor.exe tone://440 > tumbor.log 2>&1 &
player=$!
expect "started" "state 1" "$(drive wait-state 1)"
expect "stopped" "state 0" "$(drive key V wait-state 0)"

# Ctrl+P: the page shown last (Skins), six pages; the look in use is kept.
expect "Ctrl+P" "options 6 4" "$(drive key ctrl+P options)"
expect "skin box by Ctrl+P" "value 0" "$(drive options-get 2037)"
skins=$(drive options-get 2033)
skins=${skins#value }
expect "skins listed" "Base|Broken.wsz|Retro.wsz|Test" "$(tr '|' '\n' <<< "${skins#list * }" | sort | paste -sd'|')"
expect "no skin in use: the first" "list 0" "$(cut -d' ' -f1-2 <<< "$skins")"
test_skin=$(line_index Test "$skins") retro_skin=$(line_index Retro.wsz "$skins")
broken_skin=$(line_index Broken.wsz "$skins")
# Output: the devices, the modules; the first device chosen.
expect "devices" "value combo 0 of 2 <Default windows driver>" "$(drive options-page 0 options-get 2001)"
modules=$(drive options-get 2002)
[[ "$modules" == "value list 0 "*"WAV loader (8/16bits, mono/stereo) v1.10 (Strm_PCM.DLL)|"* ]] ||
  fail "modules: $modules"
drive options-set 2001 1 >/dev/null
# Buffering 3.5 s; Plugins: the listed library's second module, no auto start, priority 5.
expect "buffer" "value 20" "$(drive options-page 1 options-get 2011)"
drive options-set 2011 35 >/dev/null
# A plug-in folder typed and reloaded is taken as a full path.
plugins=$(winepath -w "$work/app/TestPlugins")
drive options-page 2 options-set 2021 "$plugins" options-set 2024 click >/dev/null
expect "plug-ins" "value list 0 Listed test plug-in (listed_vis_plugin.dll)" "$(drive options-get 2023)"
expect "modules of the plug-in" "value list 0 Listed scope|Listed bars" "$(drive options-get 2025)"
drive options-set 2025 1 options-set 2026 0 options-set 2029 5 >/dev/null
# Design: both files, the one in use selected, its designer.
designs=$(drive options-page 3 options-get 2033)
designs=${designs#value }
tumborr=$(line_index TumborR.design "$designs") other=$(line_index Other.design "$designs")
expect "designs" "list $tumborr" "$(cut -d' ' -f1-2 <<< "$designs")"
expect "designer" "value The Tumbor team" "$(drive options-get 2036)"
expect "design box" "value 1" "$(drive options-get 2037)"
# General: clear on drop only, repeat with several files, on top, no snapping.
drive options-page 5 options-set 2041 1 options-set 2042 0 options-set 2043 1 options-set 2045 1 \
  options-set 2046 0 >/dev/null
drive options-apply >/dev/null
expect "Apply keeps the design in use" "320" "$(width)"
drive options-ok >/dev/null

# Alt+D: another design loads; the same one again loads nothing (its file has
# changed on disk since, and the window keeps the width it had).
expect "Alt+D" "options 6 3" "$(drive key alt+D options)"
drive options-set 2033 "$other" options-apply >/dev/null
expect "other design" "300" "$(width)"
expect "its designer" "value Another designer" "$(drive options-get 2036)"
sed -i 's/^WindowWidth=.*/WindowWidth=290/' app/Other.design
drive options-set 2033 "$other" options-apply >/dev/null
expect "the same design again" "300" "$(width)"
drive options-ok >/dev/null

# Alt+S with a design in use checks the skin box; Apply switches to the skin.
expect "Alt+S" "options 6 4" "$(drive key alt+S options)"
expect "skin box by Alt+S" "value 1" "$(drive options-get 2037)"
drive options-set 2033 "$test_skin" options-apply >/dev/null
expect "skin" "275" "$(width)"
current=$(drive options-get 2035)
[[ "$current" == *'\Skins\Test' ]] || fail "current skin: $current"
drive options-ok >/dev/null
# And back to the default design.
drive key alt+D options options-set 2033 "$tumborr" options-apply >/dev/null
expect "back to the design" "320" "$(width)"
drive options-ok >/dev/null
# A damaged skin archive leaves the design; the archive itself loads; the
# skin folder again, and the design.
drive key alt+S options options-set 2033 "$broken_skin" options-apply >/dev/null
expect "damaged skin archive" "320" "$(width)"
drive options-set 2033 "$retro_skin" options-apply >/dev/null
expect "skin archive" "275" "$(width)"
current=$(drive options-get 2035)
[[ "$current" == *'\Skins\Retro.wsz' ]] || fail "current skin archive: $current"
drive options-set 2033 "$test_skin" options-apply options-ok >/dev/null
drive key alt+D options options-set 2033 "$tumborr" options-apply options-ok >/dev/null
expect "the design again" "320" "$(width)"

# The extension dialog: ours unselected, another program's and the rest
# selected; only .m3u, .m3u8 and .wav are left chosen.
drive key ctrl+P options options-page 5 options-set 2047 click >/dev/null
lines=$(drive dialog-list "Register Extensions" 2101)
lines=${lines#lines }
expect "unselected lines" ".voc" "$(tr '|' '\n' <<< "$lines" | grep -v '\*$' | paste -sd'|')"
expect "first lines" ".m3u (Playlist)*|.m3u8 (Playlist)*|.pls (Playlist)*" "$(cut -d'|' -f1-3 <<< "$lines")"
grep -q '|.wav\*|' <<< "|$lines|" || fail "no .wav line: $lines"
choose=()
n=0
while read -r line; do
  case $line in
    .m3u* | .wav*) ;;
    *) choose+=(dialog-select "Register Extensions" 2101 $n 0) ;;
  esac
  n=$((n + 1))
done < <(tr '|' '\n' <<< "$lines")
drive "${choose[@]}" dialog-press "Register Extensions" 1 >/dev/null
expect "completion" "dialog Register Extensions: Registering file extensions has been completed. Double-clicking these files in the explorer will now start the player." \
  "$(drive dialog "Register Extensions")"
drive dialog-press "Register Extensions" 1 >/dev/null
program=$(winepath -w "$work/app/Tumbor.exe")
expect ".wav registered" "Tumbor.File" "$(registry .wav)"
expect ".m3u registered" "Tumbor.File" "$(registry .m3u)"
expect ".m3u8 registered" "Tumbor.File" "$(registry .m3u8)"
expect ".voc stays registered" "Tumbor.File" "$(registry .voc)"
expect ".pls left alone" "" "$(registry .pls)"
expect "file type" "Tumbor media file" "$(registry Tumbor.File)"
expect "open command" "\"$program\" \"%1\"" "$(registry 'Tumbor.File\shell\open\command')"
expect "icon" "\"$program\"" "$(registry 'Tumbor.File\DefaultIcon')"
drive options-set 2047 click >/dev/null
lines=$(drive dialog-list "Register Extensions" 2101)
expect "registered ones unselected" ".m3u (Playlist)|.m3u8 (Playlist)|.wav|.voc" \
  "$(tr '|' '\n' <<< "${lines#lines }" | grep -E '^\.(m3u|wav|voc)' | paste -sd'|')"
expect "the others selected" "" "$(tr '|' '\n' <<< "${lines#lines }" | grep -vE '^\.(m3u|wav|voc)' | grep -v '\*$' || true)"
drive dialog-press "Register Extensions" 2 options-ok >/dev/null

# Minimised with Systray 5 (tray only): the main, Play and Next icons in the
# tray, and no window; they play, stop and bring the player back.
expect "minimised to the tray" "shown 0 1" "$(drive key M shown)"
tray_window=$(drive tray-window)
read -r _ visible x y w h <<< "$tray_window"
expect "tray shown" "1" "$visible"
import -window root tray.png
/usr/bin/convert tray.png -crop "${w}x${h}+${x}+${y}" +repage tray-window.png
# Columns holding anything but the tray's white, in runs: one run per icon.
runs=$(/usr/bin/convert tray-window.png -fill black +opaque white -negate -scale "${w}x1!" -depth 8 txt:- |
  sed -n 's/^\([0-9]*\),0: (\([0-9]*\).*/\1 \2/p' |
  awk '$2 > 0 { if ($1 != last + 1) { if (n) print start; start = $1; n++ } last = $1 } END { if (n) print start }')
expect "three icons" "3" "$(wc -w <<< "$runs")"
# Exactly the Play and Next buttons' pictures are among them (within the rounding of their blending).
for name in TrayPlay TrayNext TrayStop TrayPause TrayPrevious; do
  /usr/bin/convert "$icons/$name.ico" -background white -flatten "$name.png"
  differing=$(compare -metric AE -fuzz 3% -subimage-search tray-window.png "$name.png" null: 2>&1 | cut -d' ' -f1 || true)
  case $name in
    TrayPlay | TrayNext) [ "$differing" = "0" ] || fail "no $name icon in the tray" ;;
    *) [ "$differing" != "0" ] || fail "a $name icon in the tray" ;;
  esac
done
expect "Play icon plays" "state 1" "$(drive tray 1 left wait-state 1)"
expect "Stop icon stops" "state 0" "$(drive tray 2 left wait-state 0)"
expect "main icon restores" "shown 1 0" "$(drive tray 0 left shown)"
expect "tray emptied" "0" "$(drive tray-window | cut -d' ' -f2)"

drive close >/dev/null
wait $player || fail "Tumbor.exe did not end after close"
clean_registry

expect "Device" "0" "$(setting Sound Device)"
expect "Buffer" "35" "$(setting Sound Buffer)"
expect "Library" "listed_vis_plugin.dll" "$(setting Plugins Library)"
expect "Module" "1" "$(setting Plugins Module)"
expect "AutoExecute" "0" "$(setting Plugins AutoExecute)"
expect "Priority" "5" "$(setting Plugins Priority)"
expect "Plugins Path" "$plugins" "$(setting Plugins Path)"
expect "Design Current" "$(winepath -w "$work/app")\\TumborR.design" "$(setting Design Current)"
expect "Skin Current" "$(winepath -w "$work/app/Skins")\\Test" "$(setting Skin Current)"
expect "GUI" "0" "$(setting General GUI)"
expect "Clear" "1" "$(setting Playlist Clear)"
expect "Repeat" "0" "$(setting Playlist Repeat)"
expect "Topmost" "1" "$(setting General Topmost)"
expect "Snap" "0" "$(setting General Snap)"
expect "Systray" "5" "$(setting General Systray)"
expect "MinimizeState" "1" "$(setting General MinimizeState)"
expect "PageOptions" "5" "$(setting General PageOptions)"

finish
