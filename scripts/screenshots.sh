#!/usr/bin/env bash
# Runs the desktop program under a virtual X display with the sample open and
# saves pictures of the main window, the selection dialog, the search dialog
# and the two export dialogs (each after a short export of the sample into a
# temporary folder, and the message box that ends the first of them) into
# docs/screenshots/ (or the folder given as $2).
#   scripts/screenshots.sh [BUILD] [OUT] [DB]
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshots}
db=${3:-samples/names.dxl}
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1400x1000x24" \
  "$build/bin/ferrywell" "$db" --screenshots "$out"
ls -1 "$out"/*.png
