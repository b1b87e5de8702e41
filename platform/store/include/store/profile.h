// The default profile: a small per-user file that lists the mail stores (PST
// files and their display names) a session logs on to.
//
// Folder: $FERRYWELL_PROFILE when set, else $XDG_DATA_HOME/ferrywell, else
// ~/.local/share/ferrywell. File: profile.txt in that folder, UTF-8, one store
// per line as display name, TAB, PST path.
#pragma once

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
    // Writes the whole profile (through a temporary file and a rename).
    // StoreError(InvalidArgument) for an entry that would break its line.
    void Save() const;

    const std::vector<ProfileStore>& Stores() const { return stores_; }
    const ProfileStore* Find(const std::string& name) const;  // case-insensitive for ASCII
    // Adds or replaces the store of that name, after CheckEntry.
    void Add(const ProfileStore& store);
    // StoreError(InvalidArgument) for an empty name or path, a control
    // character in either, a name of more than 255 characters or a path of
    // more than 4096 bytes.
    static void CheckEntry(const ProfileStore& store);

private:
    std::vector<ProfileStore> stores_;
};

// The folder of the default store: the profile folder.
inline constexpr const char* kDefaultStoreName = "Personal Folders";

bool SameName(const std::string& a, const std::string& b);

}  // namespace store
