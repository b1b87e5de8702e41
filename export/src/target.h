// Where a run's contacts go: one implementation per kind of destination (a
// new PST file, a folder of the profile, item files, a CSV file) behind this
// one interface. A run connects and opens the target, prepares a folder for
// each view it exports, writes that view's contacts and groups into it one by
// one, and closes the target at the end.
#pragma once

#include "group_record.h"

#include <exporting/contact_map.h>

#include <mapi/source_identity.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace exporting {

class RunContext;

// A folder of contacts in a target.
struct TargetFolder {
    std::string name;  // the view's folder name, as the tree shows it
    // Its path below the target's root, parts joined by "\" ("Contacts\");
    // empty for the root itself.
    std::string path;
};

// AlreadySaved: an earlier run saved the document there, and it has not
// changed since (only with "Ignore already saved message"). Stopped: a stop
// request ended the write part way; nothing of the item was written, and the
// run ends as stopped rather than counting it as failed. Pending: the item is
// on its way and its result comes later (ExportTarget::NextSettled).
enum class WriteResult { Written, Skipped, Failed, AlreadySaved, Stopped, Pending };

// A contact's file made ahead of its writing, on a reading thread
// (ExportTarget::Prepare): its bytes (Written), why it could not be made
// (Failed), or that a stop request ended its making (Stopped).
struct PreparedFile {
    WriteResult result = WriteResult::Written;
    std::string bytes;
    std::string error;
    std::string fileAs;  // the File As text, when the naming asks for it
};

class ExportTarget {
public:
    virtual ~ExportTarget() = default;

    // Logs on to the store the target writes into; false when that fails
    // (logged, and kept in the run's outcome; the run's stopped set when a
    // stop request ended it). Files need nothing.
    virtual bool Connect() { return true; }
    // Makes the target's root: the first PST file, the export directory.
    // False when the destination cannot be used (logged, kept in the outcome).
    virtual bool Open() = 0;
    // Readies the folder that the contacts to come go into, and returns
    // where they go: a store path or a directory.
    virtual std::string PrepareFolder(const TargetFolder& folder) = 0;
    // The subject a contact is logged with, and for files named and titled by.
    virtual std::string Subject(const ContactRecord& contact) const = 0;
    // What can be made of a contact alone, ahead of its Write: called on a
    // reading thread, possibly while Write runs for earlier contacts on
    // another, so it touches nothing of the target's state. stop is asked
    // during long work. Null: Write does it all.
    // Prepare and Write may take the contact's long values (its texts and
    // files, MapContact) into what they make, so that a value of tens of
    // megabytes is held once: the contact's items, name and subject stay,
    // and nothing reads its texts after a Prepare that made a file.
    virtual std::unique_ptr<PreparedFile> Prepare(ContactRecord& contact, const std::function<bool()>& stop) const {
        (void)contact;
        (void)stop;
        return nullptr;
    }
    // Writes one contact into the prepared folder; entry is its entry index
    // in the view, source where it comes from: the item carries it (or the
    // folder's record of files does), and with "Ignore already saved
    // message" what an earlier run saved of it decides whether it is added,
    // replaced in place or left (SavedFolder). prepared is what Prepare made
    // of it, if anything. Failures are logged here.
    virtual WriteResult Write(ContactRecord& contact, const std::string& subject, uint64_t entry,
                              const mapi::SourceIdentity& source, const PreparedFile* prepared) = 0;
    // Writes one group as a distribution list named after its ListName (or
    // skips it where lists have no place); entry and source as for Write.
    // Failures, skips and the members that could not be resolved are logged
    // here.
    virtual WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) = 0;
    // A target with several items on their way at once (to a server) may
    // answer Write and WriteList with Pending: their results come from here,
    // one at a time in the order the items were given, each after the log
    // lines the target has about it. Nothing while the first item that is
    // pending has no result yet (with wait, only when none is pending).
    virtual std::optional<WriteResult> NextSettled(bool wait) {
        (void)wait;
        return std::nullopt;
    }
    // Asked before a contact document is read, in place of Write: true when
    // Write would find it already saved and unchanged. True counts as the
    // document's meeting in the folder (as Write would); false changes
    // nothing, and Write follows.
    virtual bool SavedAndUnchanged(const mapi::SourceIdentity& source) {
        (void)source;
        return false;
    }
    // Makes what was written durable (a store commits, a CSV file gets its
    // replaced rows; when onlyWhenDue, only if about a second has passed
    // since the last commit).
    virtual void Commit(bool onlyWhenDue = false) { (void)onlyWhenDue; }
    // Commits and lets go of the store or files; safe to call twice.
    virtual void Close() {}
};

// The target for the request's kind.
std::unique_ptr<ExportTarget> MakeTarget(RunContext& run);

}  // namespace exporting
