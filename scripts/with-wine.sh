#!/usr/bin/env bash
# Runs a command with a private Wine prefix ready: the prefix lives in the
# build tree (never in $HOME), is created once, and a persistent wineserver
# with Wine's services is started beforehand with its output on /dev/null, so
# that tests capturing output do not wait for Wine's background processes.
#   usage: scripts/with-wine.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail

build_dir=$(cd "$1" && pwd)
shift
export WINEPREFIX="$build_dir/wineprefix" WINEARCH=win32 WINEDEBUG=-all
# Wine must not look for Mono or Gecko installers on a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
  # A crashing program exits with code 5 instead of waiting on a debugger dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -k || true
  wineserver -w
fi

wineserver -p >/dev/null 2>&1
wine wineboot >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true; wineserver -w || true' EXIT
"$@"
