#include <msg/compound_file.h>

#include "compound_file_format.h"

#include <mapi/property.h>

#include <vector>

namespace msg {

namespace {

using namespace cfb;

struct RawEntry {
    std::string name;
    uint8_t type = 0;
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
};

[[noreturn]] void Fail(const std::string& what) { throw FormatError("not a valid compound file: " + what); }

class Reader {
public:
    Reader(std::string_view bytes, const std::function<bool(std::string_view)>* wanted) : b_(bytes), wanted_(wanted) {}
    Storage Read();

private:
    std::string_view Sector(uint32_t s) const;
    std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table, std::vector<bool>& claimed);
    std::string ReadChain(uint32_t start, uint64_t size);
    std::string ReadStream(const RawEntry& e);
    void Fill(Storage& into, uint32_t childRoot, int depth, const std::string& path);

    std::string_view b_;
    const std::function<bool(std::string_view)>* wanted_;  // null: every stream
    uint32_t sectorSize_ = 512;
    uint32_t miniSectorSize_ = 64;
    uint32_t miniCutoff_ = kMiniStreamCutoff;
    size_t sectorCount_ = 0;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::string mini_;
    std::vector<RawEntry> dir_;
    std::vector<bool> used_;
    // Sectors and mini sectors some chain has taken. A sector belongs to one
    // chain only, so that all the streams together never exceed the file.
    std::vector<bool> claimed_;
    std::vector<bool> miniClaimed_;
};

std::string_view Reader::Sector(uint32_t s) const {
    if (s >= sectorCount_) Fail("sector number out of range");
    return b_.substr(size_t(s + 1) * sectorSize_, sectorSize_);
}

std::vector<uint32_t> Reader::Chain(uint32_t start, const std::vector<uint32_t>& table, std::vector<bool>& claimed) {
    std::vector<uint32_t> out;
    for (uint32_t s = start; s != kEndOfChain;) {
        if (s >= table.size() || s >= claimed.size()) Fail("broken sector chain");
        if (claimed[s]) Fail("sector chain loops or shares sectors with another");
        claimed[s] = true;
        out.push_back(s);
        s = table[s];
    }
    return out;
}

std::string Reader::ReadChain(uint32_t start, uint64_t size) {
    if (size > b_.size()) Fail("stream larger than the file");
    std::string out;
    for (uint32_t s : Chain(start, fat_, claimed_)) {
        if (out.size() >= size) break;
        out.append(Sector(s));
    }
    if (out.size() < size) Fail("stream shorter than its size");
    out.resize(size);
    return out;
}

std::string Reader::ReadStream(const RawEntry& e) {
    if (e.size == 0) return {};
    if (e.size >= miniCutoff_) return ReadChain(e.start, e.size);
    std::string out;
    for (uint32_t s : Chain(e.start, miniFat_, miniClaimed_)) {
        if (out.size() >= e.size) break;
        size_t at = size_t(s) * miniSectorSize_;
        if (at + miniSectorSize_ > mini_.size()) Fail("mini sector out of range");
        out.append(mini_, at, miniSectorSize_);
    }
    if (out.size() < e.size) Fail("stream shorter than its size");
    out.resize(e.size);
    return out;
}

void Reader::Fill(Storage& into, uint32_t node, int depth, const std::string& path) {
    if (node == kNoStream) return;
    if (node >= dir_.size()) Fail("directory link out of range");
    if (used_[node] || depth > 256) Fail("directory tree loops");
    used_[node] = true;
    const RawEntry& e = dir_[node];
    if (e.type == kTypeStorage) {
        Fill(into.storages[e.name], e.child, depth + 1, path + e.name + "/");
    } else if (e.type == kTypeStream && (!wanted_ || (*wanted_)(path + e.name))) {
        into.streams[e.name] = ReadStream(e);
    }
    Fill(into, e.left, depth + 1, path);
    Fill(into, e.right, depth + 1, path);
}

Storage Reader::Read() {
    if (b_.size() < 512 || b_.substr(0, 8) != kSignature) Fail("missing signature");
    const uint16_t major = Get16(b_, 0x1A);
    const uint16_t shift = Get16(b_, 0x1E);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) Fail("unknown version");
    if (Get16(b_, 0x20) != 6) Fail("unknown mini sector size");
    sectorSize_ = 1u << shift;
    miniCutoff_ = Get32(b_, 0x38);
    if (b_.size() < sectorSize_) Fail("truncated header");
    sectorCount_ = b_.size() / sectorSize_ - 1;

