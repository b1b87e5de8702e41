# List fill of the desktop program on the 100,000-contact database.
echo "== Desktop list fill"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$1/bin/bench_gui_list" "$2/contacts-100000.dxl"
