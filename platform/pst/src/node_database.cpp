#include "node_database.h"

#include "crc.h"

#include <pst/error.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace pst {

namespace {
constexpr size_t kHeaderSize = 564;
constexpr uint8_t kTypeBBT = 0x80, kTypeNBT = 0x81, kTypeDList = 0x86;
constexpr size_t kLeafNodeEntry = 32, kLeafBlockEntry = 24, kBranchEntry = 24;
constexpr size_t kXEntries = (kMaxBlockData - 8) / 8;   // block ids in an extended block
constexpr size_t kSLEntries = (kMaxBlockData - 8) / 24;
constexpr size_t kSIEntries = (kMaxBlockData - 8) / 16;
constexpr int kMaxTreeDepth = 8;

uint16_t Signature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return uint16_t(uint16_t(ib >> 16) ^ uint16_t(ib));
}
uint64_t BlockSpan(size_t cb) { return (cb + 16 + 63) / 64 * 64; }
bool IsInternal(Bid bid) { return (bid & 2) != 0; }
[[noreturn]] void Damaged(const std::string& what) { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: " + what); }
}  // namespace

std::unique_ptr<NodeDatabase> NodeDatabase::Create(const std::string& path) {
    std::unique_ptr<NodeDatabase> db(new NodeDatabase(std::make_unique<File>(path, File::Mode::CreateNew), true));
    try {
        for (uint8_t t = 0; t < 32; ++t) db->nextNid_[t] = (0x400u << 5) | t;
        db->amap_.InitEmpty();
        Bytes zeros(kFirstRegion, 0);
        db->file_->WriteAt(0, zeros.data(), zeros.size());
        uint8_t dlist[kPageSize] = {};
        SealPage(dlist, kTypeDList, 0, 0x4200);
        db->file_->WriteAt(0x4200, dlist, kPageSize);
        db->file_->Truncate(db->amap_.FileEof());
    } catch (...) {
        db.reset();
        ::unlink(path.c_str());  // the file is ours: it did not exist before
        throw;
    }
    return db;
}

std::unique_ptr<NodeDatabase> NodeDatabase::Open(const std::string& path, bool writable) {
    auto mode = writable ? File::Mode::ReadWrite : File::Mode::ReadOnly;
    std::unique_ptr<NodeDatabase> db(new NodeDatabase(std::make_unique<File>(path, mode), writable));
    db->ReadHeader();
    std::set<uint64_t> seen;
    db->LoadTree(db->nbtRoot_, true, -1, seen);
    db->LoadTree(db->bbtRoot_, false, -1, seen);
    if (writable) db->CheckSpaceForWriting();
    db->dirty_ = false;
    for (const auto& [nid, e] : db->nodes_) db->ReserveNid(nid);
    for (const auto& [bid, b] : db->blocks_) db->nextBlockBid_ = std::max<Bid>(db->nextBlockBid_, (bid & ~Bid(3)) + 4);
    for (const auto& p : db->currentPages_) db->nextPageBid_ = std::max<Bid>(db->nextPageBid_, p.bid + 1);
    return db;
}

void NodeDatabase::ReadHeader() {
    if (file_->Size() < kFirstRegion + kRegionSize) throw PstError(ErrorKind::BadFormat, "The file is too short to be a PST file");
    uint8_t h[kHeaderSize];
    file_->ReadAt(0, h, kHeaderSize);
    if (std::memcmp(h, "!BDN", 4) != 0 || Get16(h + 8) != 0x4D53) throw PstError(ErrorKind::BadFormat, "The file is not a PST file");
    uint16_t ver = Get16(h + 10);
    if (ver < 23) throw PstError(ErrorKind::BadFormat, "Only Unicode PST files are supported");
    if (ver > 23) throw PstError(ErrorKind::BadFormat, "This PST or OST variant is not supported");
    if (!ChecksumMatches(h + 8, 471, Get32(h + 4)) || !ChecksumMatches(h + 8, 516, Get32(h + 524))) Damaged("header checksum");
    if (h[513] != 0) throw PstError(ErrorKind::BadFormat, "Encoded PST files are not supported");
    nextPageBid_ = Get64(h + 32);
    unique_ = Get32(h + 40);
    for (int t = 0; t < 32; ++t) nextNid_[t] = Get32(h + 44 + 4 * t);
    const uint8_t* root = h + 180;
    uint64_t eof = Get64(root + 4);
    nbtRoot_ = {Get64(root + 36), Get64(root + 44)};
    bbtRoot_ = {Get64(root + 52), Get64(root + 60)};
    nextBlockBid_ = Get64(h + 516);
    if (eof > file_->Size()) Damaged("file is shorter than recorded");
    amap_.Load(*file_, eof);
}

