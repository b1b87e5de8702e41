#include "view_reader.h"

#include "saved_name.h"

#include <base/ascii.h>
#include <notes/contact_entries.h>
#include <notes/group_document.h>
#include <notes/open_view.h>

#include <notesapi/database_identity.h>

#include <algorithm>
#include <cerrno>

#include <sys/resource.h>

namespace exporting {

// The writing is what the export waits for: a reader thread runs at a lower
// priority, so that where it shares a core with the writer it takes what the
// writer leaves. With two cores and three threads, the scheduler otherwise
// often kept the writer on a shared core while a reader idled on the other,
// its window full (PST export: 1.01x to 1.16x its write-only pass; with this,
// 1.04x to 1.09x, and the window's event loop keeps its core the same way).
void YieldToTheWriter() {
    constexpr int kReaderNice = 8;
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, 0);  // this thread's
    if (errno == 0) ::setpriority(PRIO_PROCESS, 0, std::min(now + kReaderNice, 19));
}

namespace {
constexpr char kNoSession[] = "The Notes session cannot be started";

// A Group document, told by its form without opening it.
bool IsGroupForm(const LNDocument& doc) {
    return base::EqualsIgnoringAsciiCase(doc.GetForm().str(), notes::kGroupForm);
}
}  // namespace

bool CanOpenDatabase(const std::string& path, std::string* error, std::string* identity) {
    notes::Session session;
    if (!session.Started()) {
        *error = kNoSession;
        return false;
    }
    LNDatabase db;
    try {
        session.Api().GetDatabase(path, &db);
        db.Open();
    } catch (const notesapi::NotesError& e) {
        *error = "Cannot open the database " + path + ": " + e.what();
        return false;
    }
    *identity = notesapi::DatabaseIdentity(db);
    db.Close();
    return true;
}

bool ViewReader::Open(const std::string& path, uint32_t viewIndex, std::string* error) {
    if (!session_.Started()) {
        *error = kNoSession;
        return false;
    }
    try {
        view_ = notes::OpenViewOf(session_.Api(), path, viewIndex, db_);
        count_ = view_.GetEntryCount();
        database_ = notesapi::DatabaseIdentity(db_);
        return true;
    } catch (const notesapi::NotesError& e) {
        *error = e.what();
        return false;
    }
}

std::optional<ViewReader::EntryIdentity> ViewReader::Identify(size_t n) const {
    LNDocument doc;
    if (!notes::ContactDocument(view_, n, &doc)) return std::nullopt;
    return EntryIdentity{SourceOf(doc), IsGroupForm(doc)};
}

std::optional<uint32_t> ViewReader::NoteOf(size_t n) const {
    LNDocument doc;
    if (!notes::ContactDocument(view_, n, &doc)) return std::nullopt;
    return doc.GetNoteID();
}

bool ViewReader::IsCategory(size_t n) const {
    try {
        return view_[n].IsCategory();
    } catch (const notesapi::NotesError&) {
        return false;
    }
}

bool ViewReader::ReadEntry(size_t n, bool alreadySaved, ViewItem* out) {
    LNDocument doc;
    if (!notes::ContactDocument(view_, n, &doc)) return false;
    ViewItem& item = *out;
    item.entry = uint32_t(n);
    if (alreadySaved) {
        // Its identity was looked up already: only its name is wanted.
        item.alreadySaved = item.readable = true;
        // One that cannot be read is still saved: it goes by its id.
        if (!SavedDocumentName(doc, &item.name, &item.contact, &item.opened))
            item.name = doc.GetUniversalID().GetText().str();
        return true;
    }
    item.source = SourceOf(doc);
    item.opened = true;
    try {
        doc.Open(0);
        item.readable = true;
    } catch (const notesapi::NotesError& e) {
        item.unreadable = e.what();
    }
    if (item.readable) {
        if (notes::IsGroupDocument(doc)) {
            item.group = ReadGroup(doc);
            // Its members are resolved from the whole address book: the
            // list changes when any document of it does.
            if (book_ && item.source.Valid())
                item.source.modified.ticks = std::max(item.source.modified.ticks, book_->LatestChange());
        } else {
            item.contact = ReadContact(doc);
        }
        doc.Close();
    }
    return true;
}

mapi::SourceIdentity ViewReader::SourceOf(const LNDocument& doc) const {
    mapi::SourceIdentity id;
    const LNUniversalID unid = doc.GetUniversalID();
    if (unid.IsNull() || database_.empty()) return id;
    id.database = database_;
    id.unid = unid.GetText().str();
    id.modified = mapi::FileTime{doc.GetLastModified().ToFileTime()};
    LNOriginatorID oid;
    try {
        doc.GetOriginatorID(&oid);
        id.sequence = oid.GetSequence();
    } catch (const notesapi::NotesError&) {
    }
    return id;
}

GroupRecord ViewReader::ReadGroup(const LNDocument& doc) {
    GroupRecord group;
    group.document = notes::ReadGroupDocument(doc);
    group.changed = LastChange(doc);
    try {
        group.hasAttachments = doc.HasAttachments();
    } catch (const notesapi::NotesError&) {
    }
    if (!book_ && bookError_.empty()) {
        try {
            book_ = std::make_unique<notes::AddressBook>(db_);
        } catch (const notesapi::NotesError& error) {
            bookError_ = std::string("the people and groups of the database cannot be read: ") + error.what();
        }
    }
    if (!book_) {
        group.error = bookError_;
        return group;
    }
    notes::ResolvedGroup resolved = book_->Resolve(group.document);
    group.members = std::move(resolved.members);
    group.notes = std::move(resolved.notes);
    return group;
}

}  // namespace exporting
