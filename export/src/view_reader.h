// The reading half of an export: the contact entries of one view, each
// document read into a record (a Person's values, or a Group with its members
// resolved), handed on in view order. What becomes of a record is the writing
// half's business (view_export.h), so that the two can run apart.
#pragma once

#include "group_record.h"

#include <exporting/contact_map.h>

#include <notes/session.h>

#include <mapi/source_identity.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace exporting {

struct PreparedFile;

// Lowers the calling thread's priority below the writing thread's: for a
// thread that reads ahead of the writing.
void YieldToTheWriter();

// One contact entry of a view, read.
struct ViewItem {
    uint32_t entry = 0;     // its entry index in the view (the list's "NO")
    bool readable = false;  // false: its document could not be opened
    std::string unreadable;  // why, when it could not
    // The target saved the document before and it has not changed since: it
    // is left without being read. name is what it is logged as (empty: the
    // target's subject of contact, read only then).
    bool alreadySaved = false;
    std::string name;
    // When readable: a Group document becomes a distribution list (group);
    // any other document is read as a contact.
    ContactRecord contact;
    std::optional<GroupRecord> group;
    // Its document was opened to read it (a saved one whose name the index
    // keeps is not).
    bool opened = false;
    // Where it comes from: the database and the document's universal id,
    // modification time and sequence; not Valid() when the database or the
    // document carries no identity. A group's time is the latest of its own
    // and of every Person and Group document, since its members are
    // resolved through them. Left empty for one already saved.
    mapi::SourceIdentity source;
    // What the target made of the contact ahead of writing it (target.h).
    std::shared_ptr<const PreparedFile> prepared;
};

// Opens the database at path in a session of its own; false with the reason
// (ready to log) in *error when it cannot be opened. *identity gets the
// database's identity (notesapi::DatabaseIdentity).
bool CanOpenDatabase(const std::string& path, std::string* error, std::string* identity);

// Reads one view of a database in a Notes session of its own.
class ViewReader {
public:
    // Opens the view at viewIndex of the database at path; false with the
    // reason in *error when it cannot be read.
    bool Open(const std::string& path, uint32_t viewIndex, std::string* error);
    size_t EntryCount() const { return count_; }
    // What the index tells of entry n without opening its document; nullopt
    // when it is not a contact.
    struct EntryIdentity {
        mapi::SourceIdentity source;  // not Valid() as for ViewItem::source
        bool group = false;           // a Group document, by its form
    };
    std::optional<EntryIdentity> Identify(size_t n) const;
    // The note id of entry n's document; nullopt for a category entry.
    std::optional<uint32_t> NoteOf(size_t n) const;
    // Whether entry n heads a category; it opens no document.
    bool IsCategory(size_t n) const;

    // Reads the entry n of the view into *item; false when it is not a
    // contact. alreadySaved: the target holds the document saved and
    // unchanged (decided from Identify); it is delivered as already saved,
    // unread, with the name it is logged as and without its source. Several
    // readers of the same view, each on a thread of its own, may read
    // entries side by side.
    bool ReadEntry(size_t n, bool alreadySaved, ViewItem* item);

private:
    // The group of an open Group document, its members resolved against the
    // address book, which is read once, at the first group.
    GroupRecord ReadGroup(const LNDocument& doc);
    mapi::SourceIdentity SourceOf(const LNDocument& doc) const;
    notes::Session session_;
    LNDatabase db_;
    LNViewFolder view_;
    size_t count_ = 0;
    std::string database_;  // the database's identity
    std::unique_ptr<notes::AddressBook> book_;
    std::string bookError_;  // why the address book could not be read
};

}  // namespace exporting
