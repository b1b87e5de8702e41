#include "bth.h"

#include "layout.h"

#include <pst/error.h>

namespace pst {

namespace {
[[noreturn]] void Bad() { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: property tree"); }
}

uint32_t ReserveBthHeader(HeapBuilder& heap) { return heap.Reserve(bth::kSize); }

void BuildBth(HeapBuilder& heap, uint32_t headerHid, uint8_t cbKey, uint8_t cbEnt, const Bytes& records) {
    uint8_t levels = 0;
    uint32_t root = 0;
    if (!records.empty()) {
        size_t size = cbKey + cbEnt;
        Bytes current = records;
        for (;;) {
            size_t perAlloc = kMaxHeapAllocation / size;
            size_t count = current.size() / size;
            Bytes upper;
            for (size_t at = 0; at < count; at += perAlloc) {
                size_t n = std::min(perAlloc, count - at);
                uint32_t hid = heap.Allocate(&current[at * size], n * size);
                AppendBytes(upper, &current[at * size], cbKey);
                Append32(upper, hid);
                root = hid;
            }
            if (count <= perAlloc) break;
            current = std::move(upper);
            size = cbKey + 4;
            ++levels;
        }
    }
    uint8_t header[bth::kSize] = {};
    header[bth::kType] = bth::kTypeValue;
    header[bth::kKeySize] = cbKey;
    header[bth::kEntrySize] = cbEnt;
    header[bth::kLevels] = levels;
    Put32(header + bth::kRoot, root);
    heap.Fill(headerHid, header, sizeof header);
}

namespace {
void Collect(const HeapReader& heap, uint32_t hid, int level, uint8_t cbKey, uint8_t cbEnt, Bytes& out) {
    auto [p, n] = heap.Get(hid);
    size_t size = level > 0 ? size_t(cbKey) + 4 : size_t(cbKey) + cbEnt;
    if (n % size != 0) Bad();
    for (size_t at = 0; at < n; at += size) {
        if (level > 0) Collect(heap, Get32(p + at + cbKey), level - 1, cbKey, cbEnt, out);
        else AppendBytes(out, p + at, size);
    }
}
}  // namespace

BthContents ReadBth(const HeapReader& heap, uint32_t headerHid) {
    auto [p, n] = heap.Get(headerHid);
    if (n < bth::kSize || p[bth::kType] != bth::kTypeValue || p[bth::kKeySize] == 0 || p[bth::kKeySize] > 16 ||
        p[bth::kLevels] > 8)
        Bad();
    BthContents c{p[bth::kKeySize], p[bth::kEntrySize], {}};
    uint32_t root = Get32(p + bth::kRoot);
    if (root != 0) Collect(heap, root, p[bth::kLevels], c.cbKey, c.cbEnt, c.records);
    return c;
}

}  // namespace pst
