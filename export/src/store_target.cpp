#include "store_target.h"

#include "run_context.h"

#include <exporting/contact_item_fill.h>

#include <store/saved_items.h>

#include <cstdio>

namespace exporting {

namespace {
constexpr auto kCommitEvery = std::chrono::milliseconds(900);

// An item's node id, as PST tools show it.
std::string HexId(uint32_t id) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", id);
    return text;
}
}  // namespace

StoreTarget::StoreTarget(RunContext& run) : run_(run), lastCommit_(std::chrono::steady_clock::now()) {}

StoreTarget::~StoreTarget() { Close(); }

bool StoreTarget::Connect() {
    session_ = std::make_unique<store::Session>();
    try {
        OpenSession(*session_);
        return true;
    } catch (const store::StoreError& e) {
        // The front end's notice keeps the product's text; the log and the
        // outcome also say why.
        session_.reset();
        run_.outcome.logonFailed = true;
        run_.Fail(e.what());
        return false;
    }
}

void StoreTarget::OpenSession(store::Session& session) {
    session.Logon();
    for (const auto& why : session.LeftOut()) run_.LogError(why + "; it is left out");
}

void StoreTarget::Close() {
    folder_.reset();
    if (!session_) return;
    Commit();
    if (run_.DiskFull()) {
        DropAfterFullDisk();
        session_->Abandon();
        session_.reset();
        return;
    }
    try {
        session_->Logoff();
    } catch (const store::StoreError& e) {
        run_.LogError(std::string("Closing the store failed: ") + e.what());
    }
    session_.reset();
}

void StoreTarget::Commit(bool onlyWhenDue) {
    if (onlyWhenDue && std::chrono::steady_clock::now() - lastCommit_ < kCommitEvery) return;
    lastCommit_ = std::chrono::steady_clock::now();
    if (!session_) return;
    if (run_.DiskFull()) {
        if (uncommitted_ > 0) LoseUncommitted("The store was not saved, as the disk is full");
        return;
    }
    try {
        session_->Flush();
        uncommitted_ = 0;
        Committed();
    } catch (const store::StoreError& e) {
        LoseUncommitted(std::string("Saving the store failed: ") + e.what());
        NoteIfDiskFull(e);
    }
}

void StoreTarget::LoseUncommitted(const std::string& why) {
    if (uncommitted_ == 0) return run_.LogError(why);
    run_.LogError(why + "; " + std::to_string(uncommitted_) + (uncommitted_ == 1 ? " contact was" : " contacts were") + " lost");
    run_.outcome.totals.written -= uncommitted_;
    run_.outcome.totals.failed += uncommitted_;
    uncommitted_ = 0;
}

void StoreTarget::NoteIfDiskFull(const store::StoreError& e) {
    if (e.Code() == store::ErrorCode::DiskFull) run_.NoteDiskFull(storeFile_.empty() ? run_.options.destination : storeFile_);
}

void StoreTarget::OpenFolder(const std::string& path, bool make) {
    folder_.reset();
    storePath_ = StorePath(path);
    if (!session_) return;
    if (make) {
        if (run_.request.IsListExport()) run_.Log("Please wait create pst folder");
        else run_.Log("Please wait... Create PST Folders :" + storePath_);
        try {
            folder_ = session_->EnsureFolderPath(storePath_);
        } catch (const store::StoreError& e) {
            run_.LogError("Cannot create the folder " + storePath_ + ": " + e.what());
            NoteIfDiskFull(e);
        }
    } else {
        try {
            folder_ = session_->GetFolderFromPath(storePath_);
        } catch (const store::StoreError& e) {
            run_.LogError("Cannot find the folder " + storePath_ + ": " + e.what());
        }
    }
    if (folder_) storeFile_ = folder_->GetStore().GetPath();
}

std::string StoreTarget::Subject(const ContactRecord& contact) const {
    return contact.hasSubject ? contact.subject : std::string();
}

bool StoreTarget::SaveItem(store::ContactItem& item) {
    item.Save();
    return true;
}

bool StoreTarget::SaveList(store::DistListItem& list) {
    list.Save();
    return true;
}