void NodeDatabase::LoadTree(const PageRef& ref, bool nodeTree, int expectLevel, std::set<uint64_t>& seen) {
    if (expectLevel >= kMaxTreeDepth) Damaged("index too deep");
    // Pages lie on 512-byte boundaries in space the allocation map hands out,
    // and no page is listed twice: the walk reads each page of the file at
    // most once.
    if (ref.ib % kPageSize != 0 || !amap_.Holds(ref.ib, kPageSize)) Damaged("index page outside the file");
    if (!seen.insert(ref.ib).second) Damaged("index page listed twice");
    uint8_t page[kPageSize];
    file_->ReadAt(ref.ib, page, kPageSize);
    uint8_t want = nodeTree ? kTypeNBT : kTypeBBT;
    if (page[496] != want || page[497] != want || !ChecksumMatches(page, 496, Get32(page + 500)) || Get64(page + 504) != ref.bid)
        Damaged("index page");
    currentPages_.push_back(ref);
    size_t count = page[488];
    size_t entrySize = page[490];
    int level = page[491];
    if (expectLevel >= 0 && level != expectLevel) Damaged("index level");
    size_t need = level > 0 ? kBranchEntry : (nodeTree ? kLeafNodeEntry : kLeafBlockEntry);
    if (entrySize != need || count * entrySize > 488) Damaged("index entries");
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = page + i * entrySize;
        if (level > 0) {
            LoadTree({Get64(e + 8), Get64(e + 16)}, nodeTree, level - 1, seen);
        } else if (nodeTree) {
            nodes_[Nid(Get64(e))] = NodeEntry{Get64(e + 8), Get64(e + 16), Get32(e + 24)};
        } else {
            uint16_t cref = Get16(e + 18);
            blocks_[Get64(e)] = BlockInfo{Get64(e + 8), Get16(e + 16), cref > 1 ? uint32_t(cref - 1) : 1u};
        }
    }
}

void NodeDatabase::CheckSpaceForWriting() const {
    // New data goes where the map shows free space: a block or page the
    // indexes list must be marked in use, and no two may overlap, or a write
    // would land on data that is still read.
    std::vector<std::pair<uint64_t, uint64_t>> spans;  // start, end
    spans.reserve(blocks_.size() + currentPages_.size());
    for (const auto& [bid, b] : blocks_) {
        // A block no reader accepts is refused when it is read or released.
        if (b.cb <= kMaxBlockData && amap_.Holds(b.ib, BlockSpan(b.cb))) spans.emplace_back(b.ib, b.ib + BlockSpan(b.cb));
    }
    for (const auto& p : currentPages_) spans.emplace_back(p.ib, p.ib + kPageSize);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 0; i < spans.size(); ++i) {
        if (i > 0 && spans[i].first < spans[i - 1].second) Damaged("blocks overlap");
        if (!amap_.Used(spans[i].first, spans[i].second - spans[i].first)) Damaged("data in space the allocation map marks free");
    }
}

Bid NodeDatabase::WriteBlock(const uint8_t* data, size_t size, bool internal) {
    if (!writable_) throw PstError(ErrorKind::AccessDenied, "The PST file is open for reading only");
    if (size > kMaxBlockData) throw PstError(ErrorKind::InvalidArgument, "block too large");
    Bid bid = nextBlockBid_ | (internal ? 2 : 0);
    nextBlockBid_ += 4;
    uint64_t span = BlockSpan(size);
    uint64_t ib = amap_.Allocate(span, 64);
    Bytes buf(span, 0);
    if (size) std::memcpy(buf.data(), data, size);
    uint8_t* t = buf.data() + span - 16;
    Put16(t, uint16_t(size));
    Put16(t + 2, Signature(ib, bid));
    Put32(t + 4, Crc32(data, size));
    Put64(t + 8, bid);
    file_->WriteAt(ib, buf.data(), buf.size());
    blocks_[bid] = BlockInfo{ib, uint16_t(size), 1};
    dirty_ = true;
    return bid;
}

