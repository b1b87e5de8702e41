// Running an export: the contacts the request selects, read from the
// database and written to the kind of destination it names.
//
// A run happens on the caller's thread (the dialogs start a worker for it)
// and never throws: every failure is logged, counted and reflected in the
// outcome.
#pragma once

#include <exporting/request.h>
#include <exporting/sink.h>

#include <atomic>

namespace exporting {

// Runs the request. `stop` is the stop request, read before each folder and
// each entry: one made before the run starts (an interrupt while the caller
// read the database) stops it before its first contact. The caller clears it
// for a new run; a list export also clears it when it honours it. A request with a problem (CheckRequest) is refused with
// BadOptions, except a missing destination, which the run logs in its own
// words at the point the log has always said it.
ExportOutcome RunExport(const ExportRequest& request, std::atomic<int>& stop, ExportSink& sink);

}  // namespace exporting
