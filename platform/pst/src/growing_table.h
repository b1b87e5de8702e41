// A large table written by pieces: rows are appended to its last blocks, and
// each write stores only the blocks that changed since the last one, so a
// folder of a million items costs no more per write than the rows added.
// The rows, the row index and the cells' values stay on the disk; memory
// holds the row index's records (8 bytes a row), the last block of rows and
// the last block of the heap.
#pragma once

#include "heap.h"
#include "node_database.h"
#include "table_context.h"

#include <memory>
#include <optional>
#include <vector>

namespace pst {

class GrowingTable {
public:
    using Cells = std::vector<std::optional<mapi::PropertyValue>>;
    GrowingTable(NodeDatabase& db, Nid nid, const std::vector<uint32_t>& columns);
    // The table stored at nid, taken over as it lies when this class wrote
    // it with these columns: later writes store only what changes. Null when
    // the node is laid out otherwise (another writer's, or a table written
    // whole); throws PstError(BadFormat) when it is damaged.
    static std::unique_ptr<GrowingTable> Adopt(NodeDatabase& db, Nid nid, const std::vector<uint32_t>& columns);

    void Append(uint32_t rowId, const Cells& cells);
    // The row number of a row id, if the table has it.
    std::optional<size_t> Find(uint32_t rowId) const;
    // A stored row's 4-byte cell, if present.
    std::optional<int32_t> Int32Cell(size_t row, uint32_t tag) const;
    // Replaces the cells of a row, which keeps its row id and place.
    void Replace(size_t row, const Cells& cells);
    size_t Size() const { return rows_; }
    // Whether the table's rows are exactly those of ids, a sorted list.
    bool HasRowsOf(const std::vector<uint32_t>& ids) const;

    // Stores the node: the changed blocks, new trees over the kept ones. The
    // first write replaces whatever the node held.
    void Write();

private:
    uint32_t StoreValue(Bytes&& value);
    uint32_t Allocate(const uint8_t* data, size_t size);
    void SealHeapBlock();
    void SealRowBlock();
    const uint8_t* RowAt(size_t row, Bytes& scratch) const;

    NodeDatabase& db_;
    Nid nid_;
    TableLayout layout_;
    size_t perBlock_;  // rows in a block of rows

    // Rows: full blocks written, the last one in memory.
    std::vector<Bid> rowBlocks_;
    Bytes lastRows_;
    size_t rows_ = 0;

    // The heap: block 0 holds the headers only and is written at every
    // Write; full blocks are written once; the last is in memory.
    std::vector<std::pair<Bid, size_t>> heapBlocks_;  // blocks 1 .., with their sizes
    Bytes heapData_;
    std::vector<uint16_t> heapEnds_;
    std::vector<uint8_t> fillLevels_;  // of blocks 1 ..

    // The row index: records by row id, and the leaf allocation of each
    // piece of them; leaves from changedFrom_ on are written anew.
    std::vector<std::pair<uint32_t, uint32_t>> index_;
    std::vector<uint32_t> leaves_;
    size_t changedFrom_ = 0;

    std::vector<SubnodeEntry> largeValues_;
    uint32_t nextLarge_ = 0;

    // What the stored node holds that the next Write replaces.
    bool written_ = false;
    Bid heapFirst_ = 0, heapLast_ = 0, rowsRoot_ = 0, rowsLast_ = 0;
    std::vector<Bid> replaced_;  // row blocks rewritten since the last Write
};

}  // namespace pst
