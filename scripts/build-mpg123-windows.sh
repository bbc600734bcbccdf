#!/usr/bin/env bash
# Cross-builds libmpg123 as a static mingw-w64 library for the target triplet
# (i686-w64-mingw32 or x86_64-w64-mingw32) from Debian's source package, into
# a cache folder of the build tree. Does nothing when the cache is complete.
# The result: PREFIX/lib/libmpg123.a and PREFIX/include/{mpg123.h,fmt123.h}.
#   usage: scripts/build-mpg123-windows.sh TRIPLET PREFIX
set -euo pipefail

triplet=$1
prefix=$(mkdir -p "$2" && cd "$2" && pwd)
if [ -f "$prefix/lib/libmpg123.a" ] && [ -f "$prefix/include/mpg123.h" ] &&
   [ -f "$prefix/include/fmt123.h" ]; then
  exit 0
fi

source "$(dirname "$0")/debian-source.sh"
ensure_deb_src

work="$prefix/src"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
unpack_debian_source mpg123

mkdir build && cd build
echo "Configuring libmpg123 for $triplet"
../source/configure --host="$triplet" CC="$triplet-gcc-posix" \
  --enable-static --disable-shared >configure.log 2>&1 || { tail -30 configure.log >&2; exit 1; }
echo "Building libmpg123"
make -j2 src/libmpg123/libmpg123.la >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }

mkdir -p "$prefix/lib" "$prefix/include"
cp src/libmpg123/.libs/libmpg123.a "$prefix/lib/"
cp ../source/src/libmpg123/fmt123.h "$prefix/include/"
cp src/libmpg123/mpg123.h "$prefix/include/"
cd "$prefix" && rm -rf "$work"
echo "libmpg123 for $triplet is in $prefix"
