// A hash table of references to records the caller keeps (their 32-bit
// indices): open addressing with linear probing, four bytes a slot and at
// most three quarters of the slots in use. It keeps no keys of its own: each
// lookup gives the key's hash and a test that tells whether a reference is
// to the key's record, and a growing table asks the hash of each reference
// it holds. For large sets of records whose keys are already stored in them,
// where a map would store every key again.
//
//   uint32_t& slot = table.Slot(Hash(key), [&](uint32_t r) { return records[r].key == key; },
//                               [&](uint32_t r) { return Hash(records[r].key); });
//   if (slot == base::RefTable::kNone) slot = AddRecord(key);   // a free slot must be filled
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace base {

class RefTable {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The reference whose record same(reference) accepts, or kNone.
    template <class Same>
    uint32_t Find(uint64_t hash, Same same) const {
        if (slots_.empty()) return kNone;
        for (size_t at = size_t(hash) & Mask();; at = (at + 1) & Mask()) {
            const uint32_t ref = slots_[at];
            if (ref == kNone) return kNone;
            if (ref != kGone && same(ref)) return ref;
        }
    }

    // The slot of the reference whose record same(reference) accepts, or,
    // when there is none, a free slot for it (holding kNone) that the caller
    // fills before any other call. rehash(reference) is the hash of a
    // reference held, for when the table grows.
    template <class Same, class Rehash>
    uint32_t& Slot(uint64_t hash, Same same, Rehash rehash) {
        if ((used_ + 1) * 4 > slots_.size() * 3) Grow(rehash);
        size_t free = SIZE_MAX;
        size_t at = size_t(hash) & Mask();
        for (;; at = (at + 1) & Mask()) {
            const uint32_t ref = slots_[at];
            if (ref == kNone) break;
            if (ref == kGone) {
                if (free == SIZE_MAX) free = at;
            } else if (same(ref)) {
                return slots_[at];
            }
        }
        ++live_;
        if (free != SIZE_MAX) {
            slots_[free] = kNone;
            return slots_[free];
        }
        ++used_;
        return slots_[at];
    }

    // Forgets the reference that Slot gave the place of.
    void Erase(uint32_t& slot) {
        slot = kGone;
        --live_;
    }

    // References held.
    size_t Size() const { return live_; }

private:
    static constexpr uint32_t kGone = UINT32_MAX - 1;  // erased: probing goes on past it

    size_t Mask() const { return slots_.size() - 1; }

    template <class Rehash>
    void Grow(Rehash rehash) {
        size_t size = 16;
        while (size * 3 < (live_ + 1) * 8) size *= 2;  // at most three eighths full afterwards
        std::vector<uint32_t> old(size, kNone);
        old.swap(slots_);
        for (const uint32_t ref : old) {
            if (ref == kNone || ref == kGone) continue;
            size_t at = size_t(rehash(ref)) & Mask();
            while (slots_[at] != kNone) at = (at + 1) & Mask();
            slots_[at] = ref;
        }
        used_ = live_;
    }

    std::vector<uint32_t> slots_;
    size_t live_ = 0;  // references held
    size_t used_ = 0;  // slots holding a reference or an erased one
};

}  // namespace base
