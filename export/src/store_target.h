// What the two store targets share: a session of the store library (held for
// the whole run), the folder contacts go into (made in that session), saving each
// contact as an Outlook contact item and each group as a distribution list,
// and committing the store about once a second, so that a killed export loses
// at most about a second of work. With "Ignore already saved message" the
// items earlier runs saved in a folder are read when it is prepared, and each
// document is added, replaced in place or left by that (SavedFolder).
#pragma once

#include "saved_folder.h"
#include "target.h"

#include <store/session.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace exporting {

class StoreTarget : public ExportTarget {
public:
    explicit StoreTarget(RunContext& run);
    ~StoreTarget() override;

    bool Connect() override;
    std::string Subject(const ContactRecord& contact) const override;
    WriteResult Write(ContactRecord& contact, const std::string& subject, uint64_t entry,
                      const mapi::SourceIdentity& source, const PreparedFile* prepared) override;
    WriteResult WriteList(const GroupRecord& group, uint64_t entry, const mapi::SourceIdentity& source) override;
    bool SavedAndUnchanged(const mapi::SourceIdentity& source) override;
    // A commit that fails moves the contacts saved since the last good one
    // from written to failed; so does any commit once the disk is full,
    // which writes nothing more.
    void Commit(bool onlyWhenDue = false) override;
    // Once the disk is full the stores are closed without writing: each
    // keeps its last commit.
    void Close() override;

protected:
    // Readies the target's new session; logs on to the default profile
    // unless the target says otherwise. StoreError when it cannot.
    virtual void OpenSession(store::Session& session);
    // The store path of the folder at path below the target's root.
    virtual std::string StorePath(const std::string& path) const = 0;
    // Saves a contact item of the current folder; false when it was not
    // saved (logged). A target may save it into another folder instead.
    virtual bool SaveItem(store::ContactItem& item);
    // The same for a distribution list.
    virtual bool SaveList(store::DistListItem& list);
    // Makes the current folder the one at path below the root: made (with
    // every folder above it) when make, else looked up. A folder that cannot
    // be made or found is logged with its store path and left unset, so that
    // its contacts fail.
    void OpenFolder(const std::string& path, bool make);
    // A store error that says the disk is full ends the run, naming the
    // current store's file.
    void NoteIfDiskFull(const store::StoreError& e);
    // A commit reached the file: every item saved so far is in it.
    virtual void Committed() {}
    // Once the disk is full, before the stores are closed without writing:
    // what the target made and cannot keep goes.
    virtual void DropAfterFullDisk() {}
    // With "Ignore already saved message", reads the saved items of folders
    // (those that hold the current folder's earlier items: the folder
    // itself, and for a split PST its counterparts in the earlier parts);
    // otherwise forgets any. A folder that cannot be read is logged and the
    // current folder left unset, so that its contacts fail rather than be
    // saved twice.
    void LoadSaved(std::vector<store::Folder> folders);

    RunContext& run_;
    std::unique_ptr<store::Session> session_;
    std::optional<store::Folder> folder_;
    std::string storePath_;  // of the current folder
    std::string storeFile_;  // the file of the current folder's store

private:
    // An item saved before: which of savedFolders_ holds it, and its id. A
    // damaged one (readable only past its checksums) is replaced, never left.
    struct StoredItem {
        size_t folder = 0;
        uint32_t item = 0;
        bool damaged = false;
        bool operator==(const StoredItem&) const = default;
    };

    // Runs save (which makes, fills and saves one item of the current folder)
    // and counts the item as uncommitted when it saved; a store error is
    // logged with what ("contact", "distribution list").
    WriteResult SaveCounting(const char* what, const std::function<bool()>& save);
    // The items of the folder that holds an earlier item.
    store::Items ItemsHolding(const StoredItem& earlier) const;
    // Logs that a damaged earlier item was rewritten (not a second one added).
    void LogReplacedDamaged(const StoredItem& earlier);
    // The items saved since the last commit never reach the file: they move
    // from written to failed, logged with why.
    void LoseUncommitted(const std::string& why);

    SavedFolder<StoredItem> saved_;
    std::vector<store::Folder> savedFolders_;

    uint64_t uncommitted_ = 0;  // items saved since the last commit
    std::chrono::steady_clock::time_point lastCommit_;
};

}  // namespace exporting
