#include "index.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace notesapi {

TextArena::Span TextArena::Add(std::string_view text) {
    // A piece never passes kPiece bytes, so an offset in it fits the span.
    constexpr size_t kPiece = 1 << 20;
    static_assert(kMaxText < kPiece);
    if (text.size() > kMaxText) throw std::length_error("text too large for the index");
    if (pieces_.empty() || pieces_.back().size() + text.size() > kPiece) {
        if (pieces_.size() >> 27) throw std::length_error("index texts too large");
        pieces_.emplace_back();
        pieces_.back().reserve(kPiece);
    }
    std::string& piece = pieces_.back();
    Span span{pieces_.size() - 1, piece.size(), text.size()};
    piece.append(text);
    return span;
}

uint64_t TextArena::Bytes() const {
    uint64_t bytes = 0;
    for (const std::string& piece : pieces_) bytes += piece.capacity();
    return bytes;
}

uint64_t DatabaseIndex::MemoryBytes() const {
    uint64_t bytes = sizeof *this + docs.Bytes() + summaries.Bytes() + values.Bytes() + arena.Bytes() +
                     DocumentCache::kMaxBytes;
    for (const std::string& s : strings) bytes += 2 * (s.capacity() + sizeof s) + sizeof(uint32_t);
    // Each view's entries once computed: about one a document.
    for (const ViewInfo& v : views) bytes += sizeof v + v.selection.size() + docs.size() * sizeof(ViewEntry);
    return bytes;
}

uint64_t TextArena::Absorb(TextArena&& other) {
    const uint64_t first = pieces_.size();
    if ((first + other.pieces_.size()) >> 27) throw std::length_error("index texts too large");
    for (std::string& piece : other.pieces_) pieces_.push_back(std::move(piece));
    other.pieces_.clear();
    return first;
}

PackedDatetime::PackedDatetime(const LNDatetime& dt)
    : year_(int16_t(dt.year)), zoneMinutes_(int16_t(dt.zoneMinutes)), month_(uint8_t(dt.month)), day_(uint8_t(dt.day)),
      hour_(uint8_t(dt.hour)), minute_(uint8_t(dt.minute)), second_(uint8_t(dt.second)), hundredth_(uint8_t(dt.hundredth)),
      flags_(uint8_t((dt.hasDate_ ? kDate : 0) | (dt.hasTime_ ? kTime : 0) | (dt.hasZone_ ? kZone : 0))) {}

LNDatetime PackedDatetime::Unpack() const {
    LNDatetime dt;
    dt.year = year_;
    dt.month = month_;
    dt.day = day_;
    dt.hour = hour_;
    dt.minute = minute_;
    dt.second = second_;
    dt.hundredth = hundredth_;
    dt.zoneMinutes = zoneMinutes_;
    dt.hasDate_ = flags_ & kDate;
    dt.hasTime_ = flags_ & kTime;
    dt.hasZone_ = flags_ & kZone;
    return dt;
}

void PackedDatetime::Save(char* out) const {
    const uint8_t bytes[kBytes] = {uint8_t(uint16_t(year_)), uint8_t(uint16_t(year_) >> 8), uint8_t(uint16_t(zoneMinutes_)),
                                   uint8_t(uint16_t(zoneMinutes_) >> 8), month_, day_, hour_, minute_, second_, hundredth_,
                                   flags_};
    std::memcpy(out, bytes, kBytes);
}

PackedDatetime PackedDatetime::Load(const char* in) {
    uint8_t b[kBytes];
    std::memcpy(b, in, kBytes);
    PackedDatetime dt;
    dt.year_ = int16_t(uint16_t(b[0] | b[1] << 8));
    dt.zoneMinutes_ = int16_t(uint16_t(b[2] | b[3] << 8));
    dt.month_ = b[4];
    dt.day_ = b[5];
    dt.hour_ = b[6];
    dt.minute_ = b[7];
    dt.second_ = b[8];
    dt.hundredth_ = b[9];
    dt.flags_ = b[10];
    return dt;
}

