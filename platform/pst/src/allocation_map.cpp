#include "allocation_map.h"

#include "crc.h"
#include "layout.h"

#include <pst/error.h>

#include <bit>

namespace pst {

namespace {
constexpr uint8_t kTypeAMap = ptype::kAllocationMap, kTypePMap = ptype::kPageMap, kTypeFMap = ptype::kFreeMap,
                  kTypeFPMap = ptype::kFreePageMap;
constexpr size_t kFMapFirst = 128, kFMapEvery = 496;
constexpr size_t kFPMapFirst = 128 * 64, kFPMapEvery = 496 * 8 * 8;
// Where a region's map pages are, in pages from its start (the allocation map is page 0).
constexpr uint64_t kPMapPage = 1, kFMapPage = 2, kFPMapPage = 3;

bool HasPMap(size_t i) { return i % 8 == 0; }
bool HasFMap(size_t i) { return i >= kFMapFirst && (i - kFMapFirst) % kFMapEvery == 0; }
bool HasFPMap(size_t i) { return i >= kFPMapFirst && (i - kFPMapFirst) % kFPMapEvery == 0; }
}  // namespace

void SealPage(uint8_t* page, uint8_t ptype, uint16_t sig, uint64_t bid) {
    uint8_t* t = page + page::kTrailer;
    t[page::kType] = ptype;
    t[page::kTypeRepeat] = ptype;
    base::Put16(t + page::kSignature, sig);
    base::Put32(t + page::kCrc, Crc32(page, page::kContentSize));
    base::Put64(t + page::kBid, bid);
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
    uint64_t dataStart = RegionStart(i) + ReservedPages(i) * kPageSize;
    AddHole(dataStart, RegionStart(i + 1) - dataStart);
}

void AllocationMap::Reset() {
    regions_.clear();
    holes_.clear();
    bySize_.clear();
    waiting_.clear();
    waitingBytes_ = 0;
}

void AllocationMap::InitEmpty() {
    Reset();
    AddRegion();
}

void AllocationMap::Load(const File& file, uint64_t fileEof) {
    Reset();
    if (fileEof < RegionStart(1) || (fileEof - kFirstRegion) % kRegionSize != 0)
        throw PstError(ErrorKind::BadFormat, "The file's size record is damaged");
    size_t count = size_t((fileEof - kFirstRegion) / kRegionSize);
    uint8_t page[kPageSize];
    for (size_t i = 0; i < count; ++i) {
        file.ReadApart(RegionStart(i), page, kPageSize);
        const uint8_t* t = page + page::kTrailer;
        if (t[page::kType] != kTypeAMap || !ChecksumMatches(page, page::kContentSize, base::Get32(t + page::kCrc)))
            throw PstError(ErrorKind::BadFormat, "A space allocation page is damaged");
        Region r;
        std::copy(page, page + page::kContentSize, r.bits.begin());
        r.dirty = false;
        r.fresh = false;
        regions_.push_back(r);
    }
}

void AllocationMap::KeepUsed(uint64_t offset, uint64_t size) {
    if (offset < kFirstRegion || offset > FileEof() || size > FileEof() - offset) return;
    uint64_t end = offset + size;
    for (uint64_t at = offset / kAMapUnit * kAMapUnit; at < end; at += kAMapUnit) {
        size_t i = size_t((at - kFirstRegion) / kRegionSize);
        uint64_t unit = (at - RegionStart(i)) / kAMapUnit;
        if (!(regions_[i].bits[unit / 8] & (0x80 >> (unit % 8)))) Mark(at, kAMapUnit, true);
    }
}

void AllocationMap::FindHoles() {
    for (size_t i = 0; i < regions_.size(); ++i) KeepUsed(RegionStart(i), ReservedPages(i) * kPageSize);
    holes_.clear();
    bySize_.clear();
    // Runs of free units become holes; a region's first unit is its map page,
    // always in use, so no run crosses into the next region.
    for (size_t i = 0; i < regions_.size(); ++i) {
        const auto& bits = regions_[i].bits;
        uint64_t runStart = 0, runLength = 0;
        for (size_t k = 0; k < bits.size(); ++k) {
            if (bits[k] == 0xFF && runLength == 0) continue;
            for (unsigned b = 0; b < 8; ++b) {
                uint64_t unit = k * 8 + b;
                if (!(bits[k] & (0x80 >> b))) {
                    if (runLength++ == 0) runStart = unit;
                    continue;
                }
                if (runLength) AddHole(RegionStart(i) + runStart * kAMapUnit, runLength * kAMapUnit);
                runLength = 0;
            }
        }
        if (runLength) AddHole(RegionStart(i) + runStart * kAMapUnit, runLength * kAMapUnit);
    }
}

bool AllocationMap::Holds(uint64_t offset, uint64_t size) const {
    if (offset < kFirstRegion || offset % kAMapUnit != 0 || size == 0) return false;
    uint64_t i = (offset - kFirstRegion) / kRegionSize;
    if (i >= regions_.size()) return false;
    return offset >= RegionStart(size_t(i)) + ReservedPages(size_t(i)) * kPageSize && size <= RegionStart(size_t(i) + 1) - offset;
}

void AllocationMap::Mark(uint64_t offset, uint64_t size, bool used) {
    // Callers pass ranges inside one region; a range that is not never
    // reaches the bits.
    uint64_t region = offset < kFirstRegion ? regions_.size() : (offset - kFirstRegion) / kRegionSize;
    if (region >= regions_.size() || size > RegionStart(size_t(region) + 1) - offset)
        throw PstError(ErrorKind::BadFormat, "The PST file is damaged: space outside the allocation map");
    uint64_t end = offset + size;
    for (uint64_t at = offset; at < end; at += kAMapUnit) {
        size_t i = size_t((at - kFirstRegion) / kRegionSize);
        uint64_t unit = (at - RegionStart(i)) / kAMapUnit;
        uint8_t mask = uint8_t(0x80 >> (unit % 8));
        auto& byte = regions_[i].bits[unit / 8];
        byte = used ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
        regions_[i].dirty = true;
    }
}

void AllocationMap::AddHole(uint64_t offset, uint64_t size) {
    if (size == 0) return;
    auto next = holes_.lower_bound(offset);
    if (next != holes_.end() && offset + size == next->first) {
        size += next->second;
        bySize_.erase({next->second, next->first});
        next = holes_.erase(next);
    }
    if (next != holes_.begin()) {
        auto prev = std::prev(next);
        if (prev->first + prev->second == offset) {
            offset = prev->first;
            size += prev->second;
            bySize_.erase({prev->second, prev->first});
            holes_.erase(prev);
        }
    }
    holes_[offset] = size;
    bySize_.insert({size, offset});
}

void AllocationMap::TakeHole(uint64_t holeOffset, uint64_t offset, uint64_t size) {
    uint64_t holeSize = holes_.at(holeOffset);
    holes_.erase(holeOffset);
    bySize_.erase({holeSize, holeOffset});
    AddHole(holeOffset, offset - holeOffset);
    AddHole(offset + size, holeOffset + holeSize - (offset + size));
}

uint64_t AllocationMap::Allocate(uint64_t size, uint64_t align) {
    size = (size + kAMapUnit - 1) / kAMapUnit * kAMapUnit;
    if (size == 0 || size > kRegionSize / 2) throw PstError(ErrorKind::InvalidArgument, "allocation of an unsupported size");
    auto aligned = [&](uint64_t at) { return (at + align - 1) / align * align; };
    for (;;) {
        // The smallest holes that may fit, then the smallest that surely fits
        // after alignment; the file grows only when none does.
        int tries = 0;
        for (auto it = bySize_.lower_bound({size, 0}); it != bySize_.end() && tries < 8; ++it, ++tries) {
            auto [holeSize, holeOffset] = *it;
            uint64_t at = aligned(holeOffset);
            if (at + size > holeOffset + holeSize) continue;
            TakeHole(holeOffset, at, size);
            Mark(at, size, true);
            return at;
        }
        auto it = bySize_.lower_bound({size + align - kAMapUnit, 0});
        if (it != bySize_.end()) {
            auto [holeSize, holeOffset] = *it;
            uint64_t at = aligned(holeOffset);
            TakeHole(holeOffset, at, size);
            Mark(at, size, true);
            return at;
        }
        AddRegion();
    }
}

void AllocationMap::Free(uint64_t offset, uint64_t size) {
    if (!Holds(offset, size)) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: space to free lies outside the allocation map");
    size = (size + kAMapUnit - 1) / kAMapUnit * kAMapUnit;
    Mark(offset, size, false);
    waiting_.emplace_back(offset, size);
    waitingBytes_ += size;
}

void AllocationMap::ReuseFreed() {
    for (const auto& [offset, size] : waiting_) AddHole(offset, size);
    waiting_.clear();
    waitingBytes_ = 0;
}

uint64_t AllocationMap::FreeBytes() const {
    uint64_t freeUnits = 0;
    for (const auto& r : regions_)
        for (uint8_t b : r.bits) freeUnits += 8 - std::popcount(unsigned(b));
    return freeUnits * kAMapUnit;
}

void AllocationMap::WritePages(File& file) {
    uint8_t page[kPageSize];
    for (size_t i = 0; i < regions_.size(); ++i) {
        Region& r = regions_[i];
        uint64_t start = RegionStart(i);
        if (r.fresh) {
            if (HasPMap(i)) {
                std::fill(page, page + page::kContentSize, 0xFF);
                SealPage(page, kTypePMap, 0, start + kPMapPage * kPageSize);
                file.WriteAt(start + kPMapPage * kPageSize, page, kPageSize);
            }
            if (HasFMap(i)) {
                std::fill(page, page + page::kContentSize, 0x00);
                SealPage(page, kTypeFMap, 0, start + kFMapPage * kPageSize);
                file.WriteAt(start + kFMapPage * kPageSize, page, kPageSize);
            }
            if (HasFPMap(i)) {
                std::fill(page, page + page::kContentSize, 0xFF);
                SealPage(page, kTypeFPMap, 0, start + kFPMapPage * kPageSize);
                file.WriteAt(start + kFPMapPage * kPageSize, page, kPageSize);
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
