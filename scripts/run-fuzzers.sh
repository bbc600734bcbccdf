#!/usr/bin/env bash
# Runs every fuzz target of the host build for a while. New inputs go to a
# working corpus in the build folder; the checked-in seeds are only read.
# Crashes are written to BUILD/fuzz-findings, each target's output to
# BUILD/fuzz-logs/TARGET.log.
#   usage: scripts/run-fuzzers.sh HOST_BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd) seconds=$2
mkdir -p "$build/fuzz-findings" "$build/fuzz-logs"
for target in "$build"/fuzz/fuzz_*; do
  name=$(basename "$target")
  seeds="fuzz/corpus/${name#fuzz_}"
  work="$build/fuzz-corpus/${name#fuzz_}"
  mkdir -p "$work"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=2048 \
    -artifact_prefix="$build/fuzz-findings/$name-" "$work" "$seeds" 2>&1 | tee "$build/fuzz-logs/$name.log" |
    grep -E '^(#[0-9]+ +DONE|stat::|==[0-9]+==|SUMMARY)' || true
done
