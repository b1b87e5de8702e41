#!/usr/bin/env bash
# Runs the main job on the bundled sample database.
set -euo pipefail
build=${1:-build}
sample=${2:-samples/names.dxl}
"$build/bin/ferrywell-cli" analyse "$sample"
"$build/bin/ferrywell-cli" list "$sample" Contacts