    // FAT sector numbers: 109 in the header, the rest in the DIFAT chain.
    const uint32_t fatSectors = Get32(b_, 0x2C);
    if (fatSectors > sectorCount_) Fail("FAT larger than the file");
    std::vector<uint32_t> fatList;
    for (uint32_t i = 0; i < kHeaderDifatSlots && fatList.size() < fatSectors; ++i) fatList.push_back(Get32(b_, 0x4C + 4 * i));
    const uint32_t perSector = sectorSize_ / 4;
    uint32_t difat = Get32(b_, 0x44);
    for (size_t guard = 0; fatList.size() < fatSectors; ++guard) {
        if (difat == kEndOfChain || difat == kFreeSect || guard > sectorCount_) Fail("DIFAT chain too short");
        std::string_view s = Sector(difat);
        for (uint32_t k = 0; k + 1 < perSector && fatList.size() < fatSectors; ++k) fatList.push_back(Get32(s, 4 * k));
        difat = Get32(s, 4 * (perSector - 1));
    }
    claimed_.assign(sectorCount_, false);
    fat_.reserve(size_t(fatSectors) * perSector);
    for (uint32_t fs : fatList) {
        std::string_view s = Sector(fs);
        for (uint32_t k = 0; k < perSector; ++k) fat_.push_back(Get32(s, 4 * k));
    }

    // Directory.
    std::string dirBytes;
    for (uint32_t s : Chain(Get32(b_, 0x30), fat_, claimed_)) dirBytes.append(Sector(s));
    for (size_t at = 0; at + kDirEntrySize <= dirBytes.size(); at += kDirEntrySize) {
        std::string_view d(dirBytes.data() + at, kDirEntrySize);
        RawEntry e;
        uint16_t nameBytes = Get16(d, 0x40);
        if (nameBytes > 64) nameBytes = 64;
        std::u16string name;
        for (size_t k = 0; k + 1 < nameBytes; k += 2) {
            char16_t c = Get16(d, k);
            if (c == 0) break;
            name.push_back(c);
        }
        e.name = mapi::Utf16ToUtf8(name);
        e.type = uint8_t(d[0x42]);
        e.left = Get32(d, 0x44);
        e.right = Get32(d, 0x48);
        e.child = Get32(d, 0x4C);
        e.start = Get32(d, 0x74);
        e.size = major == 3 ? Get32(d, 0x78) : Get64(d, 0x78);
        dir_.push_back(std::move(e));
    }
    if (dir_.empty() || dir_[0].type != kTypeRoot) Fail("missing root entry");
    used_.assign(dir_.size(), false);
    used_[0] = true;

    // Mini stream and its allocation table.
    uint32_t miniFatStart = Get32(b_, 0x3C);
    if (miniFatStart != kEndOfChain && miniFatStart != kFreeSect)
        for (uint32_t s : Chain(miniFatStart, fat_, claimed_)) {
            std::string_view sv = Sector(s);
            for (uint32_t k = 0; k < perSector; ++k) miniFat_.push_back(Get32(sv, 4 * k));
        }
    if (dir_[0].size > 0) mini_ = ReadChain(dir_[0].start, dir_[0].size);
    miniClaimed_.assign(mini_.size() / miniSectorSize_, false);

    Storage root;
    Fill(root, dir_[0].child, 0, "");
    return root;
}

}  // namespace

Storage ReadCompoundFile(std::string_view bytes) { return Reader(bytes, nullptr).Read(); }

Storage ReadCompoundFile(std::string_view bytes, const std::function<bool(std::string_view path)>& wanted) {
    return Reader(bytes, &wanted).Read();
}

}  // namespace msg
