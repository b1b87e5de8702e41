// Builds damaged PST files whose checksums are all valid, so that a reader
// gets past them to the structure that is wrong: blocks written through the
// node database, and raw edits of index pages and the header that re-seal
// what they touch. The hostile-input tests and the fuzz seeds use it.
#pragma once

#include "node_database.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pstcraft {

// A store with one contacts folder under the top of the folder tree, holding
// one contact.
void WritePlainStore(const std::string& path);

// A whole file in memory, edited page by page.
class RawPst {
public:
    struct Ref {
        uint64_t bid = 0;
        uint64_t ib = 0;
    };
    struct Entry {
        uint64_t key = 0;
        Ref child;
    };

    explicit RawPst(const std::string& path);
    void Save(const std::string& path) const;

    uint64_t Eof() const;
    Ref NodeRoot() const;
    void SetNodeRoot(Ref root);
    unsigned PageLevel(uint64_t ib) const;
    // Moves a block in the block index (the block's bytes stay where they are).
    void SetBlockOffset(pst::Bid bid, uint64_t ib);
    // Marks all of the first region free but its map pages, and re-seals.
    void ClearFirstAllocationMap();
    // Writes a sealed branch page of the node index.
    void WriteNodeBranch(Ref at, uint8_t level, const std::vector<Entry>& entries);
    // The k-th 512-byte slot counted back from the end of the first region:
    // room the allocator of a small store has not reached.
    static uint64_t SpareSlot(unsigned k);

private:
    void SealHeader();
    bool MoveBlock(uint64_t pageIb, pst::Bid bid, uint64_t ib, int depth);

    std::string bytes_;
};

// The node id of the top of the folder tree and of its hierarchy table.
inline constexpr pst::Nid kIpmSubtree = 0x8022;
inline constexpr pst::Nid kIpmHierarchy = 0x802D;

// Hostile stores, each written to path from a plain one.
// The top folder's properties are an extended block listing itself.
void WriteSelfListingDataTree(const std::string& path);
// The top folder's properties are an extended-extended block that lists one
// extended block many times, which lists one full data block many times:
// gigabytes of data out of a few blocks.
void WriteRepeatedDataTree(const std::string& path);
// The top folder's hierarchy table is an extended block whose entry count
// promises far more entries than the block holds.
void WriteOvercountedExtendedBlock(const std::string& path);
// The block index places the top folder's hierarchy table at offset ib.
void WriteMisplacedTableBlock(const std::string& path, uint64_t ib);
// The contact's properties are many large values that all live in one
// subnode holding valueBytes: a small store that reads as gigabytes.
void WriteSharedValueItem(const std::string& path, size_t valueBytes);
// The first region's allocation map marks everything free.
void WriteClearedAllocationMap(const std::string& path);
// The block index places the top folder's hierarchy table over the node
// index's root page.
void WriteBlockOverIndexPage(const std::string& path);
// The node index root is a chain of branch pages that each list the page
// below them as often as a page can hold entries.
void WriteFannedOutNodeIndex(const std::string& path);

}  // namespace pstcraft
