#include <msg/compound_file.h>

#include "compound_file_codec.h"

#include <base/little_endian.h>

#include <mapi/property.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <vector>

namespace msg {

namespace {

using namespace cfb;

// Sibling order in a storage: shorter names first, then by upper-cased code units.
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

// A directory entry and, for a stream, the bytes it names or what makes them.
struct Node {
    DirEntry entry;
    const std::string* data = nullptr;
    const MadeStream* made = nullptr;

    // Hands the stream's bytes to write; a made stream must make as many
    // as it said.
    void WriteData(const std::function<void(std::string_view)>& write) const {
        if (data) return write(*data);
        uint64_t count = 0;
        made->make([&](std::string_view piece) {
            count += piece.size();
            if (count > entry.size) throw std::invalid_argument("a made stream is longer than its size");
            write(piece);
        });
        if (count != entry.size) throw std::invalid_argument("a made stream is shorter than its size");
    }
};

Node NewNode(std::u16string name, uint8_t type, uint32_t start) {
    Node n;
    n.entry.name = std::move(name);
    n.entry.type = type;
    n.entry.color = dirEntry::kBlack;
    n.entry.start = start;
    return n;
}

uint32_t Ceil(uint64_t n, uint64_t d) { return uint32_t((n + d - 1) / d); }

class Layout {
public:
    explicit Layout(const Storage& root) {
        nodes_.push_back(NewNode(u"Root Entry", dirEntry::kTypeRoot, kEndOfChain));
        nodes_[0].entry.child = AddChildren(root);
    }
    // Hands the file to write in order: the header and every sector up to
    // the large streams, then each large stream as it is.
    void Build(const std::function<void(std::string_view)>& write);

private:
    uint32_t AddChildren(const Storage& s);
    uint32_t Balance(std::vector<uint32_t>& ids, size_t lo, size_t hi);
    DirEntry& Entry(uint32_t id) { return nodes_[id].entry; }

    std::vector<Node> nodes_;
};

std::u16string EntryName(const std::string& name) {
    std::u16string n = mapi::Utf8ToUtf16(name);
    if (n.empty() || n.size() > dirEntry::kNameMaxUnits)
        throw std::invalid_argument("compound file names need 1 to 31 characters: " + name);
    for (char16_t c : n)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!')
            throw std::invalid_argument("compound file names cannot hold / \\ : or !: " + name);
    return n;
}

uint32_t Layout::AddChildren(const Storage& s) {
    std::vector<uint32_t> ids;
    for (const auto& [name, sub] : s.storages) {
        ids.push_back(uint32_t(nodes_.size()));
        nodes_.push_back(NewNode(EntryName(name), dirEntry::kTypeStorage, 0));
        uint32_t child = AddChildren(sub);
        Entry(ids.back()).child = child;
    }
    // Streams and made streams in one order of names, so that a file is
    // laid out the same whichever way its streams are given.
    auto stream = s.streams.begin();
    auto made = s.madeStreams.begin();
    while (stream != s.streams.end() || made != s.madeStreams.end()) {
        const bool takeStream = made == s.madeStreams.end() || (stream != s.streams.end() && stream->first < made->first);
        ids.push_back(uint32_t(nodes_.size()));
        Node n = NewNode(EntryName(takeStream ? stream->first : made->first), dirEntry::kTypeStream, kEndOfChain);
        if (takeStream) {
            n.entry.size = stream->second.size();
            n.data = &(stream++)->second;
        } else {
            n.entry.size = made->second.size;
            n.made = &(made++)->second;
        }
        nodes_.push_back(std::move(n));
    }
    std::sort(ids.begin(), ids.end(), [this](uint32_t a, uint32_t b) {
        return CompareNames(Entry(a).name, Entry(b).name) < 0;
    });
    for (size_t i = 1; i < ids.size(); ++i)
        if (CompareNames(Entry(ids[i - 1]).name, Entry(ids[i]).name) == 0)
            throw std::invalid_argument("two entries of one storage share a name");
    return Balance(ids, 0, ids.size());
}

// A balanced binary search tree with every node black keeps lookups short and
// is a valid red-black tree for readers.
uint32_t Layout::Balance(std::vector<uint32_t>& ids, size_t lo, size_t hi) {
    if (lo >= hi) return kNoStream;
    size_t mid = lo + (hi - lo) / 2;
    DirEntry& e = Entry(ids[mid]);
    e.left = Balance(ids, lo, mid);
    e.right = Balance(ids, mid + 1, hi);
    return ids[mid];
}

bool InMiniStream(const DirEntry& e) { return e.type == dirEntry::kTypeStream && e.size > 0 && e.size < kMiniStreamCutoff; }
bool InSectors(const DirEntry& e) { return e.type == dirEntry::kTypeStream && e.size >= kMiniStreamCutoff; }

void Layout::Build(const std::function<void(std::string_view)>& write) {
    // Mini stream: small streams packed into mini sectors.
    std::string mini;
    std::vector<uint32_t> miniFat;
    uint32_t bigSectors = 0;
    for (auto& n : nodes_) {
        DirEntry& e = n.entry;
        if (InMiniStream(e)) {
            uint32_t first = uint32_t(miniFat.size()), count = Ceil(e.size, kMiniSectorSize);
            for (uint32_t i = 0; i < count; ++i) miniFat.push_back(i + 1 < count ? first + i + 1 : kEndOfChain);
            e.start = first;
            n.WriteData([&](std::string_view piece) { mini += piece; });
            mini.resize(size_t(miniFat.size()) * kMiniSectorSize, '\0');
        } else if (InSectors(e)) {
            bigSectors += Ceil(e.size, kSectorSize);
        }
    }
    const uint32_t dirSectors = Ceil(nodes_.size() * dirEntry::kSize, kSectorSize);
    const uint32_t miniFatSectors = Ceil(miniFat.size() * 4, kSectorSize);
    const uint32_t miniStreamSectors = Ceil(mini.size(), kSectorSize);
    const uint64_t dataSectors = uint64_t(dirSectors) + miniFatSectors + miniStreamSectors + bigSectors;

    // FAT sectors must also describe themselves and the DIFAT sectors.
    uint32_t fatSectors = 0, difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > header::kDifatSlots ? Ceil(fatSectors - header::kDifatSlots, kDifatIdsPerSector) : 0;
        uint32_t need = Ceil(dataSectors + fatSectors + difatSectors, kIdsPerSector);
        if (need <= fatSectors) break;
        fatSectors = need;
    }
    const uint64_t total = dataSectors + fatSectors + difatSectors;
    if (total >= kMaxRegSect) throw std::invalid_argument("compound file too large");