Bid NodeDatabase::WriteDataTree(const Bytes& data) {
    std::vector<std::pair<const uint8_t*, size_t>> pieces;
    for (size_t at = 0; at < data.size() || pieces.empty(); at += kMaxBlockData)
        pieces.emplace_back(data.data() + at, std::min(data.size() - at, kMaxBlockData));
    return WriteTree(pieces);
}

Bid NodeDatabase::WriteDataTree(const std::vector<Bytes>& blocks) {
    std::vector<std::pair<const uint8_t*, size_t>> pieces;
    for (const auto& b : blocks) pieces.emplace_back(b.data(), b.size());
    return WriteTree(pieces);
}

Bid NodeDatabase::WriteTree(const std::vector<std::pair<const uint8_t*, size_t>>& blocks) {
    if (blocks.size() == 1) return WriteBlock(blocks[0].first, blocks[0].second);
    struct Child { Bid bid; uint64_t total; };
    std::vector<Child> level;
    for (const auto& [p, n] : blocks) level.push_back({WriteBlock(p, n), n});
    for (uint8_t depth = 1; level.size() > 1 || depth == 1; ++depth) {
        if (depth > 2) throw PstError(ErrorKind::InvalidArgument, "data too large for one node");
        std::vector<Child> upper;
        for (size_t at = 0; at < level.size(); at += kXEntries) {
            size_t n = std::min(kXEntries, level.size() - at);
            uint64_t total = 0;
            Bytes x(8 + 8 * n);
            for (size_t i = 0; i < n; ++i) {
                Put64(&x[8 + 8 * i], level[at + i].bid);
                total += level[at + i].total;
            }
            x[0] = 0x01;
            x[1] = depth;
            Put16(&x[2], uint16_t(n));
            Put32(&x[4], uint32_t(total));
            upper.push_back({WriteBlock(x.data(), x.size(), true), total});
        }
        level = std::move(upper);
    }
    return level[0].bid;
}

Bid NodeDatabase::WriteSubnodes(std::vector<SubnodeEntry> entries) {
    if (entries.empty()) return 0;
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.nid < b.nid; });
    std::vector<std::pair<Nid, Bid>> leaves;
    for (size_t at = 0; at < entries.size(); at += kSLEntries) {
        size_t n = std::min(kSLEntries, entries.size() - at);
        Bytes b(8 + 24 * n, 0);
        b[0] = 0x02;
        b[1] = 0;
        Put16(&b[2], uint16_t(n));
        for (size_t i = 0; i < n; ++i) {
            Put64(&b[8 + 24 * i], entries[at + i].nid);
            Put64(&b[16 + 24 * i], entries[at + i].data);
            Put64(&b[24 + 24 * i], entries[at + i].sub);
        }
        leaves.emplace_back(entries[at].nid, WriteBlock(b.data(), b.size(), true));
    }
    if (leaves.size() == 1) return leaves[0].second;
    if (leaves.size() > kSIEntries) throw PstError(ErrorKind::InvalidArgument, "too many subnodes");
    Bytes b(8 + 16 * leaves.size(), 0);
    b[0] = 0x02;
    b[1] = 1;
    Put16(&b[2], uint16_t(leaves.size()));
    for (size_t i = 0; i < leaves.size(); ++i) {
        Put64(&b[8 + 16 * i], leaves[i].first);
        Put64(&b[16 + 16 * i], leaves[i].second);
    }
    return WriteBlock(b.data(), b.size(), true);
}

void NodeDatabase::AddOwner(Bid bid) {
    if (bid == 0) return;
    auto it = blocks_.find(bid);
    if (it == blocks_.end()) Damaged("missing block");
    ++it->second.owners;
    dirty_ = true;
}

