// The default profile: a small per-user file that lists the mail stores (PST
// files and their display names) a session logs on to.
//
// Folder: $FERRYWELL_PROFILE when set, else $XDG_DATA_HOME/ferrywell, else
// ~/.local/share/ferrywell. File: profile.txt in that folder, UTF-8, one store
// per line as display name, TAB, PST path.
//
// Several processes share the profile (concurrent exports, the window, the
// companion program): every change is one Update, a read-modify-write under
// an exclusive lock on profile.lock beside the file, ending in an atomic
// replace, so that no process loses another's entry.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace store {

struct ProfileStore {
    std::string name;
    std::string path;
};

class Profile {
public:
    static std::string Directory();
    static std::string FilePath();
    // Reads the profile; a missing file gives an empty profile. Throws
    // StoreError when the file exists but cannot be read.
    static Profile Load();
    // Changes the profile in one step that no other process interleaves
    // with: takes the lock, reads the profile anew, lets change apply its
    // change and, when change returns true, writes the whole profile
    // (temporary file and rename). Returns the profile as it stands after.
    // What change throws leaves the file as it was, and passes on. The lock
    // is the caller's while change runs: claiming a name and making its file
    // in change is race-free. StoreError when the lock cannot be taken or
    // the profile cannot be read or written; StoreError(InvalidArgument) for
    // an entry that would break its line.
    static Profile Update(const std::function<bool(Profile&)>& change);

    const std::vector<ProfileStore>& Stores() const { return stores_; }
    const ProfileStore* Find(const std::string& name) const;  // case-insensitive for ASCII
    // Adds or replaces the store of that name, after CheckEntry.
    void Add(const ProfileStore& store);
    // Takes out the entry of that name and path; false when there is none.
    bool Remove(const ProfileStore& store);
    // StoreError(InvalidArgument) for an empty name or path, a control
    // character in either, a name of more than 255 characters or a path of
    // more than 4096 bytes.
    static void CheckEntry(const ProfileStore& store);

private:
    void Save() const;

    std::vector<ProfileStore> stores_;
};

// The folder of the default store: the profile folder.
inline constexpr const char* kDefaultStoreName = "Personal Folders";

bool SameName(const std::string& a, const std::string& b);

}  // namespace store
