#!/usr/bin/env bash
# Runs one libFuzzer target of fuzz/ for a while on a copy of its seeds,
# building it first in the AddressSanitizer build (scripts/sanitizer-build.sh)
# when needed. Any crash, leak, timeout or memory blow-up fails the run; the
# input that caused it is left in the work folder.
# Usage: scripts/fuzz-run.sh TARGET SEEDS [SECONDS] [MAX_LEN] [INPUTS]
#   SEEDS         folders or files, separated by ':'
#   INPUTS        a script called as INPUTS CORPUS LARGE: it adds seeds to the
#                 folder CORPUS and writes inputs too large to mutate quickly
#                 into LARGE, which the target reads once, with twice the time
#                 and more memory, before fuzzing
#   FUZZ_BUILD    the build folder (default build-asan)
#   FUZZ_SECONDS  overrides SECONDS (make fuzz runs every target longer)
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: fuzz-run.sh TARGET SEEDS [SECONDS] [MAX_LEN] [INPUTS]"
target=${1:?$usage}
seeds=${2:?$usage}
seconds=${FUZZ_SECONDS:-${3:-10}}
max_len=${4:-400000}
inputs=${5:-}
build=${FUZZ_BUILD:-build-asan}

scripts/sanitizer-build.sh asan "$build" "$target" >/dev/null
# libFuzzer's own sanitizer settings, not those of the unit tests' runs.
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

work="$build/fuzz-runs/$target"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/large" "$work/artifacts"
IFS=: read -r -a seed_list <<<"$seeds"
for s in "${seed_list[@]}"; do
  if [ -d "$s" ]; then cp "$s"/* "$work/corpus/"; else cp "$s" "$work/corpus/"; fi
done
if [ -n "$inputs" ]; then
  "$inputs" "$work/corpus" "$work/large"
  echo "reading $(ls "$work/large" | wc -l) large inputs once"
  "$build/bin/$target" -timeout=20 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" "$work/large"/* \
    >"$work/large.log" 2>&1 || { tail -n 60 "$work/large.log"; exit 1; }
fi
echo "fuzzing $target for ${seconds}s from $(ls "$work/corpus" | wc -l) seeds"
# Leaks only count in our code: Qt and fontconfig keep caches for the
# process (the suppressions name those libraries, as in the sanitizer suite).
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0"
# Each input must finish within seconds and in memory near its size.
"$build/bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=1536 \
  -malloc_limit_mb=1024 -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" \
  >"$work/log" 2>&1 || { tail -n 60 "$work/log"; exit 1; }
grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$work/log" || true
