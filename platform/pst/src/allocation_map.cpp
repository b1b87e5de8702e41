#include "allocation_map.h"

#include "crc.h"

#include <pst/error.h>

#include <bit>

namespace pst {

namespace {
constexpr uint8_t kTypeAMap = 0x84, kTypePMap = 0x83, kTypeFMap = 0x82, kTypeFPMap = 0x85;
constexpr size_t kFMapFirst = 128, kFMapEvery = 496;
constexpr size_t kFPMapFirst = 128 * 64, kFPMapEvery = 496 * 8 * 8;

bool HasPMap(size_t i) { return i % 8 == 0; }
bool HasFMap(size_t i) { return i >= kFMapFirst && (i - kFMapFirst) % kFMapEvery == 0; }
bool HasFPMap(size_t i) { return i >= kFPMapFirst && (i - kFPMapFirst) % kFPMapEvery == 0; }
}  // namespace

void SealPage(uint8_t* page, uint8_t ptype, uint16_t sig, uint64_t bid) {
    uint8_t* t = page + 496;
    t[0] = ptype;
    t[1] = ptype;
    Put16(t + 2, sig);
    Put32(t + 4, Crc32(page, 496));
    Put64(t + 8, bid);
}

unsigned AllocationMap::ReservedPages(size_t i) {
    if (HasFPMap(i)) return 4;
    if (HasFMap(i)) return 3;
    if (HasPMap(i)) return 2;
    return 1;
}

void AllocationMap::AddRegion() {
    size_t i = regions_.size();
    regions_.emplace_back();
    Mark(RegionStart(i), ReservedPages(i) * kPageSize, true);
}

void AllocationMap::InitEmpty() {
    regions_.clear();
    AddRegion();
    next_ = RegionStart(0) + ReservedPages(0) * kPageSize;
}

void AllocationMap::Load(const File& file, uint64_t fileEof) {
    regions_.clear();
    if (fileEof < RegionStart(1) || (fileEof - kFirstRegion) % kRegionSize != 0)
        throw PstError(ErrorKind::BadFormat, "The file's size record is damaged");
    size_t count = size_t((fileEof - kFirstRegion) / kRegionSize);
    uint8_t page[kPageSize];
    for (size_t i = 0; i < count; ++i) {
        file.ReadAt(RegionStart(i), page, kPageSize);
        if (page[496] != kTypeAMap || !ChecksumMatches(page, 496, Get32(page + 500)))
            throw PstError(ErrorKind::BadFormat, "A space allocation page is damaged");
        Region r;
        std::copy(page, page + 496, r.bits.begin());
        r.dirty = false;
        r.fresh = false;
        regions_.push_back(r);
    }
    next_ = RegionStart(0) + ReservedPages(0) * kPageSize;
    for (size_t i = regions_.size(); i-- > 0;) {
        const auto& bits = regions_[i].bits;
        for (size_t k = bits.size(); k-- > 0;) {
            if (!bits[k]) continue;
            unsigned low = std::countr_zero(unsigned(bits[k]));  // last used unit in this byte
            uint64_t unit = k * 8 + (7 - low);
            next_ = RegionStart(i) + (unit + 1) * 64;
            return;
        }
    }
}

bool AllocationMap::Holds(uint64_t offset, uint64_t size) const {
    if (offset < kFirstRegion || offset % 64 != 0 || size == 0) return false;
    uint64_t i = (offset - kFirstRegion) / kRegionSize;
    if (i >= regions_.size()) return false;
    return offset >= RegionStart(size_t(i)) + ReservedPages(size_t(i)) * kPageSize && size <= RegionStart(size_t(i) + 1) - offset;
}

bool AllocationMap::Used(uint64_t offset, uint64_t size) const {
    const Region& r = regions_[size_t((offset - kFirstRegion) / kRegionSize)];
    uint64_t first = (offset - kFirstRegion) % kRegionSize / 64;
    for (uint64_t unit = first; unit < first + (size + 63) / 64; ++unit)
        if (!(r.bits[unit / 8] & (0x80 >> (unit % 8)))) return false;
    return true;
}

void AllocationMap::Mark(uint64_t offset, uint64_t size, bool used) {
    // Callers pass ranges inside one region; a range that is not never
    // reaches the bits.
    uint64_t region = offset < kFirstRegion ? regions_.size() : (offset - kFirstRegion) / kRegionSize;
    if (region >= regions_.size() || size > RegionStart(size_t(region) + 1) - offset)
        throw PstError(ErrorKind::BadFormat, "The PST file is damaged: space outside the allocation map");
    uint64_t end = offset + size;
    for (uint64_t at = offset; at < end; at += 64) {
        size_t i = size_t((at - kFirstRegion) / kRegionSize);
        uint64_t unit = (at - RegionStart(i)) / 64;
        uint8_t mask = uint8_t(0x80 >> (unit % 8));
        auto& byte = regions_[i].bits[unit / 8];
        byte = used ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
        regions_[i].dirty = true;
    }
}

uint64_t AllocationMap::Allocate(uint64_t size, uint64_t align) {
    uint64_t off = (next_ + align - 1) / align * align;
    for (;;) {
        size_t i = size_t((off - kFirstRegion) / kRegionSize);
        while (i >= regions_.size()) AddRegion();
        uint64_t dataStart = RegionStart(i) + ReservedPages(i) * kPageSize;
        if (off < dataStart) off = dataStart;
        if (off + size <= RegionStart(i + 1)) break;
        off = RegionStart(i + 1);
    }
    Mark(off, (size + 63) / 64 * 64, true);
    next_ = off + size;
    return off;
}

void AllocationMap::Free(uint64_t offset, uint64_t size) {
    if (!Holds(offset, size)) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: space to free lies outside the allocation map");
    Mark(offset, (size + 63) / 64 * 64, false);
}

uint64_t AllocationMap::FreeBytes() const {
    uint64_t freeUnits = 0;
    for (const auto& r : regions_)
        for (uint8_t b : r.bits) freeUnits += 8 - std::popcount(unsigned(b));
    return freeUnits * 64;
}

void AllocationMap::WritePages(File& file) {
    uint8_t page[kPageSize];
    for (size_t i = 0; i < regions_.size(); ++i) {
        Region& r = regions_[i];
        uint64_t start = RegionStart(i);
        if (r.fresh) {
            if (HasPMap(i)) {
                std::fill(page, page + 496, 0xFF);
                SealPage(page, kTypePMap, 0, start + 0x200);
                file.WriteAt(start + 0x200, page, kPageSize);
            }
            if (HasFMap(i)) {
                std::fill(page, page + 496, 0x00);
                SealPage(page, kTypeFMap, 0, start + 0x400);
                file.WriteAt(start + 0x400, page, kPageSize);
            }
            if (HasFPMap(i)) {
                std::fill(page, page + 496, 0xFF);
                SealPage(page, kTypeFPMap, 0, start + 0x600);
                file.WriteAt(start + 0x600, page, kPageSize);
            }
            r.fresh = false;
        }
        if (r.dirty) {
            std::copy(r.bits.begin(), r.bits.end(), page);
            SealPage(page, kTypeAMap, 0, start);
            file.WriteAt(start, page, kPageSize);
            r.dirty = false;
        }
    }
    file.Flush();
}

}  // namespace pst
