#!/usr/bin/env bash
# Builds the DXL reader with clang's libFuzzer and AddressSanitizer and runs
# it for a short while on a seed corpus (the sample and small hand-made files).
# Usage: scripts/fuzz-dxl.sh [SECONDS] [WORKDIR]   (FUZZ_SECONDS overrides SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-${1:-20}}
work=${2:-build/fuzz-dxl}
mkdir -p "$work/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -Iplatform/notesapi/include -Iplatform/notesapi/src \
  platform/notesapi/src/*.cpp fuzz/dxl/dxl_fuzzer.cpp -lexpat -o "$work/dxl_fuzzer"
cp samples/names.dxl "$work/corpus/"
printf "<?xml version='1.0'?><database xmlns='http://www.lotus.com/dxl'><view name='V'><code event='selection'><formula>SELECT Form = \"Person\" &amp; !@IsAvailable(X)</formula></code><column itemname='A' sort='ascending' categorized='true'/></view><document form='Person'><item name='A'><textlist><text>x</text><text>y</text></textlist></item><item name='D'><datetime>20010522T103636,81-04</datetime></item></document></database>" > "$work/corpus/small.dxl"
"$work/dxl_fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$work/corpus" 2>&1 | tail -n 5
