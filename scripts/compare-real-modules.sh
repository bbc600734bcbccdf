#!/usr/bin/env bash
# Renders every module under MODULE_DIR with our tumbor-render and with the
# reference players openmpt123 and xmp (each playing the song once), and
# compares lengths and loudness envelopes. Developer tooling: never run by tests.
#
#   scripts/compare-real-modules.sh [BUILD_DIR] [MODULE_DIR] [-- OPTIONS]
#
# BUILD_DIR defaults to build/host (any build with bin/tumbor-render and
# Strm_TRK beside it; a Release build without sanitizers is much faster),
# MODULE_DIR to build/real-modules (see fetch-real-modules.sh). Results go to
# COMPARE_OUT (default BUILD_DIR/real-compare): results.tsv and one envelope
# table a song. OPTIONS go to `module_compare.py compare`, for example
# --match 'freedroid' or --timeout 600; see its --help. The tuning of single
# notes and the lengths of timing corner cases, both built in code, follow
# (module_compare.py pitch, timing).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$root/build/host"
modules="$root/build/real-modules"
if [ $# -gt 0 ] && [ "$1" != -- ]; then build="$1"; shift; fi
if [ $# -gt 0 ] && [ "$1" != -- ]; then modules="$1"; shift; fi
[ "${1:-}" = -- ] && shift

render="$build/bin/tumbor-render"
if [ ! -x "$render" ]; then
  echo "compare-real-modules: $render is missing; build it with" >&2
  echo "  cmake --build $build --target tumbor-render Strm_TRK" >&2
  exit 1
fi
if [ ! -d "$modules" ]; then
  echo "compare-real-modules: no $modules; collect songs with scripts/fetch-real-modules.sh" >&2
  exit 1
fi

missing=()
command -v openmpt123 >/dev/null || missing+=(openmpt123)
command -v xmp >/dev/null || missing+=(xmp)
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

out="${COMPARE_OUT:-$build/real-compare}"
echo "Ours: $render"
echo "References: $(openmpt123 --short-version 2>/dev/null | head -n 1 | sed 's/^/openmpt123 /'), $(xmp --version 2>&1 | head -n 1)"
status=0
python3 "$here/module_compare.py" compare "$render" "$modules" "$out" "$@" || status=$?
echo
python3 "$here/module_compare.py" pitch "$render" || status=$?
echo
python3 "$here/module_compare.py" timing "$render" || status=$?
exit "$status"
