#include <selection/path.h>
#include <selection/scratch.h>

#include <filesystem>

namespace selection {

namespace fs = std::filesystem;

std::string SystemTempFolder() {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    return CPath::AddBackSlash(temp.string());
}

std::string DefaultScratchPath(const std::string& tempFolder) { return tempFolder + kScratchName; }

std::string ScratchPathAfterBrowse(const std::string& tempFolder) {
    return tempFolder + kScratchName + "/";
}

std::string ScratchPathInFolder(const std::string& folder) { return folder + "/" + kScratchName + "/"; }

bool CreateScratchFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

std::string SourceTitle(const std::string& fullPath) { return CPath(fullPath).GetBaseName(); }

std::string JoinFolderAndName(const std::string& folder, const std::string& name) {
    return CPath::AddBackSlash(folder) + name;
}

}  // namespace selection
