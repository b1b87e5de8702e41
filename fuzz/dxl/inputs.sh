#!/usr/bin/env bash
# More seeds and large inputs for dxl_fuzz (see scripts/fuzz-run.sh): the
# sample databases (one with attached files and pictures) and a small
# database that holds every item kind the reader knows as seeds; databases
# too large to mutate quickly (formulas of 60,000 to 100,000 terms, 2,000
# categories, big texts) read once.
# Usage: fuzz/dxl/inputs.sh CORPUS LARGE
set -euo pipefail
cd "$(dirname "$0")/../.."
corpus=${1:?usage: inputs.sh CORPUS LARGE}
large=${2:?usage: inputs.sh CORPUS LARGE}
cp samples/names.dxl samples/attachments.dxl "$corpus/"
printf "<?xml version='1.0'?><database xmlns='http://www.lotus.com/dxl'><view name='V'><code event='selection'><formula>SELECT Form = \"Person\" &amp; !@IsAvailable(X)</formula></code><column itemname='A' sort='ascending' categorized='true'/></view><document form='Person'><item name='A'><textlist><text>x</text><text>y</text></textlist></item><item name='D'><datetime>20010522T103636,81-04</datetime></item></document></database>" > "$corpus/small.dxl"
for shape in or-chain:60000 and-chain:60000 colon-list:100000 list-compare:20000 categories:2000 big-text:2; do
  scripts/make-hostile-dxl.py "${shape%%:*}" "$large/${shape%%:*}.dxl" "${shape##*:}" 5
done
