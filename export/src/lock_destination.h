// A run's claim on its destination: the destination's lock taken, or waited
// for with --wait, and the run refused when another export holds it.
#pragma once

#include "destination_lock.h"

#include <exporting/sink.h>

#include <string>

namespace exporting {

class RunContext;

// Takes the lock of destination (a folder; lockFile, when not empty, is the
// lock file to take in place of the folder's own) for the run. False when
// the run cannot go on: the outcome says why, and *end how it ends.
// *waited (when given) says whether another export held it first.
bool LockDestination(RunContext& run, DestinationLock& lock, const std::string& destination,
                     const std::string& lockFile, bool exclusive, ExportEnd* end, bool* waited = nullptr);

}  // namespace exporting
