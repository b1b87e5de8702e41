#include "growing_table.h"

#include "bth.h"
#include "layout.h"
#include "property_context.h"

#include <pst/error.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

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

bool GrowingTable::HasRowsOf(const std::vector<uint32_t>& ids) const {
    return std::equal(index_.begin(), index_.end(), ids.begin(), ids.end(),
                      [](const auto& record, uint32_t id) { return record.first == id; });
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

namespace {

[[noreturn]] void DamagedIndex() { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: table row index"); }

// The leaves of the row index below hid at level, in key order. Every node
// is met once: a tree whose nodes list each other is damaged.
void CollectLeaves(const HeapReader& heap, uint32_t hid, uint8_t level, std::set<uint32_t>& seen,
                   std::vector<uint32_t>& leaves) {
    if (!seen.insert(hid).second) DamagedIndex();
    if (level == 0) {
        leaves.push_back(hid);
        return;
    }
    const auto [data, size] = heap.Get(hid);
    constexpr size_t kIndexRecord = tc::kRowIndexKeySize + bth::kIndexHidSize;
    if (size == 0 || size % kIndexRecord != 0) DamagedIndex();
    for (size_t at = 0; at < size; at += kIndexRecord)
        CollectLeaves(heap, base::Get32(data + at + tc::kRowIndexKeySize), uint8_t(level - 1), seen, leaves);
}

}  // namespace

std::unique_ptr<GrowingTable> GrowingTable::Adopt(NodeDatabase& db, Nid nid, const std::vector<uint32_t>& columns) {
    const NodeEntry* node = db.FindNode(nid);
    if (!node) return nullptr;
    const NodeEntry entry = *node;
    auto table = std::make_unique<GrowingTable>(db, nid, columns);
    GrowingTable& t = *table;

    // The heap: block 0 holds the row index's header and the table's, and
    // nothing else. Only the blocks that hold those, the row index and the
    // last allocations are read.
    const std::vector<std::pair<Bid, size_t>> heapBlocks = db.DataTreeBlocks(entry.data);
    const HeapReader heap(heapBlocks.size(), [&](size_t b) { return db.ReadBlock(heapBlocks[b].first); });
    if (heap.ClientSig() != hn::kClientTableContext || heap.Root() != kInfoHid || heap.Offsets(0).size() != 3)
        return nullptr;
    const auto [header, headerSize] = heap.Get(kRowIndexHid);
    if (headerSize != bth::kSize || header[bth::kType] != bth::kTypeValue || header[bth::kKeySize] != tc::kRowIndexKeySize ||
        header[bth::kEntrySize] != tc::kRowIndexEntrySize)
        return nullptr;

    // The row index: leaves of kPerLeaf records but the last, as Write
    // makes them.
    std::vector<uint32_t> leaves;
    std::set<uint32_t> seen;
    if (const uint32_t root = base::Get32(header + bth::kRoot)) CollectLeaves(heap, root, header[bth::kLevels], seen, leaves);
    for (size_t k = 0; k < leaves.size(); ++k) {
        const auto [data, size] = heap.Get(leaves[k]);
        const bool last = k + 1 == leaves.size();
        if (size == 0 || size % kRecordSize != 0 || (!last && size != kPerLeaf * kRecordSize)) return nullptr;
        for (size_t at = 0; at < size; at += kRecordSize)
            t.index_.emplace_back(base::Get32(data + at), base::Get32(data + at + tc::kRowIndexKeySize));
    }
    t.rows_ = t.index_.size();
    std::vector<bool> numbered(t.rows_);
    for (size_t i = 0; i < t.rows_; ++i) {
        const auto [id, row] = t.index_[i];
        if ((i > 0 && id <= t.index_[i - 1].first) || row >= t.rows_ || numbered[row])
            DamagedIndex();
        numbered[row] = true;
    }
    const auto [info, infoSize] = heap.Get(kInfoHid);
    if (Bytes(info, info + infoSize) != t.layout_.EncodeInfo(kRowIndexHid, t.rows_ > 0 ? kTableRowsNid : 0)) return nullptr;

    // The rows: full blocks, padded, then the last one.
    std::map<Nid, SubnodeEntry> subnodes = db.ReadSubnodes(entry.sub);
    std::vector<std::pair<Bid, size_t>> rowBlocks;
    if (auto rows = subnodes.find(kTableRowsNid); rows != subnodes.end()) {
        t.rowsRoot_ = rows->second.data;
        rowBlocks = db.DataTreeBlocks(t.rowsRoot_);
        subnodes.erase(rows);
    }
    const size_t fullBlocks = t.rows_ == 0 ? 0 : (t.rows_ - 1) / t.perBlock_;
    if (rowBlocks.size() != (t.rows_ == 0 ? 0 : fullBlocks + 1)) return nullptr;
    for (size_t b = 0; b < fullBlocks; ++b) {
        if (rowBlocks[b].second != kMaxBlockData) return nullptr;
        t.rowBlocks_.push_back(rowBlocks[b].first);
    }
    if (!rowBlocks.empty()) {
        t.rowsLast_ = rowBlocks.back().first;
        t.lastRows_ = db.ReadBlock(t.rowsLast_);
        if (t.lastRows_.size() != (t.rows_ - fullBlocks * t.perBlock_) * t.layout_.rowSize) return nullptr;
    }

    // Values too large for the heap, in subnodes of their own.
    for (const auto& [sub, e] : subnodes) {
        if ((sub >> nid::kIndexShift) < LargeValueNid(0) >> nid::kIndexShift) return nullptr;
        const uint32_t index = (sub >> nid::kIndexShift) - (LargeValueNid(0) >> nid::kIndexShift);
        if (LargeValueNid(index) != sub) return nullptr;
        t.largeValues_.push_back(e);
        t.nextLarge_ = std::max(t.nextLarge_, index + 1);
    }

    // The heap's blocks after the first are kept, and the last is taken up
    // again to append to. Of the kept blocks' fill levels, only those of
    // blocks 1 to 7 are written again (in the first block's list): they
    // come from that list.
    t.heapFirst_ = heapBlocks.front().first;
    const uint8_t* levels = &heap.Page(0)[hn::kFillLevels];
    for (size_t b = 1; b + 1 < heapBlocks.size(); ++b) {
        t.heapBlocks_.push_back(heapBlocks[b]);
        t.fillLevels_.push_back(b < 8 ? uint8_t(levels[b / 2] >> (4 * (b % 2)) & 0xF) : kFull);
    }
    if (heapBlocks.size() > 1) {
        const size_t last = heapBlocks.size() - 1;
        const Bytes& page = heap.Page(last);
        const std::vector<uint16_t>& offsets = heap.Offsets(last);
        const size_t headerEnd = HeapHeaderSize(last);
        if (base::Get16(&page[base::Get16(&page[hn::kPageMap]) + hn::kMapFree]) != 0 || offsets.front() != headerEnd)
            return nullptr;
        t.heapLast_ = heapBlocks.back().first;
        t.heapData_.assign(page.begin() + ptrdiff_t(headerEnd), page.begin() + offsets.back());
        t.heapEnds_.assign(offsets.begin() + 1, offsets.end());
    }
    t.leaves_ = std::move(leaves);
    t.changedFrom_ = t.index_.size();
    t.written_ = true;
    return table;
}

}  // namespace pst
