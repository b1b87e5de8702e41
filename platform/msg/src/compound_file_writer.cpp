#include <msg/compound_file.h>

#include "compound_file_format.h"

#include <mapi/property.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace msg {

namespace cfb {
int CompareNames(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = char16_t(x - 32);
        if (y >= u'a' && y <= u'z') y = char16_t(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}
}  // namespace cfb

namespace {

using namespace cfb;

constexpr uint32_t kSector = 512;
constexpr uint32_t kMiniSector = 64;
constexpr uint32_t kFatPerSector = kSector / 4;

struct DirEntry {
    std::u16string name;
    uint8_t type = 0;
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    uint32_t start = kEndOfChain;
    uint64_t size = 0;
    const std::string* data = nullptr;
};

uint32_t Ceil(uint64_t n, uint64_t d) { return uint32_t((n + d - 1) / d); }

class Layout {
public:
    explicit Layout(const Storage& root) {
        entries_.push_back({u"Root Entry", kTypeRoot});
        entries_[0].child = AddChildren(root);
    }
    std::string Build();

private:
    uint32_t AddChildren(const Storage& s);
    uint32_t Balance(std::vector<uint32_t>& ids, size_t lo, size_t hi);

    std::vector<DirEntry> entries_;
};

std::u16string EntryName(const std::string& name) {
    std::u16string n = mapi::Utf8ToUtf16(name);
    if (n.empty() || n.size() > 31)
        throw std::invalid_argument("compound file names need 1 to 31 characters: " + name);
    for (char16_t c : n)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
            throw std::invalid_argument("compound file names cannot hold / \\ : or !: " + name);
    return n;
}

uint32_t Layout::AddChildren(const Storage& s) {
    std::vector<uint32_t> ids;
    for (const auto& [name, sub] : s.storages) {
        ids.push_back(uint32_t(entries_.size()));
        entries_.push_back({EntryName(name), kTypeStorage});
        entries_.back().start = 0;
        uint32_t child = AddChildren(sub);
        entries_[ids.back()].child = child;
    }
    for (const auto& [name, data] : s.streams) {
        ids.push_back(uint32_t(entries_.size()));
        DirEntry e{EntryName(name), kTypeStream};
        e.size = data.size();
        e.data = &data;
        entries_.push_back(std::move(e));
    }
    std::sort(ids.begin(), ids.end(), [this](uint32_t a, uint32_t b) {
        return CompareNames(entries_[a].name, entries_[b].name) < 0;
    });
    for (size_t i = 1; i < ids.size(); ++i)
        if (CompareNames(entries_[ids[i - 1]].name, entries_[ids[i]].name) == 0)
            throw std::invalid_argument("two entries of one storage share a name");
    return Balance(ids, 0, ids.size());
}

// A balanced binary search tree with every node black keeps lookups short and
// is a valid red-black tree for readers.
uint32_t Layout::Balance(std::vector<uint32_t>& ids, size_t lo, size_t hi) {
    if (lo >= hi) return kNoStream;
    size_t mid = lo + (hi - lo) / 2;
    DirEntry& e = entries_[ids[mid]];
    e.left = Balance(ids, lo, mid);
    e.right = Balance(ids, mid + 1, hi);
    return ids[mid];
}

std::string Layout::Build() {
    // Mini stream: small streams packed into 64-byte mini sectors.
    std::string mini;
    std::vector<uint32_t> miniFat;
    uint32_t bigSectors = 0;
    for (auto& e : entries_) {
        if (e.type != kTypeStream || e.size == 0) continue;
        if (e.size < kMiniStreamCutoff) {
            uint32_t first = uint32_t(miniFat.size()), n = Ceil(e.size, kMiniSector);
            for (uint32_t i = 0; i < n; ++i) miniFat.push_back(i + 1 < n ? first + i + 1 : kEndOfChain);
            e.start = first;
            mini += *e.data;
            mini.resize(size_t(miniFat.size()) * kMiniSector, '\0');
        } else {
            bigSectors += Ceil(e.size, kSector);
        }
    }
    const uint32_t dirSectors = Ceil(entries_.size() * kDirEntrySize, kSector);
    const uint32_t miniFatSectors = Ceil(miniFat.size() * 4, kSector);
    const uint32_t miniStreamSectors = Ceil(mini.size(), kSector);
    const uint64_t dataSectors = uint64_t(dirSectors) + miniFatSectors + miniStreamSectors + bigSectors;

    // FAT sectors must also describe themselves and the DIFAT sectors.
    uint32_t fatSectors = 0, difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > kHeaderDifatSlots ? Ceil(fatSectors - kHeaderDifatSlots, kFatPerSector - 1) : 0;
        uint32_t need = Ceil(dataSectors + fatSectors + difatSectors, kFatPerSector);
        if (need <= fatSectors) break;
        fatSectors = need;
    }
    const uint64_t total = dataSectors + fatSectors + difatSectors;
    if (total >= kMaxRegSect) throw std::invalid_argument("compound file too large");

