// Space allocation of a PST file: the allocation map pages that every
// 253,952-byte region of the file starts with, the other map pages at their
// fixed places, and an allocator on top of them that fills freed space
// (smallest hole that fits) before it grows the file.
//
// Freed space is not handed out again at once: the committed state on the
// disk may still use it. Free marks it free in the map; ReuseFreed, called
// once the commit that stopped using it is on the disk, lets Allocate use it.
#pragma once

#include "bytes.h"
#include "file_io.h"

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <utility>
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
    // Reads the map pages. Before the first Allocate, the caller marks what
    // the file's index uses (KeepUsed: a map page may be wrong) and calls
    // FindHoles; every free unit is then reusable, so the caller also makes
    // sure the file's last commit is on the disk first.
    void Load(const File& file, uint64_t fileEof);
    void KeepUsed(uint64_t offset, uint64_t size);  // ignores space outside the file
    void FindHoles();

    // Returns the offset of size free bytes aligned to align (64 or 512),
    // within one region.
    uint64_t Allocate(uint64_t size, uint64_t align);
    // Marks the space free; Allocate hands it out only after ReuseFreed.
    // Throws PstError(BadFormat) for a range that Holds refuses.
    void Free(uint64_t offset, uint64_t size);
    void ReuseFreed();
    uint64_t WaitingBytes() const { return waitingBytes_; }  // freed, not yet reusable
    // True when [offset, offset + size) starts on a 64-byte boundary and lies
    // in the space of one region that the map hands out (past its map pages).
    bool Holds(uint64_t offset, uint64_t size) const;
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
    void Reset();
    void AddRegion();
    void Mark(uint64_t offset, uint64_t size, bool used);
    void AddHole(uint64_t offset, uint64_t size);
    void TakeHole(uint64_t holeOffset, uint64_t offset, uint64_t size);

    std::vector<Region> regions_;
    std::map<uint64_t, uint64_t> holes_;                 // reusable space: offset -> size
    std::set<std::pair<uint64_t, uint64_t>> bySize_;    // the same holes as (size, offset)
    std::vector<std::pair<uint64_t, uint64_t>> waiting_;  // freed, not yet reusable
    uint64_t waitingBytes_ = 0;
};

}  // namespace pst
