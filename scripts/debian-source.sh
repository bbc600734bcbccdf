# Fetching and unpacking Debian's source packages for the Windows cross-builds;
# sourced by scripts/build-*-windows.sh.

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# apt-get source needs a deb-src entry beside the binary one.
ensure_deb_src() {
  if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then return; fi
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
}

# unpack_debian_source PACKAGE: Debian's source package, with Debian's
# patches applied, in ./source of the current folder.
unpack_debian_source() {
  local package=$1
  # apt-get source exits 100 when the upstream tarball's .asc signature is
  # missing on the mirror, and dpkg-source -x fails over it; the tarballs are
  # downloaded all the same, so they are unpacked and patched by hand.
  apt-get source --download-only "$package" >download.log 2>&1 || true
  local orig="" debian="" file
  for file in "$package"_*.orig.tar.*; do
    case $file in *.asc) ;; *) [ -f "$file" ] && orig=$file ;; esac
  done
  for file in "$package"_*.debian.tar.*; do [ -f "$file" ] && debian=$file; done
  if [ -z "$orig" ] || [ -z "$debian" ]; then
    cat download.log >&2
    echo "${0##*/}: could not fetch Debian's $package source package" >&2
    exit 1
  fi
  mkdir source
  tar xf "$orig" -C source --strip-components=1
  tar xf "$debian" -C source
  if [ -f source/debian/patches/series ]; then
    (cd source && grep -v '^#' debian/patches/series | while read -r patch; do
       [ -z "$patch" ] || patch -p1 -s < "debian/patches/$patch" || exit 1
     done)
  fi
}
