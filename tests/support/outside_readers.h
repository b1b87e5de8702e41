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
// A command still running after kToolTimeoutSeconds is killed (exit code 124),
// so a reader caught in a loop fails the test instead of hanging it.
inline constexpr int kToolTimeoutSeconds = 120;
int RunTool(const std::string& command, std::string* output = nullptr);
std::string Quote(const std::string& s);

// What pst-extractor (tests/npm/pst-dump.js) reads from a PST file. Property
// keys are hex ids ("3001") or "lid:8083" for numeric named properties.
struct ExtractorItem {
    std::string folder;
    std::map<std::string, std::string> props;
};
struct ExtractorView {
    int exitCode = -1;
    std::string output;  // everything the reader printed
    std::string store;
    std::map<std::string, int> folders;  // path (\Top of Personal Folders\Contacts) -> content count
    std::vector<ExtractorItem> items;
};
// Empty when the JavaScript readers are installed (scripts/install-deps.sh),
// else what is missing.
std::string MissingNodeReaders();
ExtractorView ReadWithPstExtractor(const std::string& pst);

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
