// The two kinds of run over a connected target: a tree export (every contact
// of each folder record, a folder each) and a list export (the ticked entries
// of one view). Each writes its own log lines in its own order.
#pragma once

#include <exporting/sink.h>

namespace exporting {

class ExportTarget;
class RunContext;

ExportOutcome ExportFolders(RunContext& run, ExportTarget& target);
ExportOutcome ExportListedEntries(RunContext& run, ExportTarget& target);

}  // namespace exporting
