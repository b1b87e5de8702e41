#!/usr/bin/env bash
# Builds the formula parser and evaluation with clang's libFuzzer and
# AddressSanitizer, runs it once on formulas too large to mutate quickly
# (chains of 100,000 terms, two lists of 20,000 values compared), then for a
# short while on the hand-made seeds in fuzz/formula/seeds.
# Usage: scripts/fuzz-formula.sh [SECONDS] [WORKDIR]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
work=${2:-build/fuzz-formula}
mkdir -p "$work/corpus" "$work/large"
scripts/build-notesapi-fuzzer.sh fuzz/formula/formula_fuzzer.cpp "$work/formula_fuzzer"
cp fuzz/formula/seeds/* "$work/corpus/"
python3 - "$work/large" <<'PY'
import sys
out = sys.argv[1]
def write(name, text):
    with open(out + "/" + name, "w") as f:
        f.write(text)
write("or-chain.txt", " | ".join('Form = "X%d"' % i for i in range(100000)))
write("and-chain.txt", " & ".join('Form != "X%d"' % i for i in range(100000)))
write("colon-list.txt", "Form = " + ":".join('"X%d"' % i for i in range(100000)))
write("list-compare.txt", ":".join('"a%d"' % i for i in range(20000)) + " = " +
      ":".join('"b%d"' % i for i in range(20000)))
PY
"$work/formula_fuzzer" -timeout=10 -rss_limit_mb=2048 "$work/large"/* 2>&1 | tail -n 2
"$work/formula_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 "$work/corpus" 2>&1 | tail -n 5