WriteResult StoreTarget::SaveCounting(const char* what, const std::function<bool()>& save) {
    if (!folder_) return WriteResult::Failed;
    try {
        if (!save()) return WriteResult::Failed;
        ++uncommitted_;
        return WriteResult::Written;
    } catch (const store::StoreError& e) {
        run_.LogError(std::string("Cannot save the ") + what + " in " + storePath_ + ": " + e.what());
        NoteIfDiskFull(e);
        return WriteResult::Failed;
    }
}

void StoreTarget::LoadSaved(std::vector<store::Folder> folders) {
    saved_.Reset();
    savedFolders_.clear();
    if (!run_.options.skipSaved || !folder_) return;
    store::SavedIndex<StoredItem> saved;
    for (size_t n = 0; n < folders.size(); ++n) {
        try {
            std::vector<uint32_t> unreadable;
            store::ForEachSavedItem(
                folders[n], [&](mapi::SourceIdentity id, uint32_t item, bool damaged) { saved.Add(std::move(id), {n, item, damaged}); },
                &unreadable);
            // Whose it is cannot be told: it stays, and a contact it held is
            // written again.
            for (uint32_t item : unreadable)
                run_.LogError("Unreadable item " + HexId(item) + " in " + store::DisplayPath(folders[n]) + ": left as it is");
        } catch (const store::StoreError& e) {
            run_.LogError("Cannot read what was saved in " + store::DisplayPath(folders[n]) + ": " + e.what());
            folder_.reset();
            return;
        }
    }
    savedFolders_ = std::move(folders);
    saved_.Reset(std::move(saved));
}

store::Items StoreTarget::ItemsHolding(const StoredItem& earlier) const {
    return savedFolders_.at(earlier.folder).GetItems();
}

bool StoreTarget::SavedAndUnchanged(const mapi::SourceIdentity& source) {
    return saved_.TakeSkip(source, [](const StoredItem& earlier) { return !earlier.damaged; });
}

void StoreTarget::LogReplacedDamaged(const StoredItem& earlier) {
    if (earlier.damaged)
        run_.Log("Damaged item in " + store::DisplayPath(savedFolders_.at(earlier.folder)) + ": replaced by a new copy",
                 kColourError);
}

WriteResult StoreTarget::Write(ContactRecord& contact, const std::string& subject, uint64_t,
                               const mapi::SourceIdentity& source, const PreparedFile*) {
    const SavedChoice<StoredItem> choice = saved_.Choose(source);
    if (choice.action == SavedAction::Skip && !choice.where->damaged) return WriteResult::AlreadySaved;
    const StoredItem* earlier = choice.where;  // replaced in place, even unchanged when damaged
    return SaveCounting("contact", [&] {
        const std::string contactClass(mapi::kContactMessageClass);
        store::ContactItem item = earlier ? ItemsHolding(*earlier).Replace(earlier->item, contactClass)
                                          : folder_->GetItems().Add(contactClass);
        contacts::Contact model = MapContact(std::move(contact), subject);
        model.origin = OriginOf(source);
        SetContactItem(item, std::move(model));
        if (!earlier) return SaveItem(item);
        item.Save();  // in place, wherever the earlier item lies
        LogReplacedDamaged(*earlier);
        return true;
    });
}

WriteResult StoreTarget::WriteList(const GroupRecord& group, uint64_t, const mapi::SourceIdentity& source) {
    const SavedChoice<StoredItem> choice = saved_.Choose(source);
    if (choice.action == SavedAction::Skip && !choice.where->damaged) return WriteResult::AlreadySaved;
    if (folder_ && !LogResolution(run_, group)) return WriteResult::Failed;
    const StoredItem* earlier = choice.where;
    return SaveCounting("distribution list", [&] {
        store::DistListItem list =
            earlier ? ItemsHolding(*earlier).ReplaceDistList(earlier->item) : folder_->GetItems().AddDistList();
        contacts::DistributionList model = ListOf(group);
        model.origin = OriginOf(source);
        SetDistListItem(list, model);
        if (!earlier) return SaveList(list);
        list.Save();
        LogReplacedDamaged(*earlier);
        return true;
    });
}

}  // namespace exporting
