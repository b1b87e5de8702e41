# An interrupted 100,000-contact PST export finished with --skip-saved,
# against a full export measured in the same run.
echo "== Resuming an export (100,000 contacts, PST)"
/usr/bin/python3 scripts/bench-resume-export.py "$1/bin/ferrywell-cli" "$2/contacts-100000.dxl"
