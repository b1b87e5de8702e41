#include "index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace notesapi {

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

uint32_t DatabaseIndex::Intern(std::string_view s) {
    auto it = stringIds.find(std::string(s));
    if (it != stringIds.end()) return it->second;
    uint32_t id = uint32_t(strings.size());
    strings.emplace_back(s);
    stringIds.emplace(strings.back(), id);
    return id;
}

std::optional<uint32_t> DatabaseIndex::FindString(std::string_view s) const {
    auto it = stringIds.find(std::string(s));
    if (it == stringIds.end()) return std::nullopt;
    return it->second;
}

bool DatabaseIndex::IsSummarised(std::string_view lowerName) const {
    auto id = FindString(lowerName);
    return id && *id < summarised.size() && summarised[*id];
}

std::optional<std::vector<std::string>> DatabaseIndex::ItemValues(size_t d, std::string_view name) const {
    const std::string lower = AsciiLower(name);
    const DocRecord& doc = docs[d];
    if (lower == "form" && !strings[doc.form].empty()) return std::vector<std::string>{strings[doc.form]};
    if (IsSummarised(lower)) {
        uint32_t id = *FindString(lower);
        for (uint32_t s = doc.firstSummary; s < doc.firstSummary + doc.summaryCount; ++s) {
            const Summary& sum = summaries[s];
            if (sum.name != id) continue;
            std::vector<std::string> out;
            for (uint32_t v = 0; v < sum.valueCount; ++v) out.emplace_back(Value(sum.firstValue + v));
            if (out.empty()) out.emplace_back();
            return out;
        }
        return std::nullopt;
    }
    std::shared_ptr<const DocumentItems> items;
    if (LoadDocument(d, &items) != LNNOERROR) return std::nullopt;
    for (const auto& item : items->items)
        if (AsciiLower(item->name) == lower) {
            std::vector<std::string> out = item->values;
            if (item->type == ItemType::Datetime)
                for (const auto& dt : item->dates) out.push_back(dt.Text());
            if (out.empty()) out.emplace_back();
            return out;
        }
    return std::nullopt;
}

DatabaseIndex::~DatabaseIndex() {
    if (fd_ >= 0) ::close(fd_);
}

int DatabaseIndex::File(LNSTATUS* status) const {
    std::lock_guard lock(fileMutex_);
    if (fd_ < 0) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0)
            *status = MakeStatus(LNERR_FILE_OPEN,
                                 "The database file " + path + " cannot be opened: " + std::strerror(errno) + ".");
    }
    return fd_;
}

LNSTATUS DatabaseIndex::LoadDocument(size_t d, std::shared_ptr<const DocumentItems>* out) const {
    const DocRecord& doc = docs[d];
    constexpr uint64_t kMaxDocumentBytes = uint64_t(1) << 30;
    if (doc.end < doc.begin || doc.end - doc.begin > kMaxDocumentBytes)
        return MakeStatus(LNERR_MALFORMED, "A document of " + path + " is larger than 1 GB and is not read.");
    LNSTATUS status = LNNOERROR;
    const int fd = File(&status);
    if (fd < 0) return status;
    struct stat sb {};
    int64_t mtime = (::fstat(fd, &sb) == 0) ? int64_t(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec : -1;
    if (uint64_t(sb.st_size) != fileSize || mtime != mtimeNs) {
        return MakeStatus(LNERR_DATABASE_CHANGED, "The database file " + path + " changed after it was opened. Open it again.");
    }
    std::string bytes(doc.end - doc.begin, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, off_t(doc.begin + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += size_t(n);
    }
    if (got != bytes.size())
        return MakeStatus(LNERR_FILE_OPEN, "The database file " + path + " cannot be read.");
    auto items = std::make_shared<DocumentItems>();
    LNSTATUS st = ParseDocument(bytes, encoding, items.get());
    if (st != LNNOERROR) return st;
    *out = std::move(items);
    return LNNOERROR;
}

namespace {
struct CacheEntry {
    std::shared_ptr<const DatabaseIndex> index;
};
std::mutex g_cacheMutex;
std::map<std::string, CacheEntry> g_cache;
}  // namespace

LNSTATUS OpenIndex(const std::string& path, std::shared_ptr<const DatabaseIndex>* out) {
    struct stat sb {};
    if (::stat(path.c_str(), &sb) == 0) {
        int64_t mtime = int64_t(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec;
        std::lock_guard lock(g_cacheMutex);
        auto it = g_cache.find(path);
        if (it != g_cache.end() && it->second.index->fileSize == uint64_t(sb.st_size) &&
            it->second.index->mtimeNs == mtime) {
            *out = it->second.index;
            return LNNOERROR;
        }
    }
    // Parse outside the lock: another database may be opened meanwhile.
    std::shared_ptr<const DatabaseIndex> index;
    LNSTATUS st = BuildIndex(path, &index);
    if (st != LNNOERROR) return st;
    std::lock_guard lock(g_cacheMutex);
    if (g_cache.size() >= 4) g_cache.clear();  // keep memory bounded; sessions hold what they use
    g_cache[path] = CacheEntry{index};
    *out = std::move(index);
    return LNNOERROR;
}

}  // namespace notesapi
