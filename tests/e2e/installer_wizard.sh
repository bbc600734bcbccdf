#!/usr/bin/env bash
# TumborSetup.exe under Wine on an X display, driven through its pages by
# setup_driver. In a Wine prefix of its own (made once beside the work
# folder, its traces of the installer removed at each start): the update
# route without an earlier installation; the proposed path, the folder
# browser, and the format, drive and directory messages; "c:\Games\Tumbor"
# accepted and created; a fresh installation whose files equal the build's,
# with the file type in the registry, the two settings entries and both
# shortcuts; the installed player playing a file (wave-out captured); then an
# update over the same folder that keeps the user's settings and playlists
# and starts the player.
#   usage: installer_wizard.sh WINDOWS_BIN_DIR WORK_DIR SETUP_EXE LIST HOST_BIN_DIR
#          (DISPLAY and TUMBOR_CAPTURE_FILE set)
set -euo pipefail

bin=$(cd "$1" && pwd) work=$2 setup=$3 list=$4 host_bin=$(cd "$5" && pwd)
capture=${TUMBOR_CAPTURE_FILE:?the capture file is not set}
source "$(dirname "$0")/sound_checks.sh"
[ -f "$setup" ] || { echo "FAIL: $setup is missing (make installer builds it)"; exit 1; }
rm -rf "$work" && mkdir -p "$work" && cd "$work" && work=$(pwd)

# The prefix of this test only: its registry and C: drive are the
# installer's to change, and its desktop lies in its own home, not in ours.
wine_dir="$work.wine"
# The prefix is of the word size scripts/with-wine.sh chose for the build.
export WINEPREFIX="$wine_dir/prefix" HOME="$wine_dir/home" WINEARCH=${WINEARCH:?run under scripts/with-wine.sh} WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$wine_dir/ready" ]; then
  rm -rf "$wine_dir" && mkdir -p "$HOME"
  wine wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # Without a window manager Wine waits 2 s for each managed window it hides
  # (every page the wizard ends); unmanaged windows spare that.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
  touch "$wine_dir/ready"
fi
wineserver -p >/dev/null 2>&1
wine wineboot >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true; wineserver -w || true' EXIT

