#include <notesapi/database_identity.h>

#include <base/hash.h>

#include "index.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace notesapi {

std::string CanonicalPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::string DatabaseIdentity(const LNDatabase& db) {
    if (!db.IsOpen()) return {};
    const LNReplicaID replica = db.GetReplicaID();
    if (!replica.IsNull()) return "replica:" + replica.GetText().str();
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(base::Fnv1a64(CanonicalPath(db.GetFilePath().str()))));
    return std::string("file:") + hex;
}

}  // namespace notesapi
