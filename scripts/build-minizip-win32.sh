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

source "$(dirname "$0")/debian-source.sh"
ensure_deb_src

work="$prefix/src"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# The same source package as the host build's libminizip-dev.
unpack_debian_source minizip

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