uint32_t DatabaseIndex::Intern(std::string_view s) {
    auto it = stringIds.find(s);
    if (it != stringIds.end()) return it->second;
    uint32_t id = uint32_t(strings.size());
    strings.emplace_back(s);
    stringIds.emplace(strings.back(), id);
    return id;
}

std::optional<uint32_t> DatabaseIndex::FindString(std::string_view s) const {
    auto it = stringIds.find(s);
    if (it == stringIds.end()) return std::nullopt;
    return it->second;
}

DatabaseIndex::Summarised DatabaseIndex::SummaryValues(size_t d, std::string_view lowerName,
                                                       std::vector<std::string>* out) const {
    const std::optional<uint32_t> found = FindString(lowerName);
    if (!found || *found >= summarised.size() || !summarised[*found]) return Summarised::NotKept;
    const uint32_t id = *found;
    const DocRecord& doc = docs[d];
    // A document's values follow one another in the order of its summaries.
    uint32_t value = doc.firstValue;
    for (uint32_t s = doc.firstSummary; s < doc.firstSummary + doc.summaryCount; value += summaries[s].valueCount, ++s) {
        const Summary& sum = summaries[s];
        if (sum.name != id) continue;
        if (sum.large) return Summarised::NotKept;
        out->clear();
        for (uint32_t v = 0; v < sum.valueCount; ++v) out->emplace_back(Value(value + v));
        if (out->empty()) out->emplace_back();
        return Summarised::Kept;
    }
    return Summarised::Missing;
}

std::optional<std::vector<std::string>> DatabaseIndex::ItemValues(size_t d, std::string_view name, Failure* failure,
                                                                   size_t maxEach) const {
    const std::string lower = AsciiLower(name);
    const DocRecord& doc = docs[d];
    if (lower == "form" && !strings[doc.form].empty()) return std::vector<std::string>{strings[doc.form]};
    std::vector<std::string> kept;
    switch (SummaryValues(d, lower, &kept)) {
    case Summarised::Kept: return kept;
    case Summarised::Missing: return std::nullopt;
    case Summarised::NotKept: break;
    }
    std::shared_ptr<const DocumentItems> items;
    if (Failure st = LoadDocument(d, &items)) {
        if (failure && !*failure) *failure = std::move(st);
        return std::nullopt;
    }
    const Item* item = items->Find(lower);
    if (!item) return std::nullopt;
    std::vector<std::string> out = item->values.ToVector(maxEach);
    if (item->type == ItemType::Datetime)
        for (const auto& dt : item->dates) out.push_back(dt.Text());
    if (out.empty()) out.emplace_back();
    return out;
}

int64_t MtimeNs(const struct stat& sb) { return int64_t(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec; }
int64_t CtimeNs(const struct stat& sb) { return int64_t(sb.st_ctim.tv_sec) * 1000000000 + sb.st_ctim.tv_nsec; }

bool DatabaseIndex::SameFile(const struct stat& sb) const {
    return uint64_t(sb.st_size) == fileSize && MtimeNs(sb) == mtimeNs && CtimeNs(sb) == ctimeNs &&
           uint64_t(sb.st_dev) == device && uint64_t(sb.st_ino) == inode;
}

Failure OpenRegularFile(const std::string& path, base::UniqueFd* fd, struct stat* sb) {
    base::UniqueFd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!f)
        return NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be opened: " + std::strerror(errno) + ".");
    const char* kind = nullptr;
    if (::fstat(f.get(), sb) != 0) {
        const int error = errno;
        return NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be opened: " + std::strerror(error) + ".");
    }
    if (S_ISDIR(sb->st_mode)) kind = "a folder";
    else if (S_ISFIFO(sb->st_mode)) kind = "a pipe";
    else if (S_ISCHR(sb->st_mode) || S_ISBLK(sb->st_mode)) kind = "a device";
    else if (!S_ISREG(sb->st_mode)) kind = "not a regular file";
    if (kind) return NotesError(LNERR_FILE_OPEN, path + " is " + kind + ", not a database file. Choose a DXL file.");
    const int flags = ::fcntl(f.get(), F_GETFL);
    if (flags >= 0) ::fcntl(f.get(), F_SETFL, flags & ~O_NONBLOCK);
    *fd = std::move(f);
    return std::nullopt;
}

