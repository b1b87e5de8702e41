// What earlier exports wrote into one place (a folder of a store, a folder of
// files): for each source document, its identity as written and where the
// result lies. Lookups by source database and universal id.
//
// A document can lie in more than one place of a folder: a view that lists it
// twice (once per category) writes it twice, and so do two runs without the
// check. Each place is kept, newest first; the first is the one Find and
// StateOf answer for, and a run that meets the document again a second time
// in the same view pairs it with the second (Find(database, unid, 1)).
//
// A folder can hold a million records, so each is kept once, in one node:
// the places of a document are chained through their nodes, and the lookup
// table holds only the index of each document's first node, not its key.
#pragma once

#include <base/ref_table.h>

#include <mapi/source_identity.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace store {

template <class Where>
class SavedIndex {
public:
    struct Entry {
        mapi::SourceIdentity identity;
        Where where;
    };
    // A record's node, for At: valid until the record is removed or
    // replaced (an Add of the same document and place).
    using Handle = uint32_t;

    // Records one written result. A record of a place the document already
    // has replaces that one (the place was written again); otherwise the
    // place is added, before the places whose identity is not newer (so of
    // two equal ones the later record comes first). Every record of a
    // document after its first counts as superseded.
    Handle Add(mapi::SourceIdentity identity, Where where) {
        const uint32_t hash = Hash(identity.database, identity.unid);
        uint32_t& head = documents_.Slot(hash, Same(identity.database, identity.unid),
                                         [this](uint32_t n) { return nodes_[n].hash; });
        if (head != base::RefTable::kNone) {
            ++superseded_;
            Unlink(&head, where);
        }
        // The place among the document's: before the first one not newer.
        uint32_t* link = &head;
        while (*link != base::RefTable::kNone &&
               mapi::CompareWithSaved(&identity, nodes_[*link].entry.identity) == mapi::SavedState::Changed)
            link = &nodes_[*link].next;
        const uint32_t n = NewNode(Node{Entry{std::move(identity), std::move(where)}, *link, hash});
        *link = n;
        return n;
    }

    // Forgets the document's record at where (something else was written
    // there since).
    void Remove(std::string_view database, std::string_view unid, const Where& where) {
        const uint32_t hash = Hash(database, unid);
        if (documents_.Find(hash, Same(database, unid)) == base::RefTable::kNone) return;
        uint32_t& head = documents_.Slot(hash, Same(database, unid), [this](uint32_t n) { return nodes_[n].hash; });
        Unlink(&head, where);
        if (head == base::RefTable::kNone) documents_.Erase(head);
    }

    // The document's newest record, or its n-th place (newest first); null
    // when there is none.
    const Entry* Find(std::string_view database, std::string_view unid, size_t n = 0) const {
        return Nth(documents_.Find(Hash(database, unid), Same(database, unid)), n);
    }
    // The same in two steps, for a caller that keeps something of its own
    // for each document: the node of the document's newest record (kNone
    // when there is none; valid until a record of the document is added or
    // removed), then its n-th place from there.
    static constexpr Handle kNone = base::RefTable::kNone;
    Handle First(std::string_view database, std::string_view unid) const {
        return documents_.Find(Hash(database, unid), Same(database, unid));
    }
    const Entry* Nth(Handle first, size_t n) const {
        uint32_t node = first;
        for (; node != base::RefTable::kNone && n > 0; --n) node = nodes_[node].next;
        return node == base::RefTable::kNone ? nullptr : &nodes_[node].entry;
    }
    // Nodes made so far: every Handle is below it.
    size_t Nodes() const { return nodes_.size(); }
    const Entry& At(Handle node) const { return nodes_[node].entry; }
    // How the document stands against its newest record.
    mapi::SavedState StateOf(const mapi::SourceIdentity& current) const {
        const Entry* e = Find(current.database, current.unid);
        return mapi::CompareWithSaved(e ? &e->identity : nullptr, current);
    }

    // Documents recorded, and records beyond the first of each.
    size_t Size() const { return documents_.Size(); }
    size_t Superseded() const { return superseded_; }
    // Calls visit(entry) for every place of every document, in no
    // particular order.
    template <class Visit>
    void ForEach(Visit visit) const {
        for (const Node& node : nodes_)
            if (node.next != kFree) visit(node.entry);
    }

private:
    static constexpr uint32_t kFree = base::RefTable::kNone - 1;  // a node of no record, for reuse

    struct Node {
        Entry entry;
        uint32_t next;  // the document's next place, or kNone
        uint32_t hash;  // of the document's names
    };

    static uint32_t Hash(std::string_view database, std::string_view unid) {
        const size_t h = std::hash<std::string_view>{}(unid) ^ (std::hash<std::string_view>{}(database) * 0x9E3779B97F4A7C15ull);
        return uint32_t(h ^ (h >> 32));
    }
    auto Same(std::string_view database, std::string_view unid) const {
        return [this, database, unid](uint32_t n) {
            const mapi::SourceIdentity& id = nodes_[n].entry.identity;
            return id.unid == unid && id.database == database;
        };
    }

    // Takes out of the chain at *link every node at where.
    void Unlink(uint32_t* link, const Where& where) {
        while (*link != base::RefTable::kNone) {
            Node& node = nodes_[*link];
            if (!(node.entry.where == where)) {
                link = &node.next;
                continue;
            }
            const uint32_t gone = *link;
            *link = node.next;
            node = Node{Entry{}, kFree, 0};  // its memory goes now
            free_.push_back(gone);
        }
    }
    uint32_t NewNode(Node node) {
        if (free_.empty()) {
            nodes_.push_back(std::move(node));
            return uint32_t(nodes_.size() - 1);
        }
        const uint32_t n = free_.back();
        free_.pop_back();
        nodes_[n] = std::move(node);
        return n;
    }

    // A deque: growing moves no record (and keeps what Find gave valid).
    std::deque<Node> nodes_;
    std::vector<uint32_t> free_;
    base::RefTable documents_;  // by database and universal id: the first node of each document
    size_t superseded_ = 0;
};

}  // namespace store