drive_c="$WINEPREFIX/drive_c"
drive() { wine "$bin/setup_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
player() { wine "$bin/tumbor_driver.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
expect() {  # expect WHAT EXPECTED ACTUAL
  [ "$2" = "$3" ] || fail "$1: expected \"$2\", got \"$3\""
}
registry_value() {  # registry_value KEY [NAME]: the string value, or nothing
  local query; if [ $# -gt 1 ]; then query=(/v "$2"); else query=(/ve); fi
  wine reg query "$1" "${query[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/^ *[^ ].*REG_[A-Z_]*SZ    //p'
}
ini_value() {  # ini_value FILE SECTION KEY
  tr -d '\r' < "$1" | awk -F= -v section="[$2]" -v key="$3" \
    '/^\[/ { inside = ($0 == section) } inside && $1 == key { print substr($0, length(key) + 2); exit }'
}
shell_folder() {  # shell_folder NAME: the current user's shell folder as a Unix path
  winepath -u "$(registry_value 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' "$1")" \
    2>/dev/null
}
start_setup() {
  wine "$setup" > "setup$((++setups)).log" 2>&1 &
  setup_pid=$!
}
end_setup() {
  local waited=0
  while kill -0 "$setup_pid" 2>/dev/null && [ $waited -lt 100 ]; do sleep 0.2; waited=$((waited + 1)); done
  kill -0 "$setup_pid" 2>/dev/null && { fail "TumborSetup.exe did not end after Finish"; kill "$setup_pid"; }
  wait "$setup_pid" || fail "TumborSetup.exe ended with an error"
}
setups=0

# What earlier runs left is gone; the shortcut folders come from the registry.
rm -rf "$drive_c/Games" "$drive_c/Tumbor" "$drive_c/Program Files/Tumbor" "$drive_c/not a folder"
wine reg delete 'HKCR\Tumbor.File' /f >/dev/null 2>&1 || true
wine reg delete 'HKCU\Software\Classes\Tumbor.File' /f >/dev/null 2>&1 || true
programs=$(shell_folder Programs) desktop=$(shell_folder Desktop)
[ -d "$programs" ] && [ -d "$desktop" ] || fail "no Programs ($programs) or Desktop ($desktop) folder"
rm -f "$programs/Tumbor.lnk" "$desktop/Tumbor.lnk"
echo "not a folder" > "$drive_c/not a folder"

install="$drive_c/Games/Tumbor"
mapfile -t payload < <("$host_bin/tumbor-pack" --files "$list")
expect_installed() {  # expect_installed WHEN: every file of the list equals the build's
  local file
  for file in "${payload[@]}"; do
    cmp -s "$bin/$file" "$install/$file" || fail "$1: $file differs from the build's"
  done
  [ -d "$install/Skins" ] || fail "$1: no Skins folder"
}

sox -n -r 22050 -c 1 -b 8 tone.wav synth 1 sine 440
sox tone.wav -t raw tone.raw

# No earlier installation: page 131 leads back to the welcome page.
start_setup
answer=$(drive wait-page "Tumbor V1.0 setup" controls press "&Update" wait-page "Tumbor V1.0 setup - Update" controls \
  press "< &Back" wait-page "Tumbor V1.0 setup")
grep -q '^control 5 Button &Update$' <<< "$answer" || fail "the welcome page has no Update button (id 5): $answer"
grep -q '^control -1 Static Welcome to the Tumbor V1.0 setup\.' <<< "$answer" || fail "no welcome text: $answer"
grep -q '^control -1 Static Setup did not found any previous versions of Tumbor\.' <<< "$answer" ||
  fail "page 131 did not appear: $answer"
expect "back at the welcome page" "page Tumbor V1.0 setup" "$(tail -1 <<< "$answer")"

# The install page proposes the program-files folder; the path checks.
expect "proposed path" "text 1002 C:\\Program Files\\Tumbor" \
  "$(drive wait-page "Tumbor V1.0 setup" press "&Install" wait-page "Tumbor V1.0 setup - Install" get 1002 | tail -1)"
# Change path: the browser starts at the typed folder, its status line shows
# where Tumbor would go, and OK takes that; Cancel changes nothing.
answer=$(drive wait-page "Tumbor V1.0 setup - Install" set 1002 'C:\Program Files' press "Change &path" \
  wait-page "Browse for Folder" controls press "OK" wait-page "Tumbor V1.0 setup - Install" get 1002)
grep -qx 'control [0-9]* Static C:\\Program Files\\Tumbor' <<< "$answer" || fail "the browser's status line: $answer"
expect "browsed path" 'text 1002 C:\Program Files\Tumbor' "$(tail -1 <<< "$answer")"
expect "browser cancelled" 'text 1002 C:\Program Files\Tumbor' "$(drive wait-page "Tumbor V1.0 setup - Install" \
  press "Change &path" wait-page "Browse for Folder" press "Cancel" wait-page "Tumbor V1.0 setup - Install" get 1002 |
  tail -1)"
try_path() {  # try_path PATH: the error box's text
  drive wait-page "Tumbor V1.0 setup - Install" set 1002 "$1" press "&Next >" box Error | tail -1
}
format="box Path has not the right format (e.g. C:\\Program files\\Tumbor)"
expect "no drive" "$format" "$(try_path 'Tumbor')"
expect "two backslashes" "$format" "$(try_path 'c:\Games\\Tumbor')"
expect "missing drive" "box Drive Q: could not be found." "$(try_path 'q:\Tumbor')"
expect "a file in the way" "box Creation of new directory has failed (Not enough memory left on drive ?)." \
  "$(try_path 'c:\not a folder\Tumbor')"
[ ! -e "$drive_c/Games" ] || fail "a refused path created folders"

# c:\Games\Tumbor is accepted and created; Back on the finish page shows the
# install page again, and a second Next installs once more.
answer=$(drive wait-page "Tumbor V1.0 setup - Install" set 1002 'c:\Games\Tumbor' press "&Next >" \
  wait-page "Tumbor V1.0 setup - Finishing installation" press "< &Back" wait-page "Tumbor V1.0 setup - Install" get 1002)
expect "back from the finish page" "text 1002 C:\\Program Files\\Tumbor" "$(tail -1 <<< "$answer")"
[ -f "$install/Tumbor.exe" ] || fail "Next did not install into c:\\Games\\Tumbor"
answer=$(drive wait-page "Tumbor V1.0 setup - Install" set 1002 'c:\Games\Tumbor' press "&Next >" \
  wait-page "Tumbor V1.0 setup - Finishing installation" controls check 1010 0 press "Fi&nish")
grep -q '^control 1010 Button &Start player when setup has finished$' <<< "$answer" ||
  fail "the finish page has no start box: $answer"
end_setup

expect_installed "installed"
expect "files in the folder" "$(printf '%s\n' "${payload[@]}" Tumbor.ini | sort)" \
  "$(cd "$install" && find . -type f | sed 's|^\./||' | sort)"
expect "open command" '"c:\Games\Tumbor\Tumbor.exe" "%1"' "$(registry_value 'HKCR\Tumbor.File\shell\open\command')"
expect "icon" '"c:\Games\Tumbor\Tumbor.exe"' "$(registry_value 'HKCR\Tumbor.File\DefaultIcon')"
expect "GUI entry" "0" "$(ini_value "$install/Tumbor.ini" General GUI)"
expect "design entry" 'c:\Games\Tumbor\TumborR.design' "$(ini_value "$install/Tumbor.ini" Design Current)"
for link in "$programs/Tumbor.lnk" "$desktop/Tumbor.lnk"; do
  if [ -f "$link" ]; then
    strings -n 8 "$link" | grep -qx 'c:\\Games\\Tumbor\\Tumbor.exe' || fail "$link does not start Tumbor.exe"
    strings -n 8 -el "$link" | grep -qx 'c:\\Games\\Tumbor\\' || fail "$link does not start in the folder"
  else
    fail "no shortcut $link"
  fi
done

# The installed player plays a file to its end (the user turned repeat off).
printf '[Playlist]\r\nRepeatX=0\r\n' >> "$install/Tumbor.ini"
timeout 60 wine "$install/Tumbor.exe" "$(winepath -w "$work/tone.wav")" > tumbor.log 2>&1 &
tumbor=$!
expect "installed player" "caption Tumbor - tone.wav" "$(player wait-caption "Tumbor - tone.wav")"
expect "played to the end" "state 0" "$(player wait-state 0)"
player close >/dev/null
wait $tumbor || fail "the installed Tumbor.exe did not end after close"
cmp -n "$(stat -c %s tone.raw)" "$capture" tone.raw || fail "the installed player's sound differs from the file's"

# The user's settings and playlists, a file of their own among the design's,
# and a shipped file that got damaged.
sed -i 's/^Buffer=.*\r$/Buffer=7\r/; s/^GUI=.*\r$/GUI=1\r/' "$install/Tumbor.ini"
printf 'tone.wav\r\n' > "$install/My songs.m3u"
echo "mine" > "$install/Designs/TumborR/mine.bmp"
echo "damaged" > "$install/Tumbor.html"
[ -s "$install/Tumbor.pls" ] || fail "the player wrote no playlist"
mkdir kept && cp "$install/Tumbor.pls" "$install/My songs.m3u" "$install/Designs/TumborR/mine.bmp" kept/

# The update finds the installation through the file type and starts the player.
start_setup
answer=$(drive wait-page "Tumbor V1.0 setup" press "&Update" wait-page "Tumbor V1.0 setup - Update" get 1002 \
  press "&Next >" wait-page "Tumbor V1.0 setup - Finishing installation" check 1008 0 check 1009 0 press "Fi&nish")
grep -qxF 'text 1002 c:\Games\Tumbor\' <<< "$answer" || fail "the update page does not show the folder: $answer"
end_setup
expect_installed "updated"
for file in Tumbor.pls "My songs.m3u" Designs/TumborR/mine.bmp; do
  cmp -s "kept/$(basename "$file")" "$install/$file" || fail "the update changed $file"
done
expect "settings kept" "7" "$(ini_value "$install/Tumbor.ini" Sound Buffer)"
expect "repeat kept" "0" "$(ini_value "$install/Tumbor.ini" Playlist RepeatX)"
expect "GUI entry rewritten" "0" "$(ini_value "$install/Tumbor.ini" General GUI)"
expect "started with the kept playlist" "entries 1" "$(player entries)"
player close >/dev/null
drive wait-no-player > /dev/null || fail "the player started by the installer did not end"

finish
