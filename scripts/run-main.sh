#!/usr/bin/env bash
# Runs the main job on the bundled sample database: the desktop program with
# the sample open when a display is available; without one, the command-line
# export of the sample into a new PST file, then what that file holds (its
# folders and their contacts, read back with lspst).
set -euo pipefail
build=${1:-build}
sample=${2:-samples/names.dxl}
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x "$build/bin/ferrywell" ]]; then
  exec "$build/bin/ferrywell" --open "$sample"
fi
out=$(mktemp -d "${TMPDIR:-/tmp}/ferrywell-run-XXXXXX")
trap 'rm -rf "$out"' EXIT
# A profile of its own, so the run leaves the user's default profile alone.
export FERRYWELL_PROFILE="$out/profile"
echo "== ferrywell-cli export $sample --as pst (log: last lines)"
status=0
"$build/bin/ferrywell-cli" export "$sample" --as pst --to "$out" >"$out/log.txt" || status=$?
tail -n 4 "$out/log.txt"
pst=$(find "$out" -maxdepth 1 -name '*.pst' | head -n 1)
if [[ -z "$pst" ]]; then
  echo "no PST file was written (exit status $status)" >&2
  exit 1
fi
echo "== $(basename "$pst"): $(stat -c %s "$pst") bytes"
lspst "$pst" | awk -F'\t' '
  /^Folder "/ { if (name != "") printf "%-14s %d contacts\n", name, n; name = $0; sub(/^Folder "/, "", name); sub(/"$/, "", name); n = 0; next }
  /^Contact/ { n++; total++ }
  END { if (name != "") printf "%-14s %d contacts\n", name, n; printf "%-14s %d contacts\n", "total", total }'
exit "$status"
