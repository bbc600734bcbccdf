#!/usr/bin/env bash
# Cross-builds libmpg123 as a static i686-w64-mingw32 library from Debian's
# source package, into a cache folder of the build tree. Does nothing when the
# cache is complete. The result: PREFIX/lib/libmpg123.a and
# PREFIX/include/{mpg123.h,fmt123.h}.
#   usage: scripts/build-mpg123-win32.sh PREFIX
set -euo pipefail

prefix=$(mkdir -p "$1" && cd "$1" && pwd)
if [ -f "$prefix/lib/libmpg123.a" ] && [ -f "$prefix/include/mpg123.h" ] &&
   [ -f "$prefix/include/fmt123.h" ]; then
  exit 0
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
    # An older one-line sources.list: the same lines with deb-src.
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
      "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debsrc.list >/dev/null
  fi
  "${sudo_cmd[@]}" apt-get update -qq
fi

work="$prefix/src"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
# apt-get source exits 100 because the upstream tarball's .asc signature is
# missing on the mirror; the files it needs are downloaded all the same.
apt-get source --download-only mpg123 >download.log 2>&1 || true
orig=$(ls mpg123_*.orig.tar.* 2>/dev/null | head -1)
debian=$(ls mpg123_*.debian.tar.* 2>/dev/null | head -1)
if [ -z "$orig" ] || [ -z "$debian" ]; then
  cat download.log >&2
  echo "build-mpg123-win32: could not fetch Debian's mpg123 source package" >&2
  exit 1
fi

# dpkg-source -x fails over the same signature, so unpack and patch by hand.
mkdir source
tar xf "$orig" -C source --strip-components=1
tar xf "$debian" -C source
(cd source && for patch in $(grep -v '^#' debian/patches/series); do
   patch -p1 -s < "debian/patches/$patch"
 done)

mkdir build && cd build
echo "Configuring libmpg123 for i686-w64-mingw32"
../source/configure --host=i686-w64-mingw32 CC=i686-w64-mingw32-gcc-posix \
  --enable-static --disable-shared >configure.log 2>&1 || { tail -30 configure.log >&2; exit 1; }
echo "Building libmpg123"
make -j2 src/libmpg123/libmpg123.la >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }

mkdir -p "$prefix/lib" "$prefix/include"
cp src/libmpg123/.libs/libmpg123.a "$prefix/lib/"
cp ../source/src/libmpg123/fmt123.h "$prefix/include/"
cp src/libmpg123/mpg123.h "$prefix/include/"
cd "$prefix" && rm -rf "$work"
echo "libmpg123 for win32 is in $prefix"
