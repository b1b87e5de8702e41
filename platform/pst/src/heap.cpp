#include "heap.h"

#include "layout.h"
#include "node_database.h"

#include <pst/error.h>

namespace pst {

namespace {
[[noreturn]] void Bad(const char* what) { throw PstError(ErrorKind::BadFormat, std::string("The PST file is damaged: ") + what); }

uint8_t FillLevel(size_t freeBytes) {
    static const size_t limits[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768, 512, 256, 128, 64, 32, 16, 8};
    for (uint8_t i = 0; i < 15; ++i)
        if (freeBytes >= limits[i]) return i;
    return 15;
}
}  // namespace

size_t HeapHeaderSize(size_t index) {
    if (index == 0) return hn::kFirstHeaderSize;
    if (index >= 8 && (index - 8) % 128 == 0) return hn::kBitmapHeaderSize;
    return hn::kPageHeaderSize;
}

bool HeapPageFits(size_t index, size_t used, size_t allocations, size_t size) {
    size_t end = HeapHeaderSize(index) + used + size;
    end += end & 1;
    return end + hn::kMapOffsets + 2 * (allocations + 2) <= kMaxBlockData && allocations < hn::kMaxAllocations;
}

Bytes EncodeHeapPage(size_t index, const Bytes& data, const std::vector<uint16_t>& ends) {
    const size_t header = HeapHeaderSize(index);
    Bytes page;
    page.reserve(header + data.size() + 1 + hn::kMapOffsets + 2 * (ends.size() + 1));
    page.resize(header, 0);
    page.insert(page.end(), data.begin(), data.end());
    if (page.size() & 1) page.push_back(0);
    uint16_t map = uint16_t(page.size());
    base::Put16(&page[hn::kPageMap], map);
    base::Append16(page, uint16_t(ends.size()));
    base::Append16(page, 0);
    base::Append16(page, uint16_t(header));
    for (uint16_t e : ends) base::Append16(page, e);
    return page;
}

uint8_t HeapFillLevel(const Bytes& page) { return FillLevel(kMaxBlockData - page.size()); }

uint32_t HeapId(size_t block, size_t allocation) {
    return uint32_t(block) << hn::kHidBlockShift | uint32_t(allocation) << hn::kHidIndexShift;
}

HeapBuilder::HeapBuilder(uint8_t clientSig) : clientSig_(clientSig) {}

uint32_t HeapBuilder::Allocate(const uint8_t* data, size_t size) {
    if (size > kMaxHeapAllocation) throw PstError(ErrorKind::InvalidArgument, "heap allocation too large");
    if (blocks_.empty() || !HeapPageFits(blocks_.size() - 1, blocks_.back().data.size(), blocks_.back().ends.size(), size)) {
        blocks_.emplace_back();
        // One allocation each, not one for each time they grow.
        blocks_.back().data.reserve(kMaxBlockData);
        blocks_.back().ends.reserve(64);
    }
    Block& b = blocks_.back();
    b.data.insert(b.data.end(), data, data + size);
    b.ends.push_back(uint16_t(HeapHeaderSize(blocks_.size() - 1) + b.data.size()));
    return HeapId(blocks_.size() - 1, b.ends.size());
}

uint32_t HeapBuilder::Reserve(size_t size) {
    const Bytes zeros(size, 0);
    return Allocate(zeros);
}

void HeapBuilder::Fill(uint32_t hid, const uint8_t* data, size_t size) {
    size_t block = hid >> hn::kHidBlockShift;
    size_t index = (hid >> hn::kHidIndexShift) & hn::kHidIndexMask;
    if (block >= blocks_.size() || index == 0 || index > blocks_[block].ends.size())
        throw PstError(ErrorKind::InvalidArgument, "unknown heap id");
    Block& b = blocks_[block];
    size_t end = b.ends[index - 1] - HeapHeaderSize(block);
    size_t start = index > 1 ? b.ends[index - 2] - HeapHeaderSize(block) : 0;
    if (end - start != size) throw PstError(ErrorKind::InvalidArgument, "heap allocation size changed");
    std::copy(data, data + size, b.data.begin() + ptrdiff_t(start));
}

void PutHeapHeader(Bytes& first, uint8_t clientSig, uint32_t root) {
    first[hn::kSignature] = hn::kSignatureValue;
    first[hn::kClientSignature] = clientSig;
    base::Put32(&first[hn::kUserRoot], root);
}

void PutFillLevels(uint8_t* dst, const std::vector<uint8_t>& levels, size_t first, size_t count) {
    for (size_t k = 0; k < count && first + k < levels.size(); ++k) dst[k / 2] |= uint8_t(levels[first + k] << (4 * (k % 2)));
}

std::vector<Bytes> HeapBuilder::Finish() {
    std::vector<Block> blocks = std::move(blocks_);
    blocks_.clear();
    if (blocks.empty()) blocks.emplace_back();
    std::vector<Bytes> out;
    std::vector<uint8_t> levels;
    for (size_t i = 0; i < blocks.size(); ++i) {
        out.push_back(EncodeHeapPage(i, blocks[i].data, blocks[i].ends));
        Bytes().swap(blocks[i].data);
        levels.push_back(HeapFillLevel(out.back()));
    }
    PutHeapHeader(out[0], clientSig_, root_);
    PutFillLevels(&out[0][hn::kFillLevels], levels, 0, 8);
    for (size_t i = 8; i < out.size(); i += 128) PutFillLevels(&out[i][hn::kBitmapFillLevels], levels, i, 128);
    return out;
}

HeapReader::HeapReader(std::vector<Bytes> blocks, Checksums checks)
    : blocks_(std::move(blocks)), offsets_(blocks_.size()), checks_(checks) {
    if (blocks_.empty()) Bad("heap header");
    for (size_t b = 0; b < blocks_.size(); ++b) Load(b);
    clientSig_ = blocks_[0][hn::kClientSignature];
    root_ = base::Get32(&blocks_[0][hn::kUserRoot]);
}

HeapReader::HeapReader(size_t count, std::function<Bytes(size_t)> load)
    : load_(std::move(load)), blocks_(count), offsets_(count) {
    if (count == 0) Bad("heap header");
    Load(0);
    clientSig_ = blocks_[0][hn::kClientSignature];
    root_ = base::Get32(&blocks_[0][hn::kUserRoot]);
}

void HeapReader::Load(size_t block) const {
    if (!offsets_[block].empty()) return;
    if (load_) blocks_[block] = load_(block);
    const Bytes& b = blocks_[block];
    if (block == 0 && (b.size() < hn::kFirstHeaderSize ||
                       (checks_ == Checksums::Verify && b[hn::kSignature] != hn::kSignatureValue)))
        Bad("heap header");
    if (b.size() < hn::kPageHeaderSize) Bad("heap block");
    size_t map = base::Get16(&b[hn::kPageMap]);
    if (map + hn::kMapOffsets > b.size()) Bad("heap page map");
    size_t count = base::Get16(&b[map + hn::kMapCount]);
    if (map + hn::kMapOffsets + 2 * (count + 1) > b.size()) Bad("heap page map size");
    std::vector<uint16_t> offs(count + 1);
    for (size_t i = 0; i <= count; ++i) {
        offs[i] = base::Get16(&b[map + hn::kMapOffsets + 2 * i]);
        if (offs[i] > map || (i > 0 && offs[i] < offs[i - 1])) Bad("heap allocation table");
    }
    offsets_[block] = std::move(offs);
}

const Bytes& HeapReader::Page(size_t block) const {
    Load(block);
    return blocks_[block];
}

const std::vector<uint16_t>& HeapReader::Offsets(size_t block) const {
    Load(block);
    return offsets_[block];
}

std::pair<const uint8_t*, size_t> HeapReader::Get(uint32_t hid) const {
    if (!IsHeapId(hid)) Bad("heap id type");
    size_t block = hid >> hn::kHidBlockShift;
    size_t index = (hid >> hn::kHidIndexShift) & hn::kHidIndexMask;
    if (block >= blocks_.size()) Bad("heap id");
    const auto& offs = Offsets(block);
    if (index == 0 || index >= offs.size()) Bad("heap id");
    return {blocks_[block].data() + offs[index - 1], size_t(offs[index] - offs[index - 1])};
}

}  // namespace pst
