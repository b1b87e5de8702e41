# Output kinds: 10,000 contacts each, 100,000 CSV rows.
echo "== Item files"
"$1/bin/bench_conversions"
