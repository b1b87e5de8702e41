// What earlier exports wrote into one place (a folder of a store, a folder of
// files): for each source document, its identity as written and where the
// result lies. Lookups by source database and universal id.
#pragma once

#include <mapi/source_identity.h>

#include <string>
#include <string_view>
#include <unordered_map>

namespace store {

template <class Where>
class SavedIndex {
public:
    struct Entry {
        mapi::SourceIdentity identity;
        Where where;
    };

    // Records one written result. Of two for the same document the newer
    // identity stays (the later record when they are equal); the other
    // counts as superseded.
    void Add(const mapi::SourceIdentity& identity, Where where) {
        auto [it, added] = entries_.try_emplace(Key(identity.database, identity.unid), Entry{identity, where});
        if (added) return;
        ++superseded_;
        if (mapi::CompareWithSaved(&identity, it->second.identity) != mapi::SavedState::Changed)
            it->second = Entry{identity, std::move(where)};
    }

    const Entry* Find(std::string_view database, std::string_view unid) const {
        auto it = entries_.find(Key(database, unid));
        return it == entries_.end() ? nullptr : &it->second;
    }
    // How the document stands against what was written for it.
    mapi::SavedState StateOf(const mapi::SourceIdentity& current) const {
        const Entry* e = Find(current.database, current.unid);
        return mapi::CompareWithSaved(e ? &e->identity : nullptr, current);
    }

    size_t Size() const { return entries_.size(); }
    size_t Superseded() const { return superseded_; }
    const std::unordered_map<std::string, Entry>& Entries() const { return entries_; }

private:
    static std::string Key(std::string_view database, std::string_view unid) {
        std::string key;
        key.reserve(database.size() + unid.size() + 1);
        key.append(unid).append(1, '\n').append(database);
        return key;
    }
    std::unordered_map<std::string, Entry> entries_;
    size_t superseded_ = 0;
};

}  // namespace store
