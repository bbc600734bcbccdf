#!/usr/bin/env bash
# Cross-builds the codec libraries behind Strm_FLC and Strm_OGG as static
# mingw-w64 libraries for the target triplet (i686-w64-mingw32 or
# x86_64-w64-mingw32) from Debian's source packages, each into a cache
# folder of the build tree: DEPS/ogg, DEPS/flac, DEPS/vorbis, DEPS/opus and
# DEPS/opusfile, each with lib/ and include/. A library whose cache is
# complete is not built again. Only the libraries are built: no programs,
# documentation, examples or tests.
#   usage: scripts/build-codecs-windows.sh TRIPLET DEPS
set -euo pipefail

host=$1
deps=$(mkdir -p "$2" && cd "$2" && pwd)
cc=$host-gcc-posix

source "$(dirname "$0")/debian-source.sh"

# run LOG COMMAND...: runs the command quietly, showing its log's end if it fails.
run() {
  local log=$1; shift
  "$@" >"$log" 2>&1 || { tail -40 "$log" >&2; echo "build-codecs-windows: failed: $*" >&2; exit 1; }
}

# configure_source ARGS...: configures ./source in ./build for the cross target.
configure_source() {
  mkdir build
  (cd build && run ../configure.log ../source/configure --host=$host CC=$cc --enable-static \
     --disable-shared --disable-dependency-tracking "$@")
}

# build NAME PACKAGE LIBRARY STEPS: runs STEPS (a function) in a fresh work
# folder unless DEPS/NAME/lib/LIBRARY exists. STEPS installs into $stage,
# which becomes DEPS/NAME only when it is complete.
build() {
  local name=$1 package=$2 library=$3 steps=$4
  [ -f "$deps/$name/lib/$library" ] && return
  local started=$SECONDS
  echo "Cross-building $library ($package) into $deps/$name"
  work="$deps/src-$name"
  stage="$deps/stage-$name"
  rm -rf "$work" "$stage" && mkdir -p "$work" "$stage/lib" "$stage/include" && cd "$work"
  unpack_debian_source "$package"
  "$steps"
  rm -rf "$deps/${name:?}"
  mv "$stage" "$deps/$name"
  cd "$deps" && rm -rf "$work"
  echo "$library built in $((SECONDS - started)) s"
}

ogg_steps() {
  configure_source
  run make.log make -C build/src -j2 libogg.la
  cp build/src/.libs/libogg.a "$stage/lib/"
  mkdir -p "$stage/include/ogg"
  cp source/include/ogg/ogg.h source/include/ogg/os_types.h build/include/ogg/config_types.h "$stage/include/ogg/"
}

flac_steps() {
  # Stack protection and fortified calls would need libssp in every program
  # that links the library.
  configure_source --disable-programs --disable-examples --disable-cpplibs --disable-doxygen-docs \
    --disable-oggtest --disable-stack-smash-protection --disable-fortify-source --disable-version-from-git \
    --with-ogg="$deps/ogg"
  run make.log make -C build/src/libFLAC -j2 libFLAC.la
  cp build/src/libFLAC/.libs/libFLAC.a "$stage/lib/"
  mkdir -p "$stage/include/FLAC"
  cp source/include/FLAC/*.h "$stage/include/FLAC/"
}

vorbis_steps() {
  configure_source --disable-docs --disable-examples --disable-oggtest --with-ogg="$deps/ogg"
  run make.log make -C build/lib -j2 libvorbis.la libvorbisfile.la
  cp build/lib/.libs/libvorbis.a build/lib/.libs/libvorbisfile.a "$stage/lib/"
  mkdir -p "$stage/include/vorbis"
  cp source/include/vorbis/codec.h source/include/vorbis/vorbisfile.h "$stage/include/vorbis/"
}

opus_steps() {
  # configure adds -D_FORTIFY_SOURCE=2 unless it is defined already; fortified
  # calls would need libssp too.
  configure_source --disable-doc --disable-extra-programs --disable-stack-protector CFLAGS="-g -O2 -D_FORTIFY_SOURCE=0"
  run make.log make -C build -j2 libopus.la
  cp build/.libs/libopus.a "$stage/lib/"
  mkdir -p "$stage/include/opus"
  cp source/include/*.h "$stage/include/opus/"
}

opusfile_steps() {
  configure_source --disable-http --disable-examples --disable-doc \
    DEPS_CFLAGS="-I$deps/ogg/include -I$deps/opus/include/opus" DEPS_LIBS="-L$deps/ogg/lib -L$deps/opus/lib -logg -lopus"
  run make.log make -C build -j2 libopusfile.la
  cp build/.libs/libopusfile.a "$stage/lib/"
  mkdir -p "$stage/include/opus"
  cp source/include/opusfile.h "$stage/include/opus/"
}

ensure_deb_src
build ogg libogg libogg.a ogg_steps
build flac flac libFLAC.a flac_steps
build vorbis libvorbis libvorbisfile.a vorbis_steps
build opus opus libopus.a opus_steps
build opusfile opusfile libopusfile.a opusfile_steps
