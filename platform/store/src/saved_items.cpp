#include <store/saved_items.h>

#include "file_writes.h"

#include <base/ascii.h>
#include <msg/msg_file.h>
#include <pst/pst_file.h>

#include <algorithm>
#include <filesystem>

namespace store {

namespace fs = std::filesystem;

namespace {

bool HasExtension(const std::string& name, std::string_view extension) {
    return name.size() > extension.size() &&
           base::EqualsIgnoringAsciiCase(std::string_view(name).substr(name.size() - extension.size()), extension);
}

// The regular files of folder whose names pass keep; throws StoreError when
// the folder cannot be listed.
std::vector<fs::directory_entry> FilesOf(const std::string& folder, const std::function<bool(const std::string&)>& keep) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) ThrowFileError(ec.value(), "The folder " + folder + " cannot be read: " + ec.message());
    std::vector<fs::directory_entry> out;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code typeError;
        if (keep(it->path().filename().string()) && it->is_regular_file(typeError)) out.push_back(*it);
    }
    if (ec) ThrowFileError(ec.value(), "The folder " + folder + " cannot be read: " + ec.message());
    return out;
}

enum class Holding { Nothing, Ours, OthersOnly };

// Whether the store holds an item of database; reads only the identities,
// and stops at the first item of database. byFirst: a folder is judged by its
// first item that carries an identity (an export writes one database into a
// PST), so that other databases' files cost a few reads.
Holding WhatStoreHolds(const pst::PstFile& file, const std::string& database, bool byFirst) {
    const std::vector<mapi::PropertyKey> keys = mapi::SourceIdentityKeys();
    bool any = false, ours = false;
    std::vector<pst::Nid> folders{file.RootFolder()};
    while (!folders.empty() && !ours) {
        const pst::Nid folder = folders.back();
        folders.pop_back();
        for (const auto& sub : file.Subfolders(folder)) folders.push_back(sub.nid);
        file.ReadEachMessage(folder, keys, [&](pst::Nid, const mapi::PropertyBag* props) {
            any = true;
            auto id = props ? mapi::GetSourceIdentity(*props) : std::nullopt;
            ours = id && id->database == database;
            return !ours && !(byFirst && id);
        });
    }
    return ours ? Holding::Ours : any ? Holding::OthersOnly : Holding::Nothing;
}

}  // namespace

size_t ForEachSavedItem(const Folder& folder, const SavedItemVisitor& visit, std::vector<uint32_t>* unreadable) {
    size_t foreign = 0;
    const std::vector<mapi::PropertyKey> keys = mapi::SourceIdentityKeys();
    const Items items = folder.GetItems();
    items.ForEachItem(keys, [&](uint32_t itemId, const mapi::PropertyBag* props) {
        std::optional<mapi::PropertyBag> damaged;
        if (!props && (damaged = items.ReadDamagedItem(itemId, keys))) props = &*damaged;
        if (!props && unreadable) unreadable->push_back(itemId);
        auto id = props ? mapi::GetSourceIdentity(*props) : std::nullopt;
        if (id) visit(std::move(*id), itemId, damaged.has_value());
        else ++foreign;
        return true;
    });
    return foreign;
}

SavedItems ListSavedItems(const Folder& folder) {
    SavedItems saved;
    saved.foreign_ = ForEachSavedItem(folder, [&](mapi::SourceIdentity id, uint32_t itemId, bool damaged) {
        if (damaged) ++saved.foreign_;
        else saved.Add(std::move(id), itemId);
    });
    return saved;
}

std::optional<mapi::SourceIdentity> ReadMsgSourceIdentity(const std::string& path) {
    try {
        return mapi::GetSourceIdentity(msg::ReadMsgProperties(path, mapi::SourceIdentityKeys()));
    } catch (const msg::IoError& e) {
        ThrowFileError(e.Errno(), e.what());
    } catch (const msg::FormatError& e) {
        throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not an MSG file: " + e.what());
    }
}

SavedIndex<std::string> ListSavedMsgFiles(const std::string& folder) {
    SavedIndex<std::string> saved;
    for (const auto& entry : FilesOf(folder, [](const std::string& name) { return HasExtension(name, ".msg"); })) {
        try {
            if (auto id = ReadMsgSourceIdentity(entry.path().string())) saved.Add(*id, entry.path().filename().string());
        } catch (const StoreError&) {
            // Not ours to judge: a file that cannot be read is simply not a saved item.
        }
    }
    return saved;
}

PstCandidates FindPstsToContinue(const std::string& folder, const std::string& namePrefix, const std::string& database) {
    auto files = FilesOf(folder, [&](const std::string& name) { return HasExtension(name, ".pst"); });
    std::vector<std::pair<fs::file_time_type, std::string>> byAge;
    for (const auto& f : files) {
        std::error_code ec;
        byAge.emplace_back(f.last_write_time(ec), f.path().string());
    }
    std::sort(byAge.begin(), byAge.end(), [](const auto& a, const auto& b) { return a > b; });
    PstCandidates out;
    for (const auto& [time, path] : byAge) {
        const std::string name = fs::path(path).filename().string();
        const bool named = name.compare(0, namePrefix.size(), namePrefix) == 0;
        try {
            auto file = pst::PstFile::Open(path, false);
            const Holding holding = WhatStoreHolds(*file, database, !named);
            // Another database's file is no candidate at all unless it
            // carries the name this export's files get.
            if (holding == Holding::OthersOnly && !named) continue;
            file->CheckFolders();
            if (holding == Holding::OthersOnly) {
                out.refused.emplace_back(path, "it holds no item of this database");
                continue;
            }
            if (holding == Holding::Nothing && !named) continue;
            if (out.usable.empty()) out.first = CheckedPst(std::move(file));
            out.usable.push_back(path);
            if (holding == Holding::Ours) out.holding.push_back(path);
        } catch (const pst::PstError& e) {
            out.refused.emplace_back(path, e.what());
        }
    }
    return out;
}

}  // namespace store
