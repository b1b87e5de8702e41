// Heap-on-node: small allocations packed into the blocks of one node, each
// addressed by a heap id (block index and allocation index).
#pragma once

#include "bytes.h"
#include "layout.h"

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace pst {

inline constexpr size_t kMaxHeapAllocation = 3580;
// The heap id of a heap's first allocation.
inline constexpr uint32_t kFirstHeapId = 0x20;
// A value reference that is a heap id rather than a subnode id.
inline bool IsHeapId(uint32_t ref) { return (ref & hn::kHidTypeMask) == 0; }

// The pieces of a heap block, for builders that keep a heap between writes.
size_t HeapHeaderSize(size_t index);
// Whether an allocation of size fits block index, which holds used bytes in allocations.
bool HeapPageFits(size_t index, size_t used, size_t allocations, size_t size);
// The block as stored: its header zeroed, the allocations (ends are their
// end offsets in the block), the page map.
Bytes EncodeHeapPage(size_t index, const Bytes& data, const std::vector<uint16_t>& ends);
uint8_t HeapFillLevel(const Bytes& page);
uint32_t HeapId(size_t block, size_t allocation);  // allocation counts from 1
void PutHeapHeader(Bytes& first, uint8_t clientSig, uint32_t root);
// Fill levels of blocks [first, first + count), four bits each.
void PutFillLevels(uint8_t* dst, const std::vector<uint8_t>& levels, size_t first, size_t count);

class HeapBuilder {
public:
    explicit HeapBuilder(uint8_t clientSig);
    uint32_t Allocate(const uint8_t* data, size_t size);
    uint32_t Allocate(const Bytes& b) { return Allocate(b.data(), b.size()); }
    // A zero-filled allocation whose contents are written later with Fill:
    // readers expect a tree's or table's header at the first heap id, before
    // the data it points to is known.
    uint32_t Reserve(size_t size);
    // Replaces the contents of an allocation of the same size.
    void Fill(uint32_t hid, const uint8_t* data, size_t size);
    void SetRoot(uint32_t hid) { root_ = hid; }
    // The node's blocks, each at most 8176 bytes. The builder is empty afterwards.
    std::vector<Bytes> Finish();

private:
    struct Block {
        Bytes data;
        std::vector<uint16_t> ends;
    };
    uint8_t clientSig_;
    uint32_t root_ = 0;
    std::vector<Block> blocks_;
};

class HeapReader {
public:
    // Throws PstError on a damaged heap; Checksums::Ignore reads past a
    // wrong signature.
    explicit HeapReader(std::vector<Bytes> blocks, Checksums checks = Checksums::Verify);
    // A heap of count blocks, each read by load(index) when an id in it is
    // first asked for: for a heap of thousands of blocks of which a few are
    // wanted. Damage in a block shows when it is read.
    HeapReader(size_t count, std::function<Bytes(size_t)> load);
    uint8_t ClientSig() const { return clientSig_; }
    uint32_t Root() const { return root_; }
    // The allocation; throws PstError for an unknown id.
    std::pair<const uint8_t*, size_t> Get(uint32_t hid) const;
    const Bytes& Page(size_t block) const;
    // Where each allocation of the block starts, then where the last ends.
    const std::vector<uint16_t>& Offsets(size_t block) const;

private:
    void Load(size_t block) const;

    std::function<Bytes(size_t)> load_;
    mutable std::vector<Bytes> blocks_;
    mutable std::vector<std::vector<uint16_t>> offsets_;  // per block: cAlloc + 1 offsets, empty until read
    Checksums checks_ = Checksums::Verify;
    uint8_t clientSig_ = 0;
    uint32_t root_ = 0;
};

}  // namespace pst
