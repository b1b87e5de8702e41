#include "bth.h"

#include <pst/error.h>

namespace pst {

namespace {
[[noreturn]] void Bad() { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: property tree"); }
}

uint32_t ReserveBthHeader(HeapBuilder& heap) { return heap.Reserve(kBthHeaderSize); }

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
    uint8_t header[kBthHeaderSize] = {0xB5, cbKey, cbEnt, levels, 0, 0, 0, 0};
    Put32(header + 4, root);
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
    if (n < 8 || p[0] != 0xB5 || p[1] == 0 || p[1] > 16 || p[3] > 8) Bad();
    BthContents c{p[1], p[2], {}};
    uint32_t root = Get32(p + 4);
    if (root != 0) Collect(heap, root, p[3], c.cbKey, c.cbEnt, c.records);
    return c;
}

}  // namespace pst