void NodeDatabase::Release(Bid bid) {
    // A worklist rather than recursion: subnode trees nest. Each block is
    // checked before anything of it changes; a block leaves the list once its
    // last owner is gone, so cycles end.
    std::vector<Bid> work{bid};
    while (!work.empty()) {
        Bid b = work.back();
        work.pop_back();
        auto it = b == 0 ? blocks_.end() : blocks_.find(b);
        if (it == blocks_.end()) continue;
        CheckPlacement(it->second);
        dirty_ = true;
        if (it->second.owners > 1) {
            --it->second.owners;
            continue;
        }
        if (IsInternal(b))
            for (const auto& e : ReadInternal(b).entries) {
                work.push_back(e.data);
                work.push_back(e.sub);
            }
        pendingFree_.emplace_back(it->second.ib, BlockSpan(it->second.cb));
        blocks_.erase(it);
    }
}

void NodeDatabase::CheckPlacement(const BlockInfo& info) const {
    if (info.cb > kMaxBlockData || !amap_.Holds(info.ib, BlockSpan(info.cb))) Damaged("block outside the file");
}

Bytes NodeDatabase::ReadBlock(Bid bid) const {
    auto it = blocks_.find(bid);
    if (it == blocks_.end()) Damaged("missing block");
    const BlockInfo& info = it->second;
    CheckPlacement(info);
    uint64_t span = BlockSpan(info.cb);
    Bytes buf(span);
    file_->ReadAt(info.ib, buf.data(), span);
    const uint8_t* t = buf.data() + span - 16;
    if (Get16(t) != info.cb || Get64(t + 8) != bid || !ChecksumMatches(buf.data(), info.cb, Get32(t + 4)))
        Damaged("block checksum");
    buf.resize(info.cb);
    return buf;
}

NodeDatabase::InternalBlock NodeDatabase::ReadInternal(Bid bid) const {
    if (!IsInternal(bid)) Damaged("data block where an internal block belongs");
    Bytes b = ReadBlock(bid);
    if (b.size() < 8) Damaged("internal block");
    InternalBlock x;
    x.type = b[0];
    x.level = b[1];
    size_t entrySize = 0;
    if (x.type == 0x01 && (x.level == 1 || x.level == 2)) entrySize = 8;
    else if (x.type == 0x02 && x.level == 0) entrySize = 24;
    else if (x.type == 0x02 && x.level == 1) entrySize = 16;
    else Damaged("internal block type");
    size_t n = Get16(&b[2]);
    if (8 + n * entrySize > b.size()) Damaged("internal block size");
    if (x.type == 0x01) x.total = Get32(&b[4]);
    x.entries.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* e = &b[8 + i * entrySize];
        if (x.type == 0x01) x.entries.push_back({0, Get64(e), 0});
        else if (x.level == 0) x.entries.push_back({Nid(Get64(e)), Get64(e + 8), Get64(e + 16)});
        else x.entries.push_back({Nid(Get64(e)), Get64(e + 8), 0});
    }
    return x;
}

std::vector<Bytes> NodeDatabase::ReadDataTree(Bid bid) const {
    std::vector<Bytes> out;
    if (bid == 0) return out;
    if (!IsInternal(bid)) {
        out.push_back(ReadBlock(bid));
        return out;
    }
    // Levels only go down, so the walk ends; each block is read once and
    // every level adds up to what its parent promises, so what comes back
    // never exceeds the file.
    std::set<Bid> seen{bid};
    auto once = [&](Bid child) {
        if (!seen.insert(child).second) Damaged("data tree lists a block twice");
    };
    InternalBlock top = ReadInternal(bid);
    if (top.type != 0x01) Damaged("extended block");
    std::vector<InternalBlock> lists;
    if (top.level == 2) {
        uint64_t total = 0;
        for (const auto& e : top.entries) {
            once(e.data);
            lists.push_back(ReadInternal(e.data));
            if (lists.back().type != 0x01 || lists.back().level != 1) Damaged("extended block level");
            total += lists.back().total;
        }
        if (total != top.total) Damaged("extended block size");
    } else {
        lists.push_back(std::move(top));
    }
    for (const auto& x : lists) {
        uint64_t total = 0;
        for (const auto& e : x.entries) {
            if (IsInternal(e.data)) Damaged("extended block level");
            once(e.data);
            out.push_back(ReadBlock(e.data));
            total += out.back().size();
        }
        if (total != x.total) Damaged("extended block size");
    }
    return out;
}

