// A folder that belongs to one owner (a window, a run): made inside a parent
// folder under a name nobody else holds, open to this user only (mode 0700),
// and removed with what it holds when its owner lets it go. Two owners, in
// one process or two, never share one.
#pragma once

#include <string>

namespace selection {

// Makes parent/<prefix>-XXXXXX with a unique name and mode 0700 and returns
// its path without a trailing separator; empty when it cannot be made.
std::string MakePrivateFolder(const std::string& parent, const std::string& prefix);

class PrivateFolder {
public:
    PrivateFolder(const std::string& parent, const std::string& prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;

    // The folder with a trailing separator; empty when it could not be made.
    const std::string& Path() const { return path_; }
    // The parent folder as it was given.
    const std::string& Parent() const { return parent_; }
    // True while the folder is still there.
    bool Exists() const;

private:
    std::string parent_;
    std::string path_;
};

}  // namespace selection
