#include "growing_table.h"

#include "bth.h"
#include "layout.h"
#include "property_context.h"

#include <pst/error.h>

#include <algorithm>
#include <cstring>

namespace pst {

namespace {
constexpr uint32_t kRowIndexHid = 0x20;  // block 0's first allocation
constexpr uint32_t kInfoHid = 0x40;      // and its second
constexpr size_t kRecordSize = tc::kRowIndexKeySize + tc::kRowIndexEntrySize;
constexpr size_t kPerLeaf = kMaxHeapAllocation / kRecordSize;
constexpr size_t kMaxHeapBlocks = 0xFFFF;
constexpr uint8_t kFull = 15;  // the fill level of a block with no room
}  // namespace

GrowingTable::GrowingTable(NodeDatabase& db, Nid nid, const std::vector<uint32_t>& columns)
    : db_(db), nid_(nid), layout_(columns), perBlock_(kMaxBlockData / layout_.rowSize) {}

uint32_t GrowingTable::Allocate(const uint8_t* data, size_t size) {
    size_t block = 1 + heapBlocks_.size();
    if (!HeapPageFits(block, heapData_.size(), heapEnds_.size(), size)) {
        SealHeapBlock();
        ++block;
    }
    if (block > kMaxHeapBlocks) throw PstError(ErrorKind::InvalidArgument, "The folder's list of items is too large");
    heapData_.insert(heapData_.end(), data, data + size);
    heapEnds_.push_back(uint16_t(HeapHeaderSize(block) + heapData_.size()));
    return HeapId(block, heapEnds_.size());
}

namespace {
// A block of the heap after the first, as stored. A bitmap block lists the
// fill levels of the blocks after it, which are not written yet: they are
// marked full, so no writer looks for room there.
Bytes HeapPage(size_t block, const Bytes& data, const std::vector<uint16_t>& ends) {
    Bytes page = EncodeHeapPage(block, data, ends);
    if (HeapHeaderSize(block) == hn::kBitmapHeaderSize) {
        std::vector<uint8_t> levels(128, kFull);
        levels[0] = HeapFillLevel(page);
        PutFillLevels(&page[hn::kBitmapFillLevels], levels, 0, levels.size());
    }
    return page;
}
}  // namespace

void GrowingTable::SealHeapBlock() {
    const Bytes page = HeapPage(1 + heapBlocks_.size(), heapData_, heapEnds_);
    heapBlocks_.emplace_back(db_.WriteBlock(page.data(), page.size()), page.size());
    fillLevels_.push_back(HeapFillLevel(page));
    heapData_.clear();
    heapEnds_.clear();
}

void GrowingTable::SealRowBlock() {
    Bytes full(kMaxBlockData, 0);
    std::copy(lastRows_.begin(), lastRows_.end(), full.begin());
    rowBlocks_.push_back(db_.WriteBlock(full.data(), full.size()));
    lastRows_.clear();
}

uint32_t GrowingTable::StoreValue(Bytes&& value) {
    if (value.size() <= kMaxHeapAllocation) return Allocate(value.data(), value.size());
    const Nid nid = LargeValueNid(nextLarge_++);
    largeValues_.push_back({nid, db_.WriteDataTree(value), 0});
    return nid;
}

void GrowingTable::Append(uint32_t rowId, const Cells& cells) {
    if (lastRows_.size() == perBlock_ * layout_.rowSize) SealRowBlock();
    Bytes row(layout_.rowSize, 0);
    layout_.EncodeRow(row.data(), rowId, cells, [&](Bytes&& v) { return StoreValue(std::move(v)); });
    lastRows_.insert(lastRows_.end(), row.begin(), row.end());
    const std::pair<uint32_t, uint32_t> record{rowId, uint32_t(rows_)};
    if (index_.empty() || index_.back().first < rowId) {
        index_.push_back(record);
    } else {
        auto it = std::lower_bound(index_.begin(), index_.end(), record);
        changedFrom_ = std::min(changedFrom_, size_t(it - index_.begin()));
        index_.insert(it, record);
    }
    ++rows_;
}

std::optional<size_t> GrowingTable::Find(uint32_t rowId) const {
    auto it = std::lower_bound(index_.begin(), index_.end(), std::pair<uint32_t, uint32_t>{rowId, 0});
    if (it == index_.end() || it->first != rowId) return std::nullopt;
    return it->second;
}

const uint8_t* GrowingTable::RowAt(size_t row, Bytes& scratch) const {
    const size_t block = row / perBlock_, at = (row % perBlock_) * layout_.rowSize;
    if (block == rowBlocks_.size()) return &lastRows_[at];
    scratch = db_.ReadBlock(rowBlocks_[block]);
    if (scratch.size() < at + layout_.rowSize) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: table rows");
    return &scratch[at];
}

std::optional<int32_t> GrowingTable::Int32Cell(size_t row, uint32_t tag) const {
    if (row >= rows_) return std::nullopt;
    Bytes scratch;
    const uint8_t* r = RowAt(row, scratch);
    for (const auto& c : layout_.columns)
        if (c.tag == tag && (r[layout_.end1 + c.bit / 8] & (0x80 >> (c.bit % 8)))) return int32_t(base::Get32(r + c.ib));
    return std::nullopt;
}

void GrowingTable::Replace(size_t row, const Cells& cells) {
    if (row >= rows_) throw PstError(ErrorKind::InvalidArgument, "no such row");
    Bytes block;
    const uint32_t rowId = base::Get32(RowAt(row, block) + tcRow::kId);
    Bytes encoded(layout_.rowSize, 0);
    layout_.EncodeRow(encoded.data(), rowId, cells, [&](Bytes&& v) { return StoreValue(std::move(v)); });
    const size_t b = row / perBlock_, at = (row % perBlock_) * layout_.rowSize;
    if (b == rowBlocks_.size()) {
        std::memcpy(&lastRows_[at], encoded.data(), encoded.size());
        return;
    }
    std::memcpy(&block[at], encoded.data(), encoded.size());
    replaced_.push_back(rowBlocks_[b]);
    rowBlocks_[b] = db_.WriteBlock(block.data(), block.size());
}

void GrowingTable::Write() {
    // The row index: the leaves that changed, then every level above them.
    const size_t leafCount = (index_.size() + kPerLeaf - 1) / kPerLeaf;
    leaves_.resize(leafCount);
    Bytes records;
    for (size_t k = changedFrom_ / kPerLeaf; k < leafCount; ++k) {
        records.clear();
        for (size_t i = k * kPerLeaf; i < std::min(index_.size(), (k + 1) * kPerLeaf); ++i) {
            base::Append32(records, index_[i].first);
            base::Append32(records, index_[i].second);
        }
        leaves_[k] = Allocate(records.data(), records.size());
    }
    changedFrom_ = index_.size();
    BthRoot root{leafCount == 0 ? 0 : leaves_[0], 0};
    if (leafCount > 1) {
        Bytes upper;
        for (size_t k = 0; k < leafCount; ++k) {
            base::Append32(upper, index_[k * kPerLeaf].first);
            base::Append32(upper, leaves_[k]);
        }
        root = BuildBthLevels([&](const uint8_t* p, size_t n) { return Allocate(p, n); }, tc::kRowIndexKeySize,
                              tc::kRowIndexKeySize + bth::kIndexHidSize, std::move(upper), 1);
    }

    // Rows: the full blocks as they are, the last one anew.
    std::vector<std::pair<Bid, size_t>> rowPieces;
    for (Bid b : rowBlocks_) rowPieces.emplace_back(b, kMaxBlockData);
    Bid rowsLast = 0;
    if (!lastRows_.empty()) {
        rowsLast = db_.WriteBlock(lastRows_.data(), lastRows_.size());
        rowPieces.emplace_back(rowsLast, lastRows_.size());
    }
    const Bid rowsRoot = rowPieces.empty() ? 0 : db_.WriteTreeOver(rowPieces);

    // The heap: its first block (the headers), the full blocks, the last.
    Bid heapLast = 0;
    Bytes lastPage;
    if (!heapEnds_.empty()) {
        lastPage = HeapPage(1 + heapBlocks_.size(), heapData_, heapEnds_);
        heapLast = db_.WriteBlock(lastPage.data(), lastPage.size());
    }
    Bytes first(bth::kSize, 0);
    PutBthHeader(first.data(), tc::kRowIndexKeySize, tc::kRowIndexEntrySize, root);
    const Bytes info = layout_.EncodeInfo(kRowIndexHid, rows_ > 0 ? kTableRowsNid : 0);
    first.insert(first.end(), info.begin(), info.end());
    const uint16_t start = uint16_t(HeapHeaderSize(0));
    Bytes page = EncodeHeapPage(0, first, {uint16_t(start + bth::kSize), uint16_t(start + first.size())});
    PutHeapHeader(page, hn::kClientTableContext, kInfoHid);
    std::vector<uint8_t> levels{HeapFillLevel(page)};
    levels.insert(levels.end(), fillLevels_.begin(), fillLevels_.end());
    if (heapLast) levels.push_back(HeapFillLevel(lastPage));
    PutFillLevels(&page[hn::kFillLevels], levels, 0, 8);
    const Bid heapFirst = db_.WriteBlock(page.data(), page.size());
    std::vector<std::pair<Bid, size_t>> heapPieces{{heapFirst, page.size()}};
    heapPieces.insert(heapPieces.end(), heapBlocks_.begin(), heapBlocks_.end());
    if (heapLast) heapPieces.emplace_back(heapLast, lastPage.size());
    const Bid heapRoot = db_.WriteTreeOver(heapPieces);

    std::vector<SubnodeEntry> subs = largeValues_;
    if (rowsRoot) subs.push_back({kTableRowsNid, rowsRoot, 0});
    const NodeEntry entry{heapRoot, db_.WriteSubnodes(subs), 0};

    if (!written_) {
        db_.SetNode(nid_, entry);
    } else {
        // The new trees took over the kept blocks: only the old trees' own
        // blocks and the blocks that were rewritten go.
        const NodeEntry old = *db_.FindNode(nid_);
        db_.AddOwner(old.data);
        db_.AddOwner(old.sub);
        db_.SetNode(nid_, entry);
        db_.ReleaseShell(old.sub);
        db_.ReleaseShell(old.data);
        db_.ReleaseShell(rowsRoot_);
        for (Bid b : {heapFirst_, heapLast_, rowsLast_}) db_.Release(b);
    }
    for (Bid b : replaced_) db_.Release(b);
    replaced_.clear();
    written_ = true;
    heapFirst_ = heapFirst;
    heapLast_ = heapLast;
    rowsRoot_ = rowsRoot;
    rowsLast_ = rowsLast;
}

}  // namespace pst