std::map<Nid, SubnodeEntry> NodeDatabase::ReadSubnodes(Bid bid) const {
    std::map<Nid, SubnodeEntry> out;
    if (bid == 0) return out;
    InternalBlock top = ReadInternal(bid);
    if (top.type != 0x02) Damaged("subnode block");
    std::vector<InternalBlock> leaves;
    if (top.level == 1) {
        std::set<Bid> seen;
        for (const auto& e : top.entries) {
            if (!seen.insert(e.data).second) Damaged("subnode tree lists a block twice");
            leaves.push_back(ReadInternal(e.data));
            if (leaves.back().type != 0x02 || leaves.back().level != 0) Damaged("subnode block level");
        }
    } else {
        leaves.push_back(std::move(top));
    }
    for (const auto& leaf : leaves)
        for (const auto& e : leaf.entries) out[e.nid] = e;
    return out;
}

void ValueBudget::Spend(size_t bytes) {
    if (bytes > left_) Damaged("values add up to more than the file holds");
    left_ -= bytes;
}

void NodeDatabase::SetNode(Nid nid, const NodeEntry& entry) {
    auto it = nodes_.find(nid);
    if (it != nodes_.end()) {
        NodeEntry old = it->second;
        it->second = entry;
        Release(old.data);
        Release(old.sub);
    } else {
        nodes_[nid] = entry;
        ReserveNid(nid);
    }
    dirty_ = true;
}

const NodeEntry* NodeDatabase::FindNode(Nid nid) const {
    auto it = nodes_.find(nid);
    return it == nodes_.end() ? nullptr : &it->second;
}

Nid NodeDatabase::NextNid(uint8_t type) {
    Nid nid = nextNid_[type & 31];
    while (nodes_.count(nid)) nid += 32;
    nextNid_[type & 31] = nid + 32;
    return nid;
}

void NodeDatabase::ReserveNid(Nid nid) {
    Nid& next = nextNid_[nid & 31];
    if (next <= nid) next = nid + 32;
}

NodeDatabase::PageRef NodeDatabase::WritePage(const uint8_t* entries, size_t count, size_t entrySize, uint8_t level, uint8_t ptype) {
    uint8_t page[kPageSize] = {};
    std::memcpy(page, entries, count * entrySize);
    page[488] = uint8_t(count);
    page[489] = uint8_t(488 / entrySize);
    page[490] = uint8_t(entrySize);
    page[491] = level;
    Bid bid = nextPageBid_++;
    uint64_t ib = amap_.Allocate(kPageSize, kPageSize);
    SealPage(page, ptype, Signature(ib, bid), bid);
    file_->WriteAt(ib, page, kPageSize);
    currentPages_.push_back({bid, ib});
    return {bid, ib};
}

