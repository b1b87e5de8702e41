// A new PST file, made in the exporter's own session and added to the
// profile, with a folder per exported view. The session does not log on: the
// other stores of the profile are neither opened nor changed. With Split PST on, a contact or folder
// that would take the file past the split size goes into a new PST file with
// the same folder path, so that every part stays within the size.
//
// With "Ignore already saved message" the newest PST an earlier export of the
// same database left in the destination is continued instead (with Split
// PST, its last part, and the items of every earlier part count as saved),
// whatever the file is called now and wherever the destination was then.
#pragma once

#include "store_target.h"

namespace exporting {

class PstTarget : public StoreTarget {
public:
    using StoreTarget::StoreTarget;

    bool Open() override;
    std::string PrepareFolder(const TargetFolder& folder) override;

protected:
    // Checks that the profile can take the new PST, without logging on.
    void OpenSession(store::Session& session) override;
    std::string StorePath(const std::string& path) const override;
    bool SaveItem(store::ContactItem& item) override;
    bool SaveList(store::DistListItem& list) override;
    void Committed() override { committedInPart_ = partContacts_; }
    // A PST this run made that no commit brought an item is removed, and
    // the closing notice names the destination instead.
    void DropAfterFullDisk() override;

private:
    // A new PST (named after the database and the stamp; the next free name
    // when taken, even by a concurrent export) made and opened in the session.
    bool CreatePst();
    enum class Continued { Yes, NothingEarlier, Cannot };
    // Opens the PST of an earlier export of the database in the destination
    // to continue (found by the items it holds, whatever its name), and with
    // Split PST the earlier parts. NothingEarlier when there is none (each
    // file passed over is logged with why); Cannot, with the run failed,
    // when a file holding items of the database cannot be opened for
    // writing.
    Continued ContinuePst();
    // The store path of the folder at path in the PST named name.
    static std::string StorePathIn(const std::string& name, const std::string& path);
    // With Split PST on: when the current PST has contacts and bytesAhead
    // more would take it past the split size, a new PST with the current
    // folder path in it. False when no folder is left to write to.
    bool SplitBefore(uint64_t bytesAhead);
    // Commits and closes the current part, so that a split export holds
    // one part in memory at a time.
    void ClosePart();
    bool Splitting() const;
    // Saves an item of the current folder, first starting a new part when
    // Split PST is on and the item would not fit; the item is then made
    // again in the new part by remake(items of the new folder). what names
    // the item in the log.
    template <typename Item, typename Remake>
    bool SaveInPart(Item& item, const char* what, Remake remake);

    std::string pstName_;
    // Every PST whose folders hold items of this export (the parts, the
    // current one last): their folders at the current path are read for
    // what was saved.
    std::vector<std::string> parts_;
    std::string folderPath_;     // the current folder's path below the root
    uint64_t partContacts_ = 0;  // items saved in the current PST
    uint64_t committedInPart_ = 0;  // of those, the ones a commit brought into the file
    bool madePart_ = false;         // this run made the current PST
    uint64_t maxGrowth_ = 0;       // most a saved item added to the file
    uint64_t commitGrowth_ = 0;    // most a commit added to the file
    uint64_t lastCommitSize_ = 0;  // file size after the last measured commit
};

}  // namespace exporting
