#include "table_context.h"

#include "bth.h"
#include "layout.h"
#include "property_context.h"

#include <mapi/tags.h>
#include <pst/error.h>

#include <algorithm>

namespace pst {

TableLayout::TableLayout(const std::vector<uint32_t>& tags) {
    columns = {{mapi::PidTagLtpRowId.Tag(), tcRow::kId, 4, 0, -1}, {mapi::PidTagLtpRowVer.Tag(), tcRow::kVersion, 4, 1, -1}};
    uint16_t ib = tcRow::kCells;
    auto sizeOf = [](uint32_t tag) -> uint8_t {
        auto t = mapi::PropType(tag & 0xFFFF);
        if (t == mapi::PropType::Boolean) return 1;
        if (t == mapi::PropType::Int64 || t == mapi::PropType::SysTime) return 8;
        return 4;  // 4-byte values and references to variable values
    };
    for (uint8_t want : {8, 4, 1})
        for (size_t i = 0; i < tags.size(); ++i)
            if (sizeOf(tags[i]) == want) {
                columns.push_back({tags[i], ib, want, uint8_t(columns.size()), int(i)});
                ib = uint16_t(ib + want);
            }
    end4 = tcRow::kCells;
    end1 = ib;
    for (const auto& c : columns)
        if (c.cb >= 4) end4 = std::max<uint16_t>(end4, uint16_t(c.ib + c.cb));
    end2 = end4;
    rowSize = end1 + (columns.size() + 7) / 8;
}

void TableLayout::EncodeRow(uint8_t* row, uint32_t rowId, const std::vector<std::optional<mapi::PropertyValue>>& cells,
                            const ValueStore& storeValue) const {
    uint8_t* bitmap = row + end1;
    auto present = [&](uint8_t bit) { bitmap[bit / 8] |= uint8_t(0x80 >> (bit % 8)); };
    base::Put32(row + tcRow::kId, rowId);
    base::Put32(row + tcRow::kVersion, 1);
    present(0);
    present(1);
    for (const auto& c : columns) {
        if (c.source < 0 || size_t(c.source) >= cells.size() || !cells[size_t(c.source)]) continue;
        TypedValue v{mapi::PropType(c.tag & 0xFFFF), *cells[size_t(c.source)]};
        Bytes data = Serialize(v);
        if (IsFixedType(v.type)) std::copy(data.begin(), data.begin() + std::min<size_t>(data.size(), c.cb), row + c.ib);
        else base::Put32(row + c.ib, storeValue(std::move(data)));
        present(c.bit);
    }
}

Bytes TableLayout::EncodeInfo(uint32_t rowIndexHid, uint32_t rowsRef) const {
    std::vector<Column> sorted = columns;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
    Bytes info(tc::kColumns + tcColumn::kSize * sorted.size(), 0);
    info[tc::kType] = tc::kTypeValue;
    info[tc::kColumnCount] = uint8_t(columns.size());
    base::Put16(&info[tc::kEnd4], end4);
    base::Put16(&info[tc::kEnd2], end2);
    base::Put16(&info[tc::kEnd1], end1);
    base::Put16(&info[tc::kRowSize], uint16_t(rowSize));
    base::Put32(&info[tc::kRowIndex], rowIndexHid);
    base::Put32(&info[tc::kRows], rowsRef);
    for (size_t i = 0; i < sorted.size(); ++i) {
        uint8_t* d = &info[tc::kColumns + tcColumn::kSize * i];
        base::Put32(d + tcColumn::kTag, sorted[i].tag);
        base::Put16(d + tcColumn::kOffset, sorted[i].ib);
        d[tcColumn::kCellSize] = sorted[i].cb;
        d[tcColumn::kBit] = sorted[i].bit;
    }
    return info;
}

EncodedNode EncodeTable(const std::vector<uint32_t>& columns, const std::vector<TableRow>& rows) {
    return EncodeTable(columns, rows.size(), [&](size_t i, std::vector<std::optional<mapi::PropertyValue>>& cells) {
        cells = rows[i].cells;
        return rows[i].rowId;
    });
}

EncodedNode EncodeTable(const std::vector<uint32_t>& columns, size_t rowCount, const RowSource& fill) {
    const TableLayout layout(columns);
    const size_t rowSize = layout.rowSize;
    EncodedNode node;
    HeapBuilder heap(hn::kClientTableContext);
    // Outlook's order: the row index's header first, then the table's header.
    const uint32_t rowIndex = ReserveBthHeader(heap);
    const uint32_t infoHid = heap.Reserve(tc::kColumns + tcColumn::kSize * layout.columns.size());
    uint32_t nextLarge = 0;
    const TableLayout::ValueStore storeValue = [&](Bytes&& data) -> uint32_t {
        if (data.size() <= kMaxHeapAllocation) return heap.Allocate(data);
        Nid nid = LargeValueNid(nextLarge++);
        node.subnodes.emplace_back(nid, std::move(data));
        return nid;
    };
    // Rows go straight into block-sized pieces: a block holds a whole number of
    // rows and all but the last are padded to the full block size.
    const size_t perBlock = kMaxBlockData / rowSize;
    const bool inHeap = rowCount * rowSize <= kMaxHeapAllocation;
    Bytes matrix;
    matrix.reserve(inHeap ? rowCount * rowSize : std::min(rowCount, perBlock * 64) * kMaxBlockData / perBlock);
    Bytes index;
    std::vector<std::pair<uint32_t, uint32_t>> ids;
    ids.reserve(rowCount);
    std::vector<std::optional<mapi::PropertyValue>> cells(columns.size());
    Bytes row(rowSize, 0);
    for (size_t r = 0; r < rowCount; ++r) {
        for (auto& c : cells) c.reset();
        uint32_t rowId = fill(r, cells);
        cells.resize(columns.size());
        std::fill(row.begin(), row.end(), 0);
        layout.EncodeRow(row.data(), rowId, cells, storeValue);
        if (!inHeap && r > 0 && r % perBlock == 0) matrix.resize(matrix.size() + (kMaxBlockData - perBlock * rowSize), 0);
        matrix.insert(matrix.end(), row.begin(), row.end());
        ids.emplace_back(rowId, uint32_t(r));
    }
    std::sort(ids.begin(), ids.end());
    for (const auto& [id, at] : ids) {
        base::Append32(index, id);
        base::Append32(index, at);
    }
    BuildBth(heap, rowIndex, tc::kRowIndexKeySize, tc::kRowIndexEntrySize, index);
    uint32_t rowsRef = 0;
    if (rowCount > 0) {
        if (inHeap) {
            rowsRef = heap.Allocate(matrix);
        } else {
            rowsRef = kTableRowsNid;
            node.subnodes.emplace_back(rowsRef, std::move(matrix));
        }
    }
    const Bytes info = layout.EncodeInfo(rowIndex, rowsRef);
    heap.Fill(infoHid, info.data(), info.size());
    heap.SetRoot(infoHid);
    node.blocks = heap.Finish();
    return node;
}

namespace {
[[noreturn]] void BadTable(const char* what) { throw PstError(ErrorKind::BadFormat, std::string("The PST file is damaged: table ") + what); }
}  // namespace

std::vector<uint32_t> ForEachTableRow(const NodeDatabase& db, const NodeEntry& node, const RowVisitor& visit) {
    HeapReader heap(db.ReadDataTree(node.data));
    if (heap.ClientSig() != hn::kClientTableContext) BadTable("signature");
    auto [info, infoSize] = heap.Get(heap.Root());
    if (infoSize < tc::kColumns || info[tc::kType] != tc::kTypeValue) BadTable("header");
    const size_t cols = info[tc::kColumnCount];
    if (infoSize < tc::kColumns + tcColumn::kSize * cols) BadTable("columns");
    const size_t rowSize = base::Get16(info + tc::kRowSize);
    const size_t bitmapStart = base::Get16(info + tc::kEnd1);
    if (rowSize == 0 || bitmapStart > rowSize || (rowSize - bitmapStart) * 8 < cols) BadTable("row layout");
    struct Col {
        uint32_t tag;
        uint16_t ib;
        uint8_t cb;
        uint8_t bit;
    };
    std::vector<Col> layout;
    std::vector<uint32_t> columns;
    for (size_t i = 0; i < cols; ++i) {
        const uint8_t* d = info + tc::kColumns + tcColumn::kSize * i;
        Col c{base::Get32(d + tcColumn::kTag), base::Get16(d + tcColumn::kOffset), d[tcColumn::kCellSize], d[tcColumn::kBit]};
        if (size_t(c.ib) + c.cb > bitmapStart || c.bit >= cols) BadTable("column");
        layout.push_back(c);
        columns.push_back(c.tag);
    }
    uint32_t rowsRef = base::Get32(info + tc::kRows);
    std::vector<Bytes> pieces;
    if (rowsRef != 0) {
        if (IsHeapId(rowsRef)) {
            auto [p, n] = heap.Get(rowsRef);
            pieces.emplace_back(p, p + n);
        } else {
            auto subs = db.ReadSubnodes(node.sub);
            auto it = subs.find(rowsRef);
            if (it == subs.end()) BadTable("rows");
            pieces = db.ReadDataTree(it->second.data);
        }
    }
    std::map<Nid, SubnodeEntry> subs;
    bool subsLoaded = false;
    ValueBudget budget(db);
    for (const Bytes& piece : pieces) {
        for (size_t at = 0; at + rowSize <= piece.size(); at += rowSize) {
            const uint8_t* row = piece.data() + at;
            const uint8_t* bitmap = row + bitmapStart;
            TableContents::Row r;
            r.rowId = base::Get32(row + tcRow::kId);
            for (const Col& c : layout) {
                if (!(bitmap[c.bit / 8] & (0x80 >> (c.bit % 8)))) continue;
                uint16_t type = uint16_t(c.tag & 0xFFFF);
                if (!IsKnownType(type)) continue;
                auto t = mapi::PropType(type);
                if (IsFixedType(t)) {
                    if (c.cb < FixedSize(t)) BadTable("cell size");
                    r.cells[uint16_t(c.tag >> 16)] = Deserialize(t, row + c.ib, c.cb);
                    continue;
                }
                uint32_t ref = base::Get32(row + c.ib);
                if (ref == 0) {
                    r.cells[uint16_t(c.tag >> 16)] = Deserialize(t, nullptr, 0);
                } else if (IsHeapId(ref)) {
                    auto [p, n] = heap.Get(ref);
                    budget.Spend(n);
                    r.cells[uint16_t(c.tag >> 16)] = Deserialize(t, p, n);
                } else {
                    if (!subsLoaded) {
                        subs = db.ReadSubnodes(node.sub);
                        subsLoaded = true;
                    }
                    auto it = subs.find(ref);
                    if (it == subs.end()) BadTable("cell value");
                    Bytes all;
                    for (const auto& b : db.ReadDataTree(it->second.data)) all.insert(all.end(), b.begin(), b.end());
                    budget.Spend(all.size());
                    r.cells[uint16_t(c.tag >> 16)] = Deserialize(t, all.data(), all.size());
                }
            }
            visit(r.rowId, std::move(r.cells));
        }
    }
    return columns;
}

TableContents ReadTable(const NodeDatabase& db, const NodeEntry& node) {
    TableContents out;
    out.columns = ForEachTableRow(db, node, [&](uint32_t rowId, PropMap&& cells) { out.rows.push_back({rowId, std::move(cells)}); });
    return out;
}

}  // namespace pst
