// The loop over one view: its entries read (view_reader.h) and each record
// handed to the target, counted, logged ("Export Items: " and the subject)
// and reported as progress.
#pragma once

#include <cstdint>
#include <set>

namespace exporting {

class ExportTarget;
class RunContext;

// Exports the contact entries of the view at viewIndex (only those in
// entries, for a list export) into the target's prepared folder. A stop
// request ends the view and sets run.stopped; a list export also clears it.
// Returns false when the view cannot be read (logged; the entries asked for
// count as failed).
bool ExportView(RunContext& run, ExportTarget& target, uint32_t viewIndex, const std::set<uint32_t>* entries);

}  // namespace exporting
