# Both exports of the 100,000-contact view "Contacts", every kind (PDF over
# its first 2,000 rows), and a 5 MB split over 30,000 contacts.
echo "== Exports"
"$1/bin/export_bench" "$2/contacts-100000.dxl"
