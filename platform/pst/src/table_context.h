// Table context: rows of fixed-layout cells with a row index by row id;
// variable-size cells point into the table's heap or subnodes.
#pragma once

#include "encoded_node.h"
#include "layout.h"
#include "prop_value.h"

#include <functional>
#include <optional>

namespace pst {


struct TableRow {
    uint32_t rowId = 0;
    std::vector<std::optional<mapi::PropertyValue>> cells;  // one per column
};

// columns: property tags of the table, without the row id and version
// columns, which every table gets.
EncodedNode EncodeTable(const std::vector<uint32_t>& columns, const std::vector<TableRow>& rows);

// Same, for large tables: fill(i, cells) sets row i's cells (one per column,
// cleared beforehand) and returns its row id, so rows are never all in memory.
using RowSource = std::function<uint32_t(size_t row, std::vector<std::optional<mapi::PropertyValue>>& cells)>;
EncodedNode EncodeTable(const std::vector<uint32_t>& columns, size_t rowCount, const RowSource& fill);

// Where a table keeps each cell of a row: row id, row version, 8-byte cells,
// 4-byte cells, 1-byte cells, then the bitmap of present cells.
struct TableLayout {
    struct Column {
        uint32_t tag;
        uint16_t ib;
        uint8_t cb;
        uint8_t bit;
        int source;  // index into the caller's columns, -1 for row id / version
    };
    explicit TableLayout(const std::vector<uint32_t>& columns);
    // A cell that is not fixed-size goes to storeValue, which returns its reference.
    using ValueStore = std::function<uint32_t(Bytes&& value)>;
    // Writes one row (rowSize bytes, zeroed beforehand) of cells, one per column.
    void EncodeRow(uint8_t* row, uint32_t rowId, const std::vector<std::optional<mapi::PropertyValue>>& cells,
                   const ValueStore& storeValue) const;
    // The table's header, for its row index and its rows (heap or subnode id).
    Bytes EncodeInfo(uint32_t rowIndexHid, uint32_t rowsRef) const;

    std::vector<Column> columns;
    uint16_t end4 = 0, end2 = 0, end1 = 0;
    size_t rowSize = 0;
};
// The subnode that holds a large table's rows.
inline constexpr Nid kTableRowsNid = (1u << nid::kIndexShift) | nid::kTypeLtp;

struct TableContents {
    std::vector<uint32_t> columns;  // every column tag, row id and version included
    struct Row {
        uint32_t rowId = 0;
        PropMap cells;  // present cells by property id
    };
    std::vector<Row> rows;  // in stored order
};
// Reads a table; throws PstError(BadFormat) when it is damaged.
TableContents ReadTable(const NodeDatabase& db, const NodeEntry& node);
// The same, one row at a time: visit(rowId, cells) for each row in stored
// order, so that a caller keeping less than the cells never holds them all.
// Returns every column tag; throws as ReadTable, possibly after some rows.
using RowVisitor = std::function<void(uint32_t rowId, PropMap&& cells)>;
std::vector<uint32_t> ForEachTableRow(const NodeDatabase& db, const NodeEntry& node, const RowVisitor& visit);

}  // namespace pst
