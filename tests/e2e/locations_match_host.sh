#!/usr/bin/env bash
# The modules that take locations instead of files, through tumbor-render.exe
# under Wine and the native tumbor-render:
# - tone names render to the same bytes in both, of the length asked for;
# - a CD track fails to start the same way in both: Wine has no CD drive and
#   the native build's simulated drive is empty, so MCI's message for the
#   failed open is the error, and nothing waits for a device.
#   usage: locations_match_host.sh HOST_BIN_DIR WINDOWS_BIN_DIR WORK_DIR
set -euo pipefail

host_bin=$1 windows_bin=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run_wine() { timeout 60 wine "$windows_bin/tumbor-render.exe" "$@" </dev/null; }

render_tone() {  # render_tone NAME SECONDS ARGS... -> NAME.host.wav, NAME.wine.wav
  local name=$1 seconds=$2; shift 2
  "$host_bin/tumbor-render" --seconds "$seconds" "$@" "$name.host.wav"
  run_wine --seconds "$seconds" "$@" "$name.wine.wav" 2>/dev/null || fail "$name: Wine render failed"
  cmp "$name.host.wav" "$name.wine.wav" || fail "$name: Wine and native output differ"
  local expected=$((44 + $(awk "BEGIN { print int($seconds * 1000 + 0.5) * 441 / 10 * 4 }")))
  [ "$(stat -c %s "$name.host.wav")" -eq "$expected" ] || fail "$name: not $seconds s of 44.1 kHz stereo"
}

render_tone a440 1 tone://440
render_tone low_phased 2.5 --buffer 4096 TONE://63p
render_tone highest 0.7 tone://22050xp
render_tone one_hertz 5 --buffer 8192 tone://1

"$host_bin/tumbor-render" --info tone://63p > info.host
run_wine --info tone://63p 2>/dev/null | tr -d '\r' > info.wine
cmp info.host info.wine || fail "--info differs"
grep -qx "title: Frequency 63Hz, phased" info.host || fail "--info: wrong title"
grep -qx "description: TONE generator module v1.10" info.host || fail "--info: wrong module"

for name in tone://0 tone://22051 tone://; do
  if run_wine "$name" out.wav 2> err.wine; then fail "$name accepted under Wine"; fi
  tr -d '\r' < err.wine | grep -qx "Unknown file format : $name" || fail "$name: Wine message"
done

cd_message="There is an undetectable problem in loading the specified device driver."
for track in 'X:\TRACK01.CDA' 'd:\track12.cda'; do
  if "$host_bin/tumbor-render" "$track" out.wav 2> err.host; then fail "$track started natively"; fi
  grep -qx "$cd_message" err.host || fail "$track: native message: $(cat err.host)"
  status=0
  run_wine "$track" out.wav 2> err.wine || status=$?
  [ "$status" -eq 1 ] || fail "$track: Wine exit status $status, not 1"
  tr -d '\r' < err.wine | grep -qx "$cd_message" || fail "$track: Wine message: $(cat err.wine)"
done

[ $failures -eq 0 ] && echo "locations_match_host: all checks passed"
exit $failures
