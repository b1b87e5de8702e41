#include "continue_directory.h"

#include <exporting/naming.h>

#include <base/ascii.h>
#include <store/saved_items.h>
#include <store/saved_journal.h>

#include <algorithm>
#include <filesystem>

namespace exporting {

namespace fs = std::filesystem;

namespace {

enum class Holding { Nothing, Ours, OthersOnly };

bool EndsWith(const std::string& name, std::string_view extension) {
    return name.size() > extension.size() &&
           base::EqualsIgnoringAsciiCase(std::string_view(name).substr(name.size() - extension.size()), extension);
}

// Every folder of a directory tree, links not followed; *newest gets the
// latest change of one. Throws filesystem_error when a folder cannot be listed.
std::vector<fs::path> FoldersOf(const fs::path& root, fs::file_time_type* newest) {
    std::vector<fs::path> all{root};
    for (size_t n = 0; n < all.size(); ++n) {
        *newest = std::max(*newest, fs::last_write_time(all[n]));
        for (const fs::directory_entry& entry : fs::directory_iterator(all[n]))
            if (fs::is_directory(entry.symlink_status())) all.push_back(entry.path());
    }
    return all;
}

// What the folders hold of database's files of kind. Throws StoreError when
// a journal cannot be read, filesystem_error when a folder cannot be listed.
Holding WhatFoldersHold(const std::vector<fs::path>& folders, const std::string& database, OutputKind kind) {
    const std::string_view extension = Extension(kind);
    bool others = false;
    for (const fs::path& folder : folders) {
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const fs::file_status status = entry.symlink_status();
            const std::string name = entry.path().filename().string();
            if (fs::is_directory(status)) continue;
            if (name == store::kSavedJournalName && fs::is_regular_file(status)) {
                // Read up to the first line of ours, never kept whole: the
                // folder chosen is read again to be continued.
                const bool ours = store::AnySavedLine(folder.string(), [&](const auto& id, const auto& place) {
                    if (id.database == database && EndsWith(place.file, extension)) return true;
                    others = true;
                    return false;
                });
                if (ours) return Holding::Ours;
            } else if (kind == OutputKind::Msg && EndsWith(name, ".msg") && fs::is_regular_file(status)) {
                std::optional<mapi::SourceIdentity> id;
                try {
                    id = store::ReadMsgSourceIdentity(entry.path().string());
                } catch (const store::StoreError&) {
                }
                if (id && id->database == database) return Holding::Ours;
                others = true;
            } else {
                others = true;
            }
        }
    }
    return others ? Holding::OthersOnly : Holding::Nothing;
}

}  // namespace

DirectoryCandidates FindRecoverDataToContinue(const std::string& destination, const std::string& database,
                                              OutputKind kind) {
    std::vector<std::pair<fs::file_time_type, std::string>> byAge;
    DirectoryCandidates out;
    std::error_code ec;
    for (fs::directory_iterator it(destination, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.rfind("RecoverData", 0) != 0 || !fs::is_directory(it->symlink_status(typeError))) continue;
        const std::string path = it->path().string();
        try {
            fs::file_time_type newest = fs::file_time_type::min();
            switch (WhatFoldersHold(FoldersOf(it->path(), &newest), database, kind)) {
            case Holding::Ours:
            case Holding::Nothing: byAge.emplace_back(newest, path); break;
            case Holding::OthersOnly:
                out.refused.emplace_back(path, "it holds no " + std::string(ModeString(kind)) + " file of this database");
                break;
            }
        } catch (const std::exception& e) {
            out.refused.emplace_back(path, e.what());
        }
    }
    std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a > b; });
    for (auto& [time, path] : byAge) out.usable.push_back(std::move(path));
    return out;
}

}  // namespace exporting
