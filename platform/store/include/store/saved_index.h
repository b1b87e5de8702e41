// What earlier exports wrote into one place (a folder of a store, a folder of
// files): for each source document, its identity as written and where the
// result lies. Lookups by source database and universal id.
//
// A document can lie in more than one place of a folder: a view that lists it
// twice (once per category) writes it twice, and so do two runs without the
// check. Each place is kept, newest first; the first is the one Find and
// StateOf answer for, and a run that meets the document again a second time
// in the same view pairs it with the second (Find(database, unid, 1)).
#pragma once

#include <mapi/source_identity.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store {

template <class Where>
class SavedIndex {
public:
    struct Entry {
        mapi::SourceIdentity identity;
        Where where;
    };

    // Records one written result. A record of a place the document already
    // has replaces that one (the place was written again); otherwise the
    // place is added, before the places whose identity is not newer (so of
    // two equal ones the later record comes first). Every record of a
    // document after its first counts as superseded.
    void Add(const mapi::SourceIdentity& identity, Where where) {
        auto [it, added] = entries_.try_emplace(Key(identity.database, identity.unid));
        std::vector<Entry>& places = it->second;
        if (!added) ++superseded_;
        places.erase(std::remove_if(places.begin(), places.end(), [&](const Entry& e) { return e.where == where; }),
                     places.end());
        auto at = std::find_if(places.begin(), places.end(), [&](const Entry& e) {
            return mapi::CompareWithSaved(&identity, e.identity) != mapi::SavedState::Changed;
        });
        places.insert(at, Entry{identity, std::move(where)});
    }

    // Forgets the document's record at where (something else was written
    // there since).
    void Remove(std::string_view database, std::string_view unid, const Where& where) {
        auto it = entries_.find(Key(database, unid));
        if (it == entries_.end()) return;
        std::vector<Entry>& places = it->second;
        places.erase(std::remove_if(places.begin(), places.end(), [&](const Entry& e) { return e.where == where; }),
                     places.end());
        if (places.empty()) entries_.erase(it);
    }

    // The document's newest record, or its n-th place (newest first); null
    // when there is none.
    const Entry* Find(std::string_view database, std::string_view unid, size_t n = 0) const {
        auto it = entries_.find(Key(database, unid));
        return it == entries_.end() || n >= it->second.size() ? nullptr : &it->second[n];
    }
    // How the document stands against its newest record.
    mapi::SavedState StateOf(const mapi::SourceIdentity& current) const {
        const Entry* e = Find(current.database, current.unid);
        return mapi::CompareWithSaved(e ? &e->identity : nullptr, current);
    }

    // Documents recorded, and records beyond the first of each.
    size_t Size() const { return entries_.size(); }
    size_t Superseded() const { return superseded_; }
    // Calls visit(entry) for every place of every document.
    template <class Visit>
    void ForEach(Visit visit) const {
        for (const auto& [key, places] : entries_)
            for (const Entry& e : places) visit(e);
    }

private:
    static std::string Key(std::string_view database, std::string_view unid) {
        std::string key;
        key.reserve(database.size() + unid.size() + 1);
        key.append(unid).append(1, '\n').append(database);
        return key;
    }
    std::unordered_map<std::string, std::vector<Entry>> entries_;
    size_t superseded_ = 0;
};

}  // namespace store
