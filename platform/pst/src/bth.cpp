#include "bth.h"

#include "layout.h"

#include <pst/error.h>

#include <algorithm>

namespace pst {

namespace {
[[noreturn]] void Bad() { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: property tree"); }
}

uint32_t ReserveBthHeader(HeapBuilder& heap) { return heap.Reserve(bth::kSize); }

BthRoot BuildBthLevels(const HeapAllocator& allocate, uint8_t cbKey, size_t recordSize, Bytes records, uint8_t level) {
    BthRoot out{0, level};
    size_t size = recordSize;
    for (;;) {
        const size_t perAlloc = kMaxHeapAllocation / size;
        const size_t count = records.size() / size;
        Bytes upper;
        for (size_t at = 0; at < count; at += perAlloc) {
            size_t n = std::min(perAlloc, count - at);
            uint32_t hid = allocate(&records[at * size], n * size);
            base::AppendBytes(upper, &records[at * size], cbKey);
            base::Append32(upper, hid);
            out.root = hid;
        }
        if (count <= perAlloc) return out;
        records = std::move(upper);
        size = cbKey + bth::kIndexHidSize;
        ++out.levels;
    }
}

void PutBthHeader(uint8_t* header, uint8_t cbKey, uint8_t cbEnt, BthRoot root) {
    std::fill(header, header + bth::kSize, 0);
    header[bth::kType] = bth::kTypeValue;
    header[bth::kKeySize] = cbKey;
    header[bth::kEntrySize] = cbEnt;
    header[bth::kLevels] = root.levels;
    base::Put32(header + bth::kRoot, root.root);
}

void BuildBth(HeapBuilder& heap, uint32_t headerHid, uint8_t cbKey, uint8_t cbEnt, const Bytes& records) {
    BthRoot root{0, 0};
    if (!records.empty())
        root = BuildBthLevels([&](const uint8_t* p, size_t n) { return heap.Allocate(p, n); }, cbKey, size_t(cbKey) + cbEnt,
                              records, 0);
    uint8_t header[bth::kSize];
    PutBthHeader(header, cbKey, cbEnt, root);
    heap.Fill(headerHid, header, sizeof header);
}

namespace {
void Collect(const HeapReader& heap, uint32_t hid, int level, uint8_t cbKey, uint8_t cbEnt, Bytes& out) {
    auto [p, n] = heap.Get(hid);
    size_t size = size_t(cbKey) + (level > 0 ? bth::kIndexHidSize : cbEnt);
    if (n % size != 0) Bad();
    for (size_t at = 0; at < n; at += size) {
        if (level > 0) Collect(heap, base::Get32(p + at + cbKey), level - 1, cbKey, cbEnt, out);
        else base::AppendBytes(out, p + at, size);
    }
}
}  // namespace

BthContents ReadBth(const HeapReader& heap, uint32_t headerHid) {
    auto [p, n] = heap.Get(headerHid);
    if (n < bth::kSize || p[bth::kType] != bth::kTypeValue || p[bth::kKeySize] == 0 || p[bth::kKeySize] > 16 ||
        p[bth::kLevels] > 8)
        Bad();
    BthContents c{p[bth::kKeySize], p[bth::kEntrySize], {}};
    uint32_t root = base::Get32(p + bth::kRoot);
    if (root != 0) Collect(heap, root, p[bth::kLevels], c.cbKey, c.cbEnt, c.records);
    return c;
}

}  // namespace pst
