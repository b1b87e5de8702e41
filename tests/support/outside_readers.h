// Helpers for tests that check PST files with outside readers (pst-utils and
// pff-tools): parse pffexport's item value dumps. Running tools and
// temporary folders come from tool_runner.h and test_files.h.
#pragma once

#include "test_files.h"
#include "tool_runner.h"

#include <mapi/property.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// One item of a pffexport dump (-d): property values keyed by property id,
// named properties by the long id they map to.
struct PffItem {
    std::filesystem::path folder;
    std::map<uint32_t, std::vector<uint8_t>> values;
    std::optional<std::string> Text(uint32_t id) const;  // UTF-16LE value as UTF-8
};
// Exports the PST with pffexport and reads every item's dump (not folders').
std::vector<PffItem> PffExportItems(const std::string& pst, const std::string& workDir);

// The older name of ReadFile.
inline std::string ReadWhole(const std::string& path) { return ReadFile(path); }

}  // namespace testsupport
