// A depth-first recursive file search: the files of a folder are examined
// only after all of its subfolders, each match is reported to a callback as
// it is found, and a stop request ends every level at its next entry.
#pragma once

#include <selection/path.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace selection {

inline constexpr uint32_t FIND_SIZE = 0x01;
inline constexpr uint32_t FIND_ATTRIBUTES = 0x10;
// Attribute bits an entry may carry. Regular files carry the archive bit.
inline constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;

// True when name matches one of the ';'-separated wildcard patterns ('*' any
// run, '?' one character), compared without regard to ASCII case.
bool MatchesMask(std::string_view name, std::string_view mask);

class FileFinder {
public:
    struct FindOptions {
        FindOptions() { Reset(); }
        void Reset();

        std::string baseFolder;
        std::string fileMask;
        bool searchSubfolders = false;
        uint32_t filterFlags = 0;
        uint64_t minSize = 0, maxSize = 0;  // bytes, both inclusive
        uint32_t attributeMask = 0;
    };

    enum Code { kFileMatched = 0, kFileRejected = 1, kFolderStarted = 2 };
    using Callback = std::function<void(FileFinder&, Code)>;

    // Returns the number of matches found so far.
    int Find(const FindOptions& opts);
    void StopSearch() { stopRequested_ = true; }
    void RemoveAll() { foundPaths_.clear(); }
    int GetFileCount() const { return int(foundPaths_.size()); }
    // An index outside the matches gives an empty path.
    PathParts GetFilePath(int index) const;
    const std::string& GetSearchingFolder() const { return currentFolder_; }
    void SetCallback(Callback callback) { callback_ = std::move(callback); }

private:
    void FindIn(const FindOptions& opts);
    void Notify(Code code) {
        if (callback_) callback_(*this, code);
    }

    std::vector<std::string> foundPaths_;
    std::atomic<bool> stopRequested_{false};
    Callback callback_;
    std::string currentFolder_;
};

}  // namespace selection
