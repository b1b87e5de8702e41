// What earlier exports saved in a store folder or as MSG files, read back
// through the source identity every item carries (mapi/source_identity.h),
// and the PST files of a destination folder that an export can continue.
//
//   store::SavedItems saved = store::ListSavedItems(folder);    // once per folder
//   switch (saved.StateOf(identity)) {
//   case mapi::SavedState::NotSaved: item = items.Add("IPM.Contact"); break;
//   case mapi::SavedState::Changed: item = items.Replace(saved.Find(identity.database, identity.unid)->where); break;
//   case mapi::SavedState::Unchanged: /* skipped */ break;
//   }
//   store::SetSourceIdentity(item, identity);  // before Save
#pragma once

#include <store/saved_index.h>
#include <store/session.h>

#include <mapi/source_identity.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace store {

// Saved items of a store folder by document; where: the item's id.
class SavedItems : public SavedIndex<uint32_t> {
public:
    // Items that carry no identity (another program's, an earlier version's)
    // or cannot be read: they are never looked up, so never replaced.
    size_t Foreign() const { return foreign_; }

private:
    friend SavedItems ListSavedItems(const Folder& folder);
    size_t foreign_ = 0;
};

// Reads the identity of every item of the folder: only those four
// properties of each item, in one pass. Throws StoreError.
SavedItems ListSavedItems(const Folder& folder);

// The same pass without the list: visit(identity, itemId, damaged) for each
// item that carries an identity, in the folder's order; returns how many do
// not (Foreign). For a caller that keeps the identities its own way, so that
// they are not held twice. An item that cannot be read is read once more
// past its blocks' checksums: when its identity is there it is visited as
// damaged (to be replaced, never taken as saved), else it is foreign. visit
// must not change the store (Items::ForEachItem); it may keep the identity.
// unreadable, when given, gets the items that could not be read even so
// (foreign too: whose they are cannot be told).
using SavedItemVisitor = std::function<void(mapi::SourceIdentity, uint32_t itemId, bool damaged)>;
size_t ForEachSavedItem(const Folder& folder, const SavedItemVisitor& visit, std::vector<uint32_t>* unreadable = nullptr);

// Records where the item comes from: on a contact item, a distribution list
// or any item that keeps its properties in MutableProperties().
template <class Item>
void SetSourceIdentity(Item& item, const mapi::SourceIdentity& identity) {
    mapi::SetSourceIdentity(item.MutableProperties(), identity);
}

// The identity an MSG file carries, reading nothing else of it; none when
// it carries none. Throws StoreError: NotFound, AccessDenied, BadFormat for
// a file that is not an MSG file.
std::optional<mapi::SourceIdentity> ReadMsgSourceIdentity(const std::string& path);

// Saved MSG files of a folder (not its sub-folders) by document; where: the
// file's name. Files that are not MSG files or carry no identity are left
// out. Throws StoreError when the folder cannot be read.
SavedIndex<std::string> ListSavedMsgFiles(const std::string& folder);

// The PST files of folder (".pst" in any case) as candidates to continue,
// found by what they hold, whatever their names: usable are those that open
// cleanly and hold an item of database (a file renamed, or made from a DXL
// file of another name, is found too), and those whose names start with
// namePrefix and hold no item at all (a run stopped before it saved any);
// newest (last modified) first. Refused, with the reason, are the files that
// do not open cleanly and those named with the prefix that hold items of
// other databases only; files of other names and other databases are left
// out without a word. A file of another name is judged folder by folder by
// the first item that carries an identity, as an export writes one database
// into a PST: a file of other databases costs a few reads.
struct PstCandidates {
    std::vector<std::string> usable;
    CheckedPst first;  // usable's first, as it was opened and checked, for OpenStoreFile
    std::vector<std::string> holding;  // of usable, those holding an item of database
    std::vector<std::pair<std::string, std::string>> refused;  // path, reason
};
PstCandidates FindPstsToContinue(const std::string& folder, const std::string& namePrefix, const std::string& database);

}  // namespace store
