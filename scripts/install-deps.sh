#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, only when some are
# missing, and any further packages named as arguments (the benchmarks'
# reference players). Works on a minimal Debian 12 with sudo (or as root).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  clang libclang-rt-14-dev          # host build: ASan, UBSan, libFuzzer
  googletest
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686     # the win32 build
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 # the win64 build
  mingw-w64-tools
  wine wine32:i386 wine64           # running the win32 build (where the kernel runs 32-bit programs) and the win64 build
  xvfb xauth x11-utils xdotool imagemagick   # headless windows and screenshots
  sox lame twolame mpg123 libmpg123-dev   # MPEG decoding, making and checking test sounds
  zlib1g-dev libminizip-dev libz-mingw-w64-dev   # .wsz skins: zlib and minizip, natively and for Windows
  libflac-dev libvorbis-dev libogg-dev libopus-dev libopusfile-dev   # FLAC, Ogg Vorbis and Opus decoding
  flac vorbis-tools opus-tools            # making and checking their test sounds
  dpkg-dev patch bzip2 xz-utils make      # cross-building libmpg123, minizip and the codecs from their source packages
  ca-certificates
  "$@"
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
