# Incremental runs of a 100,000-contact PST export with --skip-saved
# (resumed after a kill at 60%, nothing to write, one contact changed) as
# ratios to a full export measured in the same run, with the load.
echo "== Resuming an export (100,000 contacts, PST)"
/usr/bin/python3 scripts/bench-resume-export.py "$1/bin/ferrywell-cli" "$2/contacts-100000.dxl"
