#include <selection/file_finder.h>

#include <base/ascii.h>

#include <filesystem>

namespace selection {

namespace fs = std::filesystem;

namespace {

bool MatchOne(std::string_view name, std::string_view pattern) {
    // Iterative wildcard match with back-tracking to the last '*'.
    size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || base::AsciiLower(pattern[p]) == base::AsciiLower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

uint32_t AttributesOf(const fs::directory_entry& entry) {
    std::error_code ec;
    if (entry.is_directory(ec)) return FILE_ATTRIBUTE_DIRECTORY;
    if (entry.is_regular_file(ec)) return FILE_ATTRIBUTE_ARCHIVE;
    return 0;
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    while (true) {
        size_t semi = mask.find(';');
        std::string_view one = mask.substr(0, semi);
        while (!one.empty() && one.front() == ' ') one.remove_prefix(1);
        while (!one.empty() && one.back() == ' ') one.remove_suffix(1);
        if (!one.empty() && MatchOne(name, one)) return true;
        if (semi == std::string_view::npos) return false;
        mask.remove_prefix(semi + 1);
    }
}

void FileFinder::FindOptions::Reset() {
    baseFolder.clear();
    fileMask = "*.*";
    searchSubfolders = false;
    filterFlags = 0;
    minSize = maxSize = 0;
    attributeMask = 0;
}

int FileFinder::Find(const FindOptions& opts) {
    stopRequested_ = false;
    FindIn(opts);
    return GetFileCount();
}

void FileFinder::FindIn(const FindOptions& given) {
    FindOptions opts = given;
    opts.baseFolder = PathParts::AddBackSlash(opts.baseFolder);
    std::error_code ec;

    if (opts.searchSubfolders) {
        fs::directory_iterator it(opts.baseFolder, ec), end;
        while (!ec && it != end) {
            if (stopRequested_) break;
            const fs::directory_entry& entry = *it;
            std::error_code typeEc;
            if (entry.is_directory(typeEc) && !entry.is_symlink(typeEc)) {
                FindOptions sub = opts;
                sub.baseFolder = opts.baseFolder + entry.path().filename().string();
                FindIn(sub);
            }
            it.increment(ec);
        }
    }

    currentFolder_ = opts.baseFolder;
    Notify(kFolderStarted);

    fs::directory_iterator it(opts.baseFolder, ec), end;
    while (!ec && it != end) {
        if (stopRequested_) break;
        const fs::directory_entry& entry = *it;
        const std::string name = entry.path().filename().string();
        if (MatchesMask(name, opts.fileMask)) {
            const uint32_t attributes = AttributesOf(entry);
            const bool isFolder = attributes == FILE_ATTRIBUTE_DIRECTORY;
            bool match = true;
            if ((opts.filterFlags & FIND_ATTRIBUTES) && (attributes & opts.attributeMask) == 0) match = false;
            if (match && (opts.filterFlags & FIND_SIZE)) {
                std::error_code sizeEc;
                uint64_t size = isFolder ? 0 : entry.file_size(sizeEc);
                if (sizeEc) size = 0;
                match = opts.minSize <= size && size <= opts.maxSize;
            }
            if (match) foundPaths_.push_back(opts.baseFolder + name + (isFolder ? "/" : ""));
            Notify(match ? kFileMatched : kFileRejected);
        }
        it.increment(ec);
    }
}

PathParts FileFinder::GetFilePath(int index) const {
    if (index < 0 || size_t(index) >= foundPaths_.size()) return PathParts();
    return PathParts(foundPaths_[size_t(index)]);
}

}  // namespace selection
