#!/usr/bin/env bash
# Builds one libFuzzer target of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build folder of its own) and runs it for a
# while on a copy of its seed folder. Any crash, leak, timeout or memory
# blow-up fails the run; the input that caused it is left in the work folder.
# Usage: scripts/fuzz-run.sh TARGET SEED_FOLDER [SECONDS] [MAX_LEN]
#   FUZZ_BUILD    build folder of the fuzz targets (default build/fuzz-clang)
#   FUZZ_SECONDS  overrides SECONDS (make fuzz runs every target longer)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: fuzz-run.sh TARGET SEED_FOLDER [SECONDS] [MAX_LEN]}
seeds=${2:?usage: fuzz-run.sh TARGET SEED_FOLDER [SECONDS] [MAX_LEN]}
seconds=${FUZZ_SECONDS:-${3:-25}}
max_len=${4:-400000}
build=${FUZZ_BUILD:-build/fuzz-clang}

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFERRYWELL_FUZZ=ON -DFERRYWELL_GUI=OFF >/dev/null
fi
cmake --build "$build" --target "$target" -j"${JOBS:-2}" >/dev/null

work="$build/runs/$target"
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$seeds"/* "$work/corpus/"
echo "fuzzing $target for ${seconds}s from $(ls "$seeds" | wc -l) seeds"
# Leaks only count in our code: Qt and fontconfig keep caches for the
# process (the suppressions name those libraries, as in the sanitizer suite).
export LSAN_OPTIONS="suppressions=$PWD/scripts/sanitizers/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# Each input must finish within seconds and in memory near its size.
"$build/bin/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 -rss_limit_mb=1536 \
  -malloc_limit_mb=1024 -artifact_prefix="$work/artifacts/" -print_final_stats=1 "$work/corpus" \
  >"$work/log" 2>&1 || { tail -n 60 "$work/log"; exit 1; }
grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb" "$work/log" || true
