# The export's goals as ratios to limits measured in the same run (bare
# parse plus copy, the slower pass, the 100,000 run); GOALS_QUICK=1 leaves
# out the million-contact run.
/usr/bin/python3 scripts/bench-goals.py "$1" "$2" ${GOALS_QUICK:+--quick}