    std::vector<uint32_t> fat(size_t(fatSectors) * kFatPerSector, kFreeSect);
    uint32_t next = 0;
    for (uint32_t i = 0; i < fatSectors; ++i) fat[next++] = kFatSect;
    const uint32_t difatStart = next;
    for (uint32_t i = 0; i < difatSectors; ++i) fat[next++] = kDifSect;
    auto chain = [&](uint32_t count) {
        if (count == 0) return kEndOfChain;
        uint32_t first = next;
        for (uint32_t i = 0; i < count; ++i, ++next) fat[next] = i + 1 < count ? next + 1 : kEndOfChain;
        return first;
    };
    const uint32_t dirStart = chain(dirSectors);
    const uint32_t miniFatStart = chain(miniFatSectors);
    entries_[0].start = chain(miniStreamSectors);
    entries_[0].size = mini.size();
    for (auto& e : entries_)
        if (e.type == kTypeStream && e.size >= kMiniStreamCutoff) e.start = chain(Ceil(e.size, kSector));

    std::string out(size_t(kSector) * (total + 1), '\0');
    auto sectorAt = [](uint32_t s) { return size_t(s + 1) * kSector; };

    // Header.
    out.replace(0, 8, kSignature);
    Put16(out, 0x18, 0x003E);
    Put16(out, 0x1A, 0x0003);
    Put16(out, 0x1C, 0xFFFE);
    Put16(out, 0x1E, 9);
    Put16(out, 0x20, 6);
    Put32(out, 0x2C, fatSectors);
    Put32(out, 0x30, dirStart);
    Put32(out, 0x38, kMiniStreamCutoff);
    Put32(out, 0x3C, miniFatSectors ? miniFatStart : kEndOfChain);
    Put32(out, 0x40, miniFatSectors);
    Put32(out, 0x44, difatSectors ? difatStart : kEndOfChain);
    Put32(out, 0x48, difatSectors);
    for (uint32_t i = 0; i < kHeaderDifatSlots; ++i) Put32(out, 0x4C + 4 * i, i < fatSectors ? i : kFreeSect);

    // DIFAT sectors list the FAT sectors beyond the header's 109.
    for (uint32_t d = 0; d < difatSectors; ++d) {
        size_t at = sectorAt(difatStart + d);
        for (uint32_t k = 0; k < kFatPerSector - 1; ++k) {
            uint32_t fatIndex = kHeaderDifatSlots + d * (kFatPerSector - 1) + k;
            Put32(out, at + 4 * k, fatIndex < fatSectors ? fatIndex : kFreeSect);
        }
        Put32(out, at + 4 * (kFatPerSector - 1), d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }
    for (size_t i = 0; i < fat.size(); ++i) Put32(out, kSector + 4 * i, fat[i]);

    // Directory; unused slots keep empty names and no links.
    for (size_t i = 0; i < size_t(dirSectors) * 4; ++i) {
        size_t at = sectorAt(dirStart) + i * kDirEntrySize;
        if (i >= entries_.size()) {
            Put32(out, at + 0x44, kNoStream);
            Put32(out, at + 0x48, kNoStream);
            Put32(out, at + 0x4C, kNoStream);
            continue;
        }
        const DirEntry& e = entries_[i];
        for (size_t k = 0; k < e.name.size(); ++k) Put16(out, at + 2 * k, e.name[k]);
        Put16(out, at + 0x40, uint16_t((e.name.size() + 1) * 2));
        out[at + 0x42] = char(e.type);
        out[at + 0x43] = 1;  // black
        Put32(out, at + 0x44, e.left);
        Put32(out, at + 0x48, e.right);
        Put32(out, at + 0x4C, e.child);
        Put32(out, at + 0x74, e.type == kTypeStorage ? 0 : (e.size ? e.start : kEndOfChain));
        Put64(out, at + 0x78, e.size);
    }
    for (size_t i = 0; i < miniFat.size(); ++i) Put32(out, sectorAt(miniFatStart) + 4 * i, miniFat[i]);
    if (!mini.empty()) out.replace(sectorAt(entries_[0].start), mini.size(), mini);
    for (const auto& e : entries_)
        if (e.type == kTypeStream && e.size >= kMiniStreamCutoff) out.replace(sectorAt(e.start), e.data->size(), *e.data);
    return out;
}

}  // namespace

std::string WriteCompoundFile(const Storage& root) { return Layout(root).Build(); }

}  // namespace msg