DatabaseIndex::~DatabaseIndex() = default;

int DatabaseIndex::File(Failure* failure) const {
    std::lock_guard lock(fileMutex_);
    if (!fd_) {
        struct stat sb {};
        base::UniqueFd fd;
        if (Failure st = OpenRegularFile(path, &fd, &sb)) {
            // Gone, or replaced by something that is not a file, since it was read.
            struct stat now {};
            const int found = ::stat(path.c_str(), &now);
            const bool gone = (found != 0 && errno == ENOENT) || (found == 0 && !S_ISREG(now.st_mode));
            *failure = gone ? Changed() : std::move(st);
            return -1;
        }
        fd_ = std::move(fd);
    }
    return fd_.get();
}

Failure DatabaseIndex::Changed() const {
    return NotesError(LNERR_DATABASE_CHANGED, "The database file " + path + " changed after it was opened. Open it again.");
}

Failure DatabaseIndex::CheckUnchanged(int fd) const {
    struct stat sb {};
    if (::fstat(fd, &sb) != 0)
        return NotesError(LNERR_FILE_OPEN, "The database file " + path + " cannot be read: " + std::strerror(errno) + ".");
    if (!SameFile(sb)) return Changed();
    return std::nullopt;
}

uint32_t NameShape(std::string_view name) {
    if (name.empty()) return 0;
    const auto fold = [](char c) { return uint32_t(uint8_t(base::AsciiLower(c))); };
    return uint32_t(std::min<size_t>(name.size(), 0xFFFF)) << 16 | fold(name.front()) << 8 | fold(name.back());
}

void DocumentItems::IndexNames() {
    if (items.size() <= kIndexedFrom) return;
    firstByName.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) firstByName.emplace(base::AsciiLower(items[i].name), i);
}

const Item* DocumentItems::Find(std::string_view name) const {
    if (!firstByName.empty()) {
        auto it = firstByName.find(base::AsciiLower(name));
        return it == firstByName.end() ? nullptr : &items[it->second];
    }
    // Names are mostly asked for as they are written: bytes compare first.
    const uint32_t shape = NameShape(name);
    for (const Item& item : items)
        if (item.shape == shape && (item.name == name || base::EqualsIgnoringAsciiCase(item.name, name))) return &item;
    return nullptr;
}

Failure DatabaseIndex::LoadDocument(size_t d, std::shared_ptr<const DocumentItems>* out) const {
    const DocRecord& doc = docs[d];
    constexpr uint64_t kMaxDocumentBytes = uint64_t(1) << 30;
    if (doc.size > kMaxDocumentBytes)
        return NotesError(LNERR_MALFORMED, "A document of " + path + " is larger than 1 GB and is not read.");
    Failure failure;
    const int fd = File(&failure);
    if (fd < 0) return failure;
    if (auto kept = documentCache_.Find(d)) {
        if (Failure st = CheckUnchanged(fd)) return st;
        *out = std::move(kept);
        return std::nullopt;
    }
    auto items = std::make_shared<DocumentItems>();
    DocumentSpan span{doc.begin, doc.End(), doc.begin + doc.skipAt, doc.begin + doc.skipAt + doc.skipSize};
    Failure st = ReadDocument(fd, span, path, encoding, rootNamespaces, items.get());
    // A file changed before or while it was read: what was read means
    // nothing. One check after the read tells both.
    if (Failure after = CheckUnchanged(fd)) return after;
    if (st) return st;
    items->IndexNames();
    if (documentCache_.IsRepeated(d)) documentCache_.Keep(d, doc.size, items);
    *out = std::move(items);
    return std::nullopt;
}

}  // namespace notesapi