NodeDatabase::PageRef NodeDatabase::BuildTree(bool nodeTree) {
    const size_t leafSize = nodeTree ? kLeafNodeEntry : kLeafBlockEntry;
    const uint8_t ptype = nodeTree ? kTypeNBT : kTypeBBT;
    Bytes leaf;
    std::vector<std::pair<uint64_t, PageRef>> level;  // first key, page
    uint64_t firstKey = 0;
    size_t inLeaf = 0;
    auto flushLeaf = [&] {
        level.emplace_back(firstKey, WritePage(leaf.data(), inLeaf, leafSize, 0, ptype));
        leaf.clear();
        inLeaf = 0;
    };
    const size_t leafMax = 488 / leafSize;
    if (nodeTree) {
        for (const auto& [nid, e] : nodes_) {
            if (inLeaf == 0) firstKey = nid;
            size_t at = leaf.size();
            leaf.resize(at + leafSize, 0);
            Put64(&leaf[at], nid);
            Put64(&leaf[at + 8], e.data);
            Put64(&leaf[at + 16], e.sub);
            Put32(&leaf[at + 24], e.parent);
            if (++inLeaf == leafMax) flushLeaf();
        }
    } else {
        for (const auto& [bid, b] : blocks_) {
            if (inLeaf == 0) firstKey = bid;
            size_t at = leaf.size();
            leaf.resize(at + leafSize, 0);
            Put64(&leaf[at], bid);
            Put64(&leaf[at + 8], b.ib);
            Put16(&leaf[at + 16], b.cb);
            Put16(&leaf[at + 18], uint16_t(std::min<uint32_t>(b.owners + 1, 0xFFFF)));
            if (++inLeaf == leafMax) flushLeaf();
        }
    }
    if (inLeaf > 0 || level.empty()) flushLeaf();
    for (uint8_t depth = 1; level.size() > 1; ++depth) {
        std::vector<std::pair<uint64_t, PageRef>> upper;
        const size_t branchMax = 488 / kBranchEntry;
        for (size_t at = 0; at < level.size(); at += branchMax) {
            size_t n = std::min(branchMax, level.size() - at);
            Bytes entries(n * kBranchEntry);
            for (size_t i = 0; i < n; ++i) {
                Put64(&entries[i * kBranchEntry], level[at + i].first);
                Put64(&entries[i * kBranchEntry + 8], level[at + i].second.bid);
                Put64(&entries[i * kBranchEntry + 16], level[at + i].second.ib);
            }
            upper.emplace_back(level[at].first, WritePage(entries.data(), n, kBranchEntry, depth, ptype));
        }
        level = std::move(upper);
    }
    return level[0].second;
}

void NodeDatabase::Commit(bool durable) {
    if (!writable_ || (!dirty_ && pendingFree_.empty() && !freedPages_)) return;
    std::vector<PageRef> oldPages;
    if (dirty_) {
        oldPages.swap(currentPages_);
        // WritePage records the new pages so that the next commit frees them.
        nbtRoot_ = BuildTree(true);
        bbtRoot_ = BuildTree(false);
    }
    file_->Flush();
    if (durable) file_->Sync();
    amap_.WritePages(*file_);
    WriteHeader();
    if (durable) file_->Sync();
    // Space that only the previous state used can be handed out from now on.
    for (const auto& [ib, size] : pendingFree_) amap_.Free(ib, size);
    pendingFree_.clear();
    for (const auto& p : oldPages) amap_.Free(p.ib, kPageSize);
    freedPages_ = !oldPages.empty();
    dirty_ = false;
}

void NodeDatabase::WriteHeader() {
    uint8_t h[kHeaderSize] = {};
    std::memcpy(h, "!BDN", 4);
    Put16(h + 8, 0x4D53);
    Put16(h + 10, 23);
    Put16(h + 12, 19);
    h[14] = 1;
    h[15] = 1;
    Put64(h + 32, nextPageBid_);
    Put32(h + 40, ++unique_);
    for (int t = 0; t < 32; ++t) Put32(h + 44 + 4 * t, nextNid_[t]);
    uint8_t* root = h + 180;
    Put64(root + 4, amap_.FileEof());
    Put64(root + 12, amap_.LastAMap());
    Put64(root + 20, amap_.FreeBytes());
    Put64(root + 28, 0);
    Put64(root + 36, nbtRoot_.bid);
    Put64(root + 44, nbtRoot_.ib);
    Put64(root + 52, bbtRoot_.bid);
    Put64(root + 60, bbtRoot_.ib);
    root[68] = 0x02;
    std::fill(h + 256, h + 512, 0xFF);
    h[512] = 0x80;
    h[513] = 0;
    Put64(h + 516, nextBlockBid_);
    Put32(h + 4, Crc32(h + 8, 471));
    Put32(h + 524, Crc32(h + 8, 516));
    if (file_->Size() < amap_.FileEof()) file_->Truncate(amap_.FileEof());
    file_->Flush();
    file_->WriteAt(0, h, kHeaderSize);
    file_->Flush();
}

}  // namespace pst
