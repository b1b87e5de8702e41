#!/usr/bin/env bash
# Builds the DXL reader with clang's libFuzzer and AddressSanitizer, runs it
# once on crafted files (fuzz/dxl/seeds, and files too large to mutate quickly
# made by make-hostile-dxl.py), then for a short while on a seed corpus (the
# sample and small hand-made files).
# Usage: scripts/fuzz-dxl.sh [SECONDS] [WORKDIR]   (FUZZ_SECONDS overrides SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-${1:-20}}
work=${2:-build/fuzz-dxl}
mkdir -p "$work/corpus" "$work/large"
scripts/build-notesapi-fuzzer.sh fuzz/dxl/dxl_fuzzer.cpp "$work/dxl_fuzzer"
cp samples/names.dxl fuzz/dxl/seeds/* "$work/corpus/"
cp fuzz/dxl/seeds/* "$work/large/"
for shape in or-chain:60000 and-chain:60000 colon-list:100000 list-compare:20000 categories:2000 big-text:2; do
  scripts/make-hostile-dxl.py "${shape%%:*}" "$work/large/${shape%%:*}.dxl" "${shape##*:}" 5
done
printf "<?xml version='1.0'?><database xmlns='http://www.lotus.com/dxl'><view name='V'><code event='selection'><formula>SELECT Form = \"Person\" &amp; !@IsAvailable(X)</formula></code><column itemname='A' sort='ascending' categorized='true'/></view><document form='Person'><item name='A'><textlist><text>x</text><text>y</text></textlist></item><item name='D'><datetime>20010522T103636,81-04</datetime></item></document></database>" > "$work/corpus/small.dxl"
"$work/dxl_fuzzer" -timeout=20 -rss_limit_mb=2048 "$work/large"/* 2>&1 | tail -n 2
"$work/dxl_fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$work/corpus" 2>&1 | tail -n 5
