# The export dialog's log taking 100,000 lines: from a worker alone, and from
# a PST export of the 100,000-contact database in the dialog.
echo "== Export dialog log"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$1/bin/bench_gui_log" 100000
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$1/bin/bench_gui_log" --export "$2/contacts-100000.dxl"
