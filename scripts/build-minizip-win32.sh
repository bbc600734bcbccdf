#!/usr/bin/env bash
# Cross-builds minizip (the zip reader and writer of zlib's contrib folder) as
# a static i686-w64-mingw32 library from Debian's source package, into a cache
# folder of the build tree. Does nothing when the cache is complete. zlib
# itself is Debian's libz-mingw-w64-dev. The result: PREFIX/lib/libminizip.a
# and PREFIX/include/{unzip.h,zip.h,ioapi.h}.
#   usage: scripts/build-minizip-win32.sh PREFIX
set -euo pipefail

prefix=$(mkdir -p "$1" && cd "$1" && pwd)
if [ -f "$prefix/lib/libminizip.a" ] && [ -f "$prefix/include/unzip.h" ] &&
   [ -f "$prefix/include/zip.h" ] && [ -f "$prefix/include/ioapi.h" ]; then
  exit 0
fi
if [ ! -f /usr/i686-w64-mingw32/include/zlib.h ]; then
  echo "build-minizip-win32: zlib for mingw-w64 is missing (scripts/install-deps.sh installs libz-mingw-w64-dev)" >&2
  exit 1
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# apt-get source needs a deb-src entry beside the binary one.
if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "Adding a deb-src entry for Debian's source packages"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debsrc.sources >/dev/null
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debsrc.list >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
fi

work="$prefix/src"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# The same source package as the host build's libminizip-dev; apt-get source
# may exit non-zero over a missing signature although the files arrived.
apt-get source --download-only minizip >download.log 2>&1 || true
orig=$(ls minizip_*.orig.tar.* 2>/dev/null | head -1)
debian=$(ls minizip_*.debian.tar.* 2>/dev/null | head -1)
if [ -z "$orig" ] || [ -z "$debian" ]; then
  cat download.log >&2
  echo "build-minizip-win32: could not fetch Debian's minizip source package" >&2
  exit 1
fi

mkdir source
tar xf "$orig" -C source --strip-components=1
tar xf "$debian" -C source
(cd source && for patch in $(grep -v '^#' debian/patches/series); do
   patch -p1 -s < "debian/patches/$patch"
 done)

# Three C files: no configure step is worth its time.
echo "Building minizip for i686-w64-mingw32"
for file in ioapi unzip zip; do
  i686-w64-mingw32-gcc-posix -O2 -c "source/$file.c" -o "$file.o" 2>>make.log ||
    { cat make.log >&2; exit 1; }
done
i686-w64-mingw32-ar rcs libminizip.a ioapi.o unzip.o zip.o

mkdir -p "$prefix/lib" "$prefix/include"
install -m 644 libminizip.a "$prefix/lib/"
install -m 644 source/unzip.h source/zip.h source/ioapi.h "$prefix/include/"
cd "$prefix" && rm -rf "$work"
echo "minizip for win32 is in $prefix"
