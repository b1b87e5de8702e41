#include <msg/compound_file.h>

#include "compound_file_codec.h"

#include <base/little_endian.h>

#include <mapi/property.h>

#include <vector>

namespace msg {

namespace {

using namespace cfb;

[[noreturn]] void Fail(const std::string& what) { throw FormatError("not a valid compound file: " + what); }

class Reader {
public:
    Reader(std::string_view bytes, const std::function<bool(std::string_view)>* wanted) : b_(bytes), wanted_(wanted) {}
    Storage Read();

private:
    std::string_view Sector(uint32_t s) const;
    std::vector<uint32_t> Chain(uint32_t start, const std::vector<uint32_t>& table, std::vector<bool>& claimed);
    std::string ReadChain(uint32_t start, uint64_t size);
    std::string ReadStream(const DirEntry& e);
    void Fill(Storage& into, uint32_t childRoot, int depth, const std::string& path);

    std::string_view b_;
    const std::function<bool(std::string_view)>* wanted_;  // null: every stream
    uint32_t sectorSize_ = kSectorSize;
    uint32_t miniSectorSize_ = kMiniSectorSize;
    uint32_t miniCutoff_ = kMiniStreamCutoff;
    size_t sectorCount_ = 0;
    std::vector<uint32_t> fat_;
    std::vector<uint32_t> miniFat_;
    std::string mini_;
    std::vector<DirEntry> dir_;
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

std::string Reader::ReadStream(const DirEntry& e) {
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
    const DirEntry& e = dir_[node];
    if (e.type == dirEntry::kTypeStorage) {
        const std::string name = mapi::Utf16ToUtf8(e.name);
        Fill(into.storages[name], e.child, depth + 1, path + name + "/");
    } else if (e.type == dirEntry::kTypeStream) {
        const std::string name = mapi::Utf16ToUtf8(e.name);
        if (!wanted_ || (*wanted_)(path + name)) into.streams[name] = ReadStream(e);
    }
    Fill(into, e.left, depth + 1, path);
    Fill(into, e.right, depth + 1, path);
}

Storage Reader::Read() {
    if (b_.size() < header::kSize || !HasSignature(b_)) Fail("missing signature");
    const Header h = DecodeHeader(b_);
    if (!((h.majorVersion == header::kVersion3 && h.sectorShift == header::kSectorShift3) ||
          (h.majorVersion == header::kVersion4 && h.sectorShift == header::kSectorShift4)))
        Fail("unknown version");
    if (h.miniSectorShift != header::kMiniSectorShiftValue) Fail("unknown mini sector size");
    sectorSize_ = 1u << h.sectorShift;
    miniCutoff_ = h.miniStreamCutoff;
    if (b_.size() < sectorSize_) Fail("truncated header");
    sectorCount_ = b_.size() / sectorSize_ - 1;

    // FAT sector numbers: kDifatSlots in the header, the rest in the DIFAT chain.
    if (h.fatSectors > sectorCount_) Fail("FAT larger than the file");
    std::vector<uint32_t> fatList;
    for (uint32_t i = 0; i < header::kDifatSlots && fatList.size() < h.fatSectors; ++i) fatList.push_back(h.difat[i]);
    const uint32_t perSector = sectorSize_ / 4;
    uint32_t difat = h.difatStart;
    for (size_t guard = 0; fatList.size() < h.fatSectors; ++guard) {
        if (difat == kEndOfChain || difat == kFreeSect || guard > sectorCount_) Fail("DIFAT chain too short");
        std::string_view s = Sector(difat);
        for (uint32_t k = 0; k + 1 < perSector && fatList.size() < h.fatSectors; ++k) fatList.push_back(base::Get32(s, 4 * k));
        difat = base::Get32(s, 4 * (perSector - 1));
    }
    claimed_.assign(sectorCount_, false);
    fat_.reserve(size_t(h.fatSectors) * perSector);
    for (uint32_t fs : fatList) {
        std::string_view s = Sector(fs);
        for (uint32_t k = 0; k < perSector; ++k) fat_.push_back(base::Get32(s, 4 * k));
    }

    // Directory.
    std::string dirBytes;
    for (uint32_t s : Chain(h.dirStart, fat_, claimed_)) dirBytes.append(Sector(s));
    for (size_t at = 0; at + dirEntry::kSize <= dirBytes.size(); at += dirEntry::kSize)
        dir_.push_back(DecodeDirEntry(std::string_view(dirBytes.data() + at, dirEntry::kSize), h.majorVersion));
    if (dir_.empty() || dir_[0].type != dirEntry::kTypeRoot) Fail("missing root entry");
    used_.assign(dir_.size(), false);
    used_[0] = true;

    // Mini stream and its allocation table.
    if (h.miniFatStart != kEndOfChain && h.miniFatStart != kFreeSect)
        for (uint32_t s : Chain(h.miniFatStart, fat_, claimed_)) {
            std::string_view sv = Sector(s);
            for (uint32_t k = 0; k < perSector; ++k) miniFat_.push_back(base::Get32(sv, 4 * k));
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
