// One pass of the DXL scanner over a file, or over a piece of it: the
// index is built by one pass over the whole file, or by passes over pieces
// that each begin with a document, run side by side and joined.
#pragma once

#include "index.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace notesapi {

struct ScanPart {
    int fd = -1;
    uint64_t fileSize = 0;
    // A piece after the first is parsed as bytes [0, prefixSize) of the file
    // (its declarations and the database's start tag) followed by bytes
    // [begin, fileSize): in the context it has in the file.
    uint64_t prefixSize = 0;
    uint64_t begin = 0;
    // Where the next piece begins: the pass ends at the first event there.
    uint64_t stopAt = UINT64_MAX;
    // Item names whose values are kept from the first document on.
    std::vector<std::string> summarised;
    // Called once, as the first document starts: its offset, the end of the
    // database's start tag, and the names summarised by then.
    std::function<void(uint64_t, uint64_t, const std::vector<std::string>&)> atFirstDocument;
    const std::atomic<bool>* cancel = nullptr;  // checked between reads
};

enum class ScanEnd {
    Complete,   // the whole file parsed
    Stopped,    // at stopAt, where a document starts at the database's top level
    Unsure,     // past stopAt, but not at such a document there
    Failed,     // not a DXL file, or not well-formed: failure says why
    Cancelled,
};

struct ScanResult {
    ScanEnd end = ScanEnd::Complete;
    Failure failure;
    // By string id of the index: the first document whose values of that
    // item are kept, or kNotSummarised.
    std::vector<uint32_t> summaryStart;
    static constexpr uint32_t kNotSummarised = UINT32_MAX;
    static ScanResult Ended(ScanEnd end, Failure failure = std::nullopt) {
        ScanResult r;
        r.end = end;
        r.failure = std::move(failure);
        return r;
    }
};

// How a file is split for its scan: into pieces of at least minBytes each,
// at most maxPieces of them (0: one a core, at most four).
struct PieceLimits {
    uint64_t minBytes = 16 << 20;
    size_t maxPieces = 0;
};

// BuildIndex with the pieces' limits given.
Failure BuildIndex(const std::string& path, const PieceLimits& limits, std::shared_ptr<const DatabaseIndex>* out);

// Scans part of the file named path (name is its file name, for messages)
// into index.
ScanResult ScanDxl(const ScanPart& part, DatabaseIndex* index, const std::string& path, const std::string& name);

}  // namespace notesapi
