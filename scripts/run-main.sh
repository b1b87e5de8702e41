#!/usr/bin/env bash
# Runs the main job on the bundled sample database: the desktop program with
# the sample open when a display is available, else the command-line tool's
# analysis and list of the sample.
set -euo pipefail
build=${1:-build}
sample=${2:-samples/names.dxl}
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x "$build/bin/ferrywell" ]]; then
  exec "$build/bin/ferrywell" --open "$sample"
fi
"$build/bin/ferrywell-cli" analyse "$sample"
"$build/bin/ferrywell-cli" list "$sample" Contacts
