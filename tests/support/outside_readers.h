// Helpers for tests that check PST files with outside readers (pst-utils and
// pff-tools): run a tool, parse pffexport's item value dumps, temp folders.
#pragma once

#include <mapi/property.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// True when the program is on PATH.
bool HaveTool(const std::string& name);
// Runs a shell command; returns its exit code and fills output (stdout+stderr).
int RunTool(const std::string& command, std::string* output = nullptr);
std::string Quote(const std::string& s);

// A fresh folder under the system temporary folder, removed at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// One item of a pffexport dump (-d): property values keyed by property id,
// named properties by the long id they map to.
struct PffItem {
    std::filesystem::path folder;
    std::map<uint32_t, std::vector<uint8_t>> values;
    std::optional<std::string> Text(uint32_t id) const;  // UTF-16LE value as UTF-8
};
// Exports the PST with pffexport and reads every item's dump (not folders').
std::vector<PffItem> PffExportItems(const std::string& pst, const std::string& workDir);

std::string ReadWhole(const std::string& path);

}  // namespace testsupport
