#include "pst_target.h"

#include "run_context.h"
#include "stamps.h"

#include <exporting/naming.h>

#include <store/profile.h>
#include <store/saved_items.h>

#include <algorithm>

namespace exporting {

namespace {

// Room kept free below the split size for the index pages a commit and the
// closing of the file add.
constexpr uint64_t kSplitReserve = 256 * 1024;

// Rough bytes an item takes in a PST: values (texts as UTF-16) and their entries.
uint64_t EstimatedSize(const mapi::PropertyBag& props) {
    uint64_t n = 2048;
    for (const auto& [key, value] : props.All()) {
        n += 16;
        if (auto* s = std::get_if<std::string>(&value)) n += s->size() * 2;
        else if (auto* b = std::get_if<mapi::Binary>(&value)) n += b->size();
    }
    return n;
}

}  // namespace

void PstTarget::OpenSession(store::Session& session) { session.CheckProfile(); }

bool PstTarget::Open() {
    if (run_.options.skipSaved) {
        switch (ContinuePst()) {
        case Continued::Yes: return true;
        case Continued::Cannot: return false;
        case Continued::NothingEarlier: break;
        }
    }
    return CreatePst();
}

PstTarget::Continued PstTarget::ContinuePst() {
    // New files are named after the DXL file; earlier ones are found by what
    // they hold, so a renamed DXL file of the database finds them too.
    const std::string prefix = CutToBytes(SafeComponent(run_.request.databaseTitle) + "-Corvane-", 200);
    store::PstCandidates found;
    try {
        found = store::FindPstsToContinue(run_.options.destination, prefix, run_.databaseIdentity);
    } catch (const store::StoreError& e) {
        run_.LogError(std::string("Cannot look for a PST file to continue: ") + e.what());
        return Continued::NothingEarlier;
    }
    for (const auto& [path, why] : found.refused) run_.Log("Not continued: " + path + ": " + why, kColourSkip);
    std::vector<std::string> opened;  // display names, newest first
    for (const std::string& path : found.usable) {
        try {
            // The newest as it was checked; older parts of a split export anew.
            const store::Store pst = path == found.usable.front() ? session_->OpenStoreFile(std::move(found.first))
                                                                  : session_->OpenStoreFile(path);
            if (opened.empty()) {
                run_.Log("Continue PST File :" + path);
                run_.outcome.outputs.push_back(pst.GetPath());
            }
            opened.push_back(pst.GetName());
        } catch (const store::StoreError& e) {
            // A new PST beside a file that holds the database's items would
            // write every contact a second time.
            if (std::find(found.holding.begin(), found.holding.end(), path) != found.holding.end()) {
                run_.outcome.outputs.clear();
                run_.Fail("The earlier export in " + path + " cannot be continued: " + e.what() +
                          "; nothing was written (an export without \"Ignore already saved message\", "
                          "--skip-saved, writes a new PST file)");
                return Continued::Cannot;
            }
            run_.Log("Not continued: " + path + ": " + e.what(), kColourSkip);
        }
        // Without Split PST only the newest one is continued.
        if (!opened.empty() && !Splitting()) break;
    }
    if (opened.empty()) return Continued::NothingEarlier;
    pstName_ = opened.front();
    parts_.assign(opened.rbegin(), opened.rend());
    lastCommitSize_ = 0;
    partContacts_ = committedInPart_ = 1;  // it holds items: a split goes on into a new part
    madePart_ = false;
    return Continued::Yes;
}

bool PstTarget::CreatePst() {
    const bool listExport = run_.request.IsListExport();
    if (listExport) run_.Log("Please wait create pst file.");
    else run_.Log("Please wait... Create PST File");
    // Store names take no backslash and no markup.
    const std::string base =
        CutToBytes(SafeComponent(run_.request.databaseTitle) + "-Corvane-" + PstStamp(listExport), 200);
    auto pathOf = [&](const std::string& name) { return run_.options.destination + "/" + name + ".pst"; };
    std::optional<store::Store> made;
    try {
        // The next free name, claimed against concurrent exports too.
        made = session_->CreateStoreUnderFreeName([&](int n) {
            const std::string name = n == 1 ? base : base + " (" + std::to_string(n) + ")";
            return store::ProfileStore{name, pathOf(name)};
        });
    } catch (const store::StoreError& e) {
        run_.Fail("Cannot create the PST file " + pathOf(base) + ": " + e.what());
        // A part after the first: the run has written, and ends as a full disk.
        if (!parts_.empty() && e.Code() == store::ErrorCode::DiskFull) run_.NoteDiskFull(run_.options.destination);
        return false;
    }
    const std::string name = made->GetName();
    if (!listExport) run_.Log("Create PST File :" + pathOf(name));
    pstName_ = name;
    parts_.push_back(name);
    lastCommitSize_ = 0;
    run_.outcome.outputs.push_back(made->GetPath());
    partContacts_ = committedInPart_ = 0;
    madePart_ = true;
    return true;
}

std::string PstTarget::StorePath(const std::string& path) const { return StorePathIn(pstName_, path); }

std::string PstTarget::StorePathIn(const std::string& name, const std::string& path) {
    std::string storePath = "\\\\" + name + "\\" + path;
    for (size_t at; (at = storePath.find("Top of Personal Folders")) != std::string::npos;)
        storePath.replace(at, 23, "Top-of-Personal-Folders");
    return storePath;
}

std::string PstTarget::PrepareFolder(const TargetFolder& folder) {
    SplitBefore(0);
    folderPath_ = folder.path;
    OpenFolder(folder.path, true);
    std::vector<store::Folder> holding;
    if (run_.options.skipSaved && folder_) {
        for (const std::string& part : parts_) {
            if (part == pstName_) continue;
            try {
                holding.push_back(session_->GetFolderFromPath(StorePathIn(part, folder.path)));
            } catch (const store::StoreError&) {
                // That part has no such folder: nothing of it was saved there.
            }
        }
        holding.push_back(*folder_);
    }
    LoadSaved(std::move(holding));
    return storePath_;
}

bool PstTarget::Splitting() const { return run_.options.splitPst; }

bool PstTarget::SplitBefore(uint64_t bytesAhead) {
    if (!Splitting() || !folder_) return true;
    uint64_t size = 0;
    try {
        size = folder_->GetStore().GetFileSize();
    } catch (const store::StoreError&) {
        return true;
    }
    const uint64_t limit = run_.options.splitSize;
    // Commits write the index anew: commit often enough to measure what
    // one costs, and keep room for two of them (the last one closes the file).
    if (size >= lastCommitSize_ + limit / 16) {
        Commit();
        try {
            const uint64_t after = folder_->GetStore().GetFileSize();
            commitGrowth_ = std::max(commitGrowth_, after > size ? after - size : 0);
            size = lastCommitSize_ = after;
        } catch (const store::StoreError&) {
        }
    }
    const uint64_t need = std::max(maxGrowth_, bytesAhead) + bytesAhead + 2 * commitGrowth_ + kSplitReserve;
    if (size + need <= limit) return true;
    if (partContacts_ == 0) return false;  // even a fresh part cannot take it
    ClosePart();
    if (run_.DiskFull() || !CreatePst()) {
        folder_.reset();
        return false;
    }
    OpenFolder(folderPath_, true);
    run_.SetTarget(storePath_);
    return folder_.has_value();
}

void PstTarget::ClosePart() {
    folder_.reset();
    Commit();
    if (run_.DiskFull()) return;  // the part is closed without writing, with the others
    try {
        session_->CloseStore(pstName_);
    } catch (const store::StoreError& e) {
        run_.LogError(std::string("Closing the store failed: ") + e.what());
        NoteIfDiskFull(e);
    }
}

void PstTarget::DropAfterFullDisk() {
    if (!madePart_ || committedInPart_ > 0) return;
    const std::string path = run_.outcome.outputs.empty() ? std::string() : run_.outcome.outputs.back();
    try {
        session_->DiscardStore(pstName_);
    } catch (const store::StoreError& e) {
        run_.LogError("Cannot take " + pstName_ + " out of the profile: " + e.what());
    }
    run_.Log("Removed " + path + ": no contact reached it before the disk was full", kColourSkip);
    if (!run_.outcome.outputs.empty()) run_.outcome.outputs.pop_back();
    run_.outcome.fullDisk = run_.options.destination;
}

template <typename Item, typename Remake>
bool PstTarget::SaveInPart(Item& item, const char* what, Remake remake) {
    if (!Splitting()) {
        item.Save();
        ++partContacts_;
        return true;
    }
    const std::string before = pstName_;
    if (!SplitBefore(EstimatedSize(item.Properties()))) {
        if (folder_) run_.LogError(std::string("The ") + what + " does not fit into a PST file of the split size");
        return false;
    }
    // The item belongs to the full part's folder: the new part gets a copy.
    if (pstName_ != before) item = remake(folder_->GetItems());
    const uint64_t sizeBefore = folder_->GetStore().GetFileSize();
    item.Save();
    maxGrowth_ = std::max(maxGrowth_, folder_->GetStore().GetFileSize() - sizeBefore);
    ++partContacts_;
    return true;
}

bool PstTarget::SaveItem(store::ContactItem& item) {
    return SaveInPart(item, "contact", [&item](store::Items items) {
        store::ContactItem moved = items.Add(std::string(mapi::kContactMessageClass));
        for (const auto& [key, value] : item.Properties().All()) moved.MutableProperties().Set(key, value);
        return moved;
    });
}

bool PstTarget::SaveList(store::DistListItem& list) {
    return SaveInPart(list, "distribution list", [&list](store::Items items) {
        store::DistListItem moved = items.AddDistList();
        moved.MutableProperties() = list.MutableProperties();
        for (const mapi::OneOffRecipient& m : list.Members()) moved.AddMember(m.displayName, m.address);
        return moved;
    });
}

}  // namespace exporting
