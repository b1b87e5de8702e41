// Space allocation of a PST file: the allocation map pages that every
// 253,952-byte region of the file starts with, the other map pages at their
// fixed places, and an append-only allocator on top of them.
#pragma once

#include "bytes.h"
#include "file_io.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pst {

inline constexpr uint64_t kFirstRegion = 0x4400;
inline constexpr uint64_t kRegionSize = 496 * 8 * 64;
inline constexpr size_t kPageSize = 512;

// Writes a 512-byte page: 496 bytes of content followed by its trailer.
void SealPage(uint8_t* page, uint8_t ptype, uint16_t sig, uint64_t bid);

class AllocationMap {
public:
    void InitEmpty();
    void Load(const File& file, uint64_t fileEof);

    // Returns the offset of size free bytes aligned to align (64 or 512).
    uint64_t Allocate(uint64_t size, uint64_t align);
    // Throws PstError(BadFormat) for a range that Holds refuses.
    void Free(uint64_t offset, uint64_t size);
    // True when [offset, offset + size) starts on a 64-byte boundary and lies
    // in the space of one region that the map hands out (past its map pages).
    bool Holds(uint64_t offset, uint64_t size) const;
    // True when every 64-byte unit of a range that Holds accepts is in use.
    bool Used(uint64_t offset, uint64_t size) const;
    // Writes the map pages that changed since the last call.
    void WritePages(File& file);

    uint64_t FileEof() const { return RegionStart(regions_.size()); }
    uint64_t LastAMap() const { return RegionStart(regions_.size() - 1); }
    uint64_t FreeBytes() const;

private:
    struct Region {
        std::array<uint8_t, 496> bits{};
        bool dirty = true;
        bool fresh = true;  // its other map pages are not written yet
    };
    static uint64_t RegionStart(size_t i) { return kFirstRegion + uint64_t(i) * kRegionSize; }
    static unsigned ReservedPages(size_t i);
    void AddRegion();
    void Mark(uint64_t offset, uint64_t size, bool used);

    std::vector<Region> regions_;
    uint64_t next_ = 0;
};

}  // namespace pst
