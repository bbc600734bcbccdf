#!/usr/bin/env bash
# Cross-builds minizip (the zip reader and writer of zlib's contrib folder) as
# a static mingw-w64 library for the target triplet (i686-w64-mingw32 or
# x86_64-w64-mingw32) from Debian's source package, into a cache folder of the
# build tree. Does nothing when the cache is complete. zlib itself is Debian's
# libz-mingw-w64-dev. The result: PREFIX/lib/libminizip.a and
# PREFIX/include/{unzip.h,zip.h,ioapi.h}.
#   usage: scripts/build-minizip-windows.sh TRIPLET PREFIX
set -euo pipefail

triplet=$1
prefix=$(mkdir -p "$2" && cd "$2" && pwd)
if [ -f "$prefix/lib/libminizip.a" ] && [ -f "$prefix/include/unzip.h" ] &&
   [ -f "$prefix/include/zip.h" ] && [ -f "$prefix/include/ioapi.h" ]; then
  exit 0
fi
if [ ! -f "/usr/$triplet/include/zlib.h" ]; then
  echo "build-minizip-windows: zlib for mingw-w64 is missing (scripts/install-deps.sh installs libz-mingw-w64-dev)" >&2
  exit 1
fi

source "$(dirname "$0")/debian-source.sh"
ensure_deb_src

work="$prefix/src"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# The same source package as the host build's libminizip-dev.
unpack_debian_source minizip

# Three C files: no configure step is worth its time.
echo "Building minizip for $triplet"
for file in ioapi unzip zip; do
  "$triplet-gcc-posix" -O2 -c "source/$file.c" -o "$file.o" 2>>make.log ||
    { cat make.log >&2; exit 1; }
done
"$triplet-ar" rcs libminizip.a ioapi.o unzip.o zip.o

mkdir -p "$prefix/lib" "$prefix/include"
install -m 644 libminizip.a "$prefix/lib/"
install -m 644 source/unzip.h source/zip.h source/ioapi.h "$prefix/include/"
cd "$prefix" && rm -rf "$work"
echo "minizip for $triplet is in $prefix"
