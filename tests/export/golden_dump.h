// Canonical text of what an export wrote, for comparing whole exports with
// stored results: every file under a folder in name order, text kinds as
// they are, PDFs as their text and page count, MSG files and PST stores as
// every property of every item read back with our own readers. Values that
// differ from run to run (times of writing, stamps in names, entry ids and
// keys) are left out.
#pragma once

#include <filesystem>
#include <string>

namespace exporttest {

// The dump of every file below folder: "=== <path>" and the file's dump. A
// folder name "RecoverData<stamp>" is shown as "RecoverData", a PST file's
// name without its stamp.
std::string DumpExport(const std::filesystem::path& folder);

// One line per file of a dump: its path, the length of its dump and a hash
// of it (64-bit FNV-1a), for results too large to store whole.
std::string DigestOfDump(const std::string& dump);

}  // namespace exporttest
