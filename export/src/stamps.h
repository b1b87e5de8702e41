// The time stamps in the names an export makes, from the local time now,
// without leading zeros or padding.
#pragma once

#include <string>

namespace exporting {

// A new PST file's stamp: day, month, year, hour, minute, second and
// millisecond as "%d-%d-%d %d %d %d %d" (tree export) or "%d%d%d-%d%d%d%d"
// (list export).
std::string PstStamp(bool listExport);

// The RecoverData directory's stamp: hour, minute, second and millisecond,
// "%d%d%d%d".
std::string RecoverDataStamp();

}  // namespace exporting
