#!/usr/bin/env bash
# Collects real tracker modules from Debian packages (game music, mostly) for
# the comparison with reference players. Developer tooling: never run by tests.
#
#   scripts/fetch-real-modules.sh [DEST] [PACKAGE...]
#
# DEST defaults to build/real-modules. Each package is downloaded with
# `apt-get download` into a temporary folder, unpacked with `dpkg-deb -x`, and
# its module files (by name, any case, also gzip'ed; checked by signature)
# are copied to DEST/<package>/... with DEST/MANIFEST.tsv listing them. A
# package already collected at the same version is skipped, so a second run
# downloads nothing. Without PACKAGE arguments the list below is used.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
dest="${1:-$root/build/real-modules}"
[ $# -gt 0 ] && shift

# Debian 12 packages checked to hold module files, about 90 MB in all. The
# counts are what each holds (MOD = 4-channel "M.K." unless said otherwise).
default_packages=(
  bugsquish            # 2 MOD
  circuslinux-data     # 5 MOD
  freedroid-data       # 7 MOD, 1 6CHN
  open-invaders-data   # 4 MOD
  rockdodger           # 5 MOD
  tecnoballz-data      # 14 MOD, 1 XM named .mod
  tuxmath-data         # 3 MOD
  bomberclone-data     # 1 MOD, 5 XM
  ri-li-data           # 1 MOD, 2 XM
  monsterz-data        # 1 S3M
  gweled               # 1 S3M
  penguin-command      # 3 S3M
  pachi-data           # 5 S3M, 1 STM
  njam-data            # 1 S3M, 2 XM
  criticalmass-data    # 1 XM
  fb-music-high        # 1 XM
  ceferino-data        # 1 XM
  heroes-sound-tracks  # 13 XM
  solarwolf            # 2 XM
  dodgindiamond2       # 2 XM
  gltron               # 1 IT
  tomatoes-data        # 1 IT
  pingus-data          # 19 IT, 1 S3M
  biniax2-data         # 8 IT
)
packages=("$@")
[ ${#packages[@]} -eq 0 ] && packages=("${default_packages[@]}")

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

for tool in apt-get apt-cache dpkg-deb python3 sha256sum; do
  command -v "$tool" >/dev/null || { echo "fetch-real-modules: $tool is missing" >&2; exit 1; }
done

# Version and download size of every package, from one apt-cache call.
declare -A versions sizes
read_package_records() {
  local package="" key value
  while IFS=': ' read -r key value; do
    case "$key" in
      Package) package="$value" ;;
      Version) [ -n "${versions[$package]:-}" ] || versions[$package]="$value" ;;
      Size) [ -n "${sizes[$package]:-}" ] || sizes[$package]="$value" ;;
    esac
  done < <(apt-cache show --no-all-versions "${packages[@]}" 2>/dev/null || true)
}
read_package_records
# Package lists that were never fetched know no package at all.
if [ ${#versions[@]} -eq 0 ]; then
  echo "Updating the package lists"
  "${sudo_cmd[@]}" apt-get update -qq
  read_package_records
fi

mkdir -p "$dest"
dest="$(cd "$dest" && pwd)"
manifest="$dest/MANIFEST.tsv"
[ -f "$manifest" ] || printf 'package\tversion\tformat\tbytes\tsha256\tpath\n' >"$manifest"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# apt's download user must be able to write there when we run as root.
chmod 0777 "$work"

total_bytes=0
for package in "${packages[@]}"; do
  total_bytes=$((total_bytes + ${sizes[$package]:-0}))
done
echo "Packages: ${#packages[@]}, $((total_bytes / 1000000)) MB to download at most"

sniff() { python3 "$here/module_compare.py" sniff "$1"; }

# Copies the module files of one unpacked package; prints how many.
collect_modules() {  # package version unpacked
  local package="$1" version="$2" unpacked="$3" count=0
  local pattern='.*\.(mod|s3m|xm|it|mtm|669|stm|far|ptm|dsm|mdl|dmf)(\.gz)?'
  while IFS= read -r -d '' file; do
    local relative="${file#"$unpacked"/}"
    relative="${relative#usr/share/games/}"
    relative="${relative#usr/share/}"
    local target="$dest/$package/$relative"
    mkdir -p "$(dirname "$target")"
    if [[ "${file,,}" == *.gz ]]; then
      target="${target%.*}"
      gzip -dc "$file" >"$target"
    else
      cp "$file" "$target"
    fi
    local format
    format="$(sniff "$target")"
    # A name alone is not enough (a text file named *.It): MODs without a
    # signature are kept, anything else must show its format's signature.
    if [ "$format" = unknown ] && [[ "${target,,}" != *.mod ]]; then
      echo "  skipped $relative: no module signature" >&2
      rm -f "$target"
      continue
    fi
    local sum
    sum="$(sha256sum "$target" | cut -d' ' -f1)"
    local owner
    owner="$(awk -F'\t' -v sum="$sum" '$5 == sum { print $1; exit }' "$manifest")"
    if [ -n "$owner" ]; then
      echo "  skipped $relative: same file as in $owner" >&2
      rm -f "$target"
      continue
    fi
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$package" "$version" "$format" "$(stat -c %s "$target")" "$sum" \
      "${target#"$dest"/}" >>"$manifest"
    count=$((count + 1))
  done < <(find "$unpacked" -regextype posix-extended -type f -iregex "$pattern" -print0 | sort -z)
  echo "$count"
}

fetched=0
for package in "${packages[@]}"; do
  version="${versions[$package]:-}"
  if [ -z "$version" ]; then
    echo "$package: not in the package lists, skipped" >&2
    continue
  fi
  marker="$dest/$package/.fetched"
  if [ -f "$marker" ] && [ "$(cat "$marker")" = "$version" ]; then
    echo "$package $version: already collected"
    continue
  fi
  # Another version (or an interrupted run): start this package afresh.
  rm -rf "${dest:?}/$package"
  awk -F'\t' -v package="$package" '$1 != package' "$manifest" >"$work/manifest" || true
  cp "$work/manifest" "$manifest"

  rm -rf "$work/download" "$work/unpacked"
  mkdir -p "$work/download" "$work/unpacked"
  chmod 0777 "$work/download"
  if ! (cd "$work/download" && apt-get download -q "$package=$version" >/dev/null 2>"$work/apt.log"); then
    echo "$package: download failed:" >&2
    cat "$work/apt.log" >&2
    continue
  fi
  dpkg-deb -x "$work"/download/*.deb "$work/unpacked"
  count="$(collect_modules "$package" "$version" "$work/unpacked")"
  mkdir -p "$dest/$package"
  echo "$version" >"$marker"
  echo "$package $version: $count module files"
  fetched=$((fetched + 1))
done

echo "Collected in $dest: $(($(wc -l <"$manifest") - 1)) module files ($fetched packages fetched now)"
cut -f3 "$manifest" | tail -n +2 | sort | uniq -c | sed 's/^/ /'
