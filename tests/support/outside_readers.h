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

// What pst-extractor (tests/npm/pst-dump.js) reads from a PST file. Property
// keys are hex ids ("3001"), "lid:8083" for numeric named properties or
// "name:Keywords" for string-named ones.
// An attachment as pst-dump.js and msg-dump.js print it.
struct ReadAttachment {
    std::string name;
    std::string mimeType;
    bool contactPhoto = false;
    std::string bytes;
    bool operator==(const ReadAttachment&) const = default;
};
// The attachment lines of either dump's output, in order.
std::vector<ReadAttachment> AttachmentsIn(const std::string& output);

struct ExtractorItem {
    std::string folder;
    std::map<std::string, std::string> props;
    std::map<std::string, std::vector<std::string>> lists;  // multi-valued texts
    std::vector<ReadAttachment> attachments;
};
struct ExtractorView {
    int exitCode = -1;
    std::string output;  // everything the reader printed
    std::string store;
    std::map<std::string, int> folders;  // path (\Top of Personal Folders\Contacts) -> content count
    std::vector<ExtractorItem> items;
};
// The bytes of a hex text as pst-dump.js prints binaries.
mapi::Binary BytesFromHex(const std::string& hex);
// A multi-valued binary as a PST stores it (the count, an offset per value,
// the values) split into its values.
mapi::MultiBinary SplitPstMultiBinary(const mapi::Binary& raw);

// Empty when the JavaScript readers are installed (scripts/install-deps.sh),
// else what is missing.
std::string MissingNodeReaders();
ExtractorView ReadWithPstExtractor(const std::string& pst);
// The key pst-dump.js (and msg-dump.js) print for a property.
std::string ExtractorKey(const mapi::PropertyKey& key);

// One item of a pffexport dump (-d): property values keyed by property id,
// named properties by the long id they map to.
struct PffItem {
    std::filesystem::path folder;
    std::map<uint32_t, std::vector<uint8_t>> values;
    std::map<std::string, std::vector<uint8_t>> named;  // properties named by a string
    std::optional<std::string> Text(uint32_t id) const;  // UTF-16LE value as UTF-8
    std::map<std::string, std::string> files;  // the attachments pffexport wrote, by name
};
// Exports the PST with pffexport and reads every item's dump (not folders').
std::vector<PffItem> PffExportItems(const std::string& pst, const std::string& workDir);

}  // namespace testsupport
