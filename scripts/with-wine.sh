#!/usr/bin/env bash
# Runs a command with the Wine of a Windows build and a private Wine prefix
# ready: 32-bit Wine for a win32 build, 64-bit Wine (/usr/lib/wine/wine64,
# first on the PATH as "wine") for a win64 build. The prefix lives in the
# build tree (never in $HOME), is created once, and a persistent wineserver
# with Wine's services is started beforehand with its output on /dev/null, so
# that tests capturing output do not wait for Wine's background processes.
#   usage: scripts/with-wine.sh BUILD_DIR COMMAND [ARGS...]
set -euo pipefail

scripts=$(cd "$(dirname "$0")" && pwd)
build_dir=$(cd "$1" && pwd)
shift

# The build's word size, from the toolchain file it was configured with.
if grep -q '^CMAKE_TOOLCHAIN_FILE:.*x86_64-w64-mingw32' "$build_dir/CMakeCache.txt" 2>/dev/null; then
  export WINEARCH=win64 PATH="$scripts/wine64:$PATH"
else
  export WINEARCH=win32
  if [ "$("$scripts/windows-build.sh")" != win32 ]; then
    echo "with-wine: this machine does not run 32-bit programs, so not the win32 build in $build_dir" >&2
    exit 126
  fi
fi
export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all
# Wine must not look for Mono or Gecko installers on a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the $WINEARCH Wine prefix in $WINEPREFIX"
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
