// Table context: rows of fixed-layout cells with a row index by row id;
// variable-size cells point into the table's heap or subnodes.
#pragma once

#include "encoded_node.h"
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

}  // namespace pst
