#!/usr/bin/env bash
# Runs every benchmark on generated inputs. Large inputs are made once in
# BUILD/bench-data and kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
data="$build/bench-data"
mkdir -p "$data"
large="$data/contacts-100000.dxl"
[ -f "$large" ] || /usr/bin/python3 scripts/make-large-dxl.py 100000 "$large"
echo "== Notes layer"
"$build/bin/notesapi_bench" "$large"
# Every benchmark runs even when an earlier one misses its target; the
# status says whether any did.
status=0
for extra in scripts/bench.d/*.sh; do
  [ -f "$extra" ] || continue
  bash "$extra" "$build" "$data" || status=1
done
exit $status
