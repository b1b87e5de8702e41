#include <selection/path.h>
#include <selection/private_folder.h>

#include <cstdlib>
#include <filesystem>

namespace selection {

std::string MakePrivateFolder(const std::string& parent, const std::string& prefix) {
    if (parent.empty()) return {};
    // mkdtemp makes the folder with mode 0700 under a name nobody else holds.
    std::string folder = PathParts::AddBackSlash(parent) + prefix + "-XXXXXX";
    if (!::mkdtemp(folder.data())) return {};
    return folder;
}

PrivateFolder::PrivateFolder(const std::string& parent, const std::string& prefix) : parent_(parent) {
    const std::string folder = MakePrivateFolder(parent, prefix);
    if (!folder.empty()) path_ = folder + "/";
}

PrivateFolder::~PrivateFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

bool PrivateFolder::Exists() const {
    std::error_code ec;
    return !path_.empty() && std::filesystem::is_directory(path_, ec);
}

}  // namespace selection
