// Where a contact or a distribution list came from.
#pragma once

#include <cstdint>
#include <string>

namespace contacts {

// The source document an output was made from, so that a later run finds
// what it wrote before and tells whether the document changed since.
struct Origin {
    std::string database;  // the database's identity ("replica:852571E80054A1B2", "file:...")
    std::string unid;      // the document's universal id
    int64_t modified = 0;  // the document's modification time: 100 ns since 1601-01-01 UTC
    uint32_t sequence = 0;  // the document's sequence number
    bool Valid() const { return !database.empty() && !unid.empty(); }
    bool operator==(const Origin&) const = default;
};

}  // namespace contacts
