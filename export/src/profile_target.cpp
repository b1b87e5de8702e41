#include "profile_target.h"

#include "run_context.h"

namespace exporting {

std::string ProfileTarget::PrepareFolder(const TargetFolder& folder) {
    // The picked folder exists; only the folders below it are made.
    OpenFolder(folder.path, !folder.path.empty());
    std::vector<store::Folder> holding;
    if (folder_) holding.push_back(*folder_);
    LoadSaved(std::move(holding));
    return storePath_;
}

std::string ProfileTarget::StorePath(const std::string& path) const {
    const std::string& picked = run_.options.destination;
    return path.empty() ? picked : picked + "\\" + path;
}

}  // namespace exporting
