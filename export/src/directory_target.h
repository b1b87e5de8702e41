// What the file targets share: the directory the files go into (a new
// "RecoverData" directory in the destination for a tree export, the chosen
// folder itself for a list export), a directory per exported view below it,
// the subject files are named by, the message filter, which applies to
// files only, and the record of what was written.
//
// Each folder of files keeps a journal of what was written into it
// (store/saved_journal.h; MSG files carry their source themselves). With
// "Ignore already saved message" a tree export continues the newest
// RecoverData directory an earlier export of the database to the same kind
// left in the destination, and in each folder a document whose file (or
// row) was written before and has not changed since is left, a changed one
// is written again at its earlier place.
#pragma once

#include "saved_folder.h"
#include "target.h"

#include <store/saved_journal.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

namespace exporting {

class DirectoryTarget : public ExportTarget {
public:
    // The stamp of a new export directory is taken now, as the run starts.
    explicit DirectoryTarget(RunContext& run);

    bool Open() override;
    std::string PrepareFolder(const TargetFolder& folder) override;
    // The company name; when that is longer than five characters the first
    // name; when that too is, the last name.
    std::string Subject(const ContactRecord& contact) const override;
    WriteResult Write(ContactRecord& contact, const std::string& subject, uint64_t entry,
                      const mapi::SourceIdentity& source, const PreparedFile* prepared) override;
    // As LeftOut finds it already saved; false while the message filter is
    // on, as it logs a line of its own for each document.
    bool SavedAndUnchanged(const mapi::SourceIdentity& source) override;
    // Flushes the folder's journal.
    void Close() override;

protected:
    using Earlier = store::SavedPlace;

    // The contacts to come belong to folder, in directory dir.
    virtual void StartFolder(const TargetFolder& folder, const std::string& dir) = 0;
    // The current folder is done (another is prepared, or the target closes).
    virtual void EndFolder() {}
    // Writes one contact's file (or row), at its earlier place when there is
    // one, from what Prepare made when it made something: Written, Failed
    // (logged) or Stopped.
    virtual WriteResult WriteFile(ContactRecord& contact, const std::string& subject, uint64_t entry,
                                  const mapi::SourceIdentity& source, const Earlier* earlier,
                                  const PreparedFile* prepared) = 0;
    // The result of an item that is not to be written: left out by the
    // message filter (each test that fails logs its own line), already
    // saved, or in a folder whose saved state cannot be read. Otherwise
    // nothing, and *earlier is the document's earlier place, or null.
    std::optional<WriteResult> LeftOut(bool hasAttachments, int64_t changed, const mapi::SourceIdentity& source,
                                       const Earlier** earlier);

    // The path a file of this run is written to: path itself, or when an
    // earlier file of this run already has that name, the next name this run
    // has not used (" (2)", " (3)"... before the extension), so that no
    // output of a run ever replaces another. Names that differ only in ASCII
    // case count as the same. A file left by an earlier run is replaced, so
    // a second run into the same folder gives the same names; with "Ignore
    // already saved message" the names the folder's record holds are taken.
    std::string ClaimPath(const std::string& path);
    // The path of a file of the current folder, claimed as it is.
    std::string ClaimEarlier(const std::string& file);
    // The name of a path of the current folder.
    std::string NameIn(const std::string& path) const { return path.substr(dir_.size() + 1); }
    // Records in the current folder's journal that the document's result
    // lies at place. A journal that cannot be written is logged once per
    // folder and the export goes on without it; each result it could not
    // record is logged and counted in the outcome's notRecorded.
    void Record(const mapi::SourceIdentity& source, const store::SavedPlace& place);

    RunContext& run_;
    std::string dir_;  // the current folder's directory
    SavedFolder<Earlier> saved_;

private:
    // True when the message filter leaves the item out (each test that
    // fails logs its own line): its document was last changed (changed, as
    // LastChange gives it) outside the filter's dates, read in this
    // machine's time zone, or it has no attachment when one is asked for.
    bool FilteredOut(bool hasAttachments, int64_t changed) const;
    // The earlier file or row is still there to leave.
    bool StillThere(const Earlier& earlier) const;
    // A RecoverData directory to continue; false when there is none.
    bool ContinueDirectory();
    // Reads what earlier runs wrote into the current folder (with "Ignore
    // already saved message").
    void LoadSaved();
    void CloseJournal();
    // Claims path for a file of this run; false when it was claimed before.
    bool Claim(const std::string& path);
    bool Claimed(const std::string& path) const;

    std::string stamp_;
    std::string root_;
    // The paths of this run's files and of those the folders' records
    // hold, ASCII case folded, by their 64-bit hashes: a folder can record a
    // million files. Two paths of one hash (about one chance in 10^7 among
    // a million) would give the second file the next free name, nothing worse.
    std::unordered_set<uint64_t> claimed_;
    bool savedUnreadable_ = false;             // the current folder's record cannot be read
    std::unique_ptr<store::SavedJournal> journal_;
    bool journalFailed_ = false;
};

}  // namespace exporting
