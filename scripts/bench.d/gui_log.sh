# The export dialog's log taking 100,000 lines from an export.
echo "== Export dialog log"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$1/bin/bench_gui_log" 100000