    // Sectors in order: FAT, DIFAT, directory, mini FAT, mini stream, large streams.
    std::vector<uint32_t> fat(size_t(fatSectors) * kIdsPerSector, kFreeSect);
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
    DirEntry& root = Entry(0);
    root.start = chain(miniStreamSectors);
    root.size = mini.size();
    const uint32_t largeStart = next;  // the large streams follow one another from here
    for (auto& n : nodes_)
        if (InSectors(n.entry)) n.entry.start = chain(Ceil(n.entry.size, kSectorSize));

    Header h;
    h.fatSectors = fatSectors;
    h.dirStart = dirStart;
    h.miniFatStart = miniFatSectors ? miniFatStart : kEndOfChain;
    h.miniFatSectors = miniFatSectors;
    h.difatStart = difatSectors ? difatStart : kEndOfChain;
    h.difatSectors = difatSectors;
    for (uint32_t i = 0; i < header::kDifatSlots && i < fatSectors; ++i) h.difat[i] = i;

    std::string out = EncodeHeader(h);
    out.resize(size_t(kSectorSize) * (largeStart + 1), '\0');
    auto sectorAt = [](uint32_t s) { return size_t(s + 1) * kSectorSize; };

    // DIFAT sectors list the FAT sectors beyond the header's.
    for (uint32_t d = 0; d < difatSectors; ++d) {
        size_t at = sectorAt(difatStart + d);
        for (uint32_t k = 0; k < kDifatIdsPerSector; ++k) {
            uint32_t fatIndex = header::kDifatSlots + d * kDifatIdsPerSector + k;
            base::Put32(out, at + 4 * k, fatIndex < fatSectors ? fatIndex : kFreeSect);
        }
        base::Put32(out, at + 4 * kDifatIdsPerSector, d + 1 < difatSectors ? difatStart + d + 1 : kEndOfChain);
    }
    for (size_t i = 0; i < fat.size(); ++i) base::Put32(out, sectorAt(0) + 4 * i, fat[i]);

    // Directory; the slots after the last entry are unused entries.
    const size_t slots = size_t(dirSectors) * (kSectorSize / dirEntry::kSize);
    for (size_t i = 0; i < slots; ++i)
        EncodeDirEntry(i < nodes_.size() ? nodes_[i].entry : DirEntry{}, out, sectorAt(dirStart) + i * dirEntry::kSize);
    for (size_t i = 0; i < miniFat.size(); ++i) base::Put32(out, sectorAt(miniFatStart) + 4 * i, miniFat[i]);
    if (!mini.empty()) out.replace(sectorAt(root.start), mini.size(), mini);
    write(out);
    const std::string padding(kSectorSize, '\0');
    for (const auto& n : nodes_) {
        if (!InSectors(n.entry)) continue;
        n.WriteData(write);
        if (const size_t rest = n.entry.size % kSectorSize) write(std::string_view(padding).substr(rest));
    }
}

}  // namespace

void WriteCompoundFile(const Storage& root, const std::function<void(std::string_view)>& write) { Layout(root).Build(write); }

std::string WriteCompoundFile(const Storage& root) {
    std::string out;
    WriteCompoundFile(root, [&](std::string_view piece) { out += piece; });
    return out;
}

}  // namespace msg
