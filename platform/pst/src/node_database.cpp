#include "node_database.h"

#include "crc.h"
#include "layout.h"

#include <pst/error.h>

#include <base/utf.h>

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace pst {

namespace {
constexpr size_t kHeaderSize = header::kSize;
constexpr uint8_t kTypeBBT = ptype::kBlockTree, kTypeNBT = ptype::kNodeTree, kTypeDList = ptype::kDensityList;
constexpr size_t kLeafNodeEntry = nodeLeaf::kSize, kLeafBlockEntry = blockLeaf::kSize, kBranchEntry = branch::kSize;
constexpr size_t kXEntries = (kMaxBlockData - block::kEntries) / xblock::kEntrySize;  // block ids in an extended block
constexpr size_t kSLEntries = (kMaxBlockData - block::kEntries) / sleaf::kSize;
constexpr size_t kSIEntries = (kMaxBlockData - block::kEntries) / sbranch::kSize;
constexpr int kMaxTreeDepth = 8;
constexpr uint64_t kSyncWhenFreed = 8 << 20;  // bytes of freed space that make a commit durable

uint16_t Signature(uint64_t ib, uint64_t bid) {
    ib ^= bid;
    return uint16_t(uint16_t(ib >> 16) ^ uint16_t(ib));
}
uint64_t BlockSpan(size_t cb) { return (cb + block::kTrailerSize + block::kAlign - 1) / block::kAlign * block::kAlign; }
bool IsInternal(Bid bid) { return (bid & block::kBidInternal) != 0; }
[[noreturn]] void Damaged(const std::string& what) { throw PstError(ErrorKind::BadFormat, "The PST file is damaged: " + what); }
constexpr size_t kNodesPerLeaf = page::kEntriesSize / kLeafNodeEntry;
constexpr size_t kBlocksPerLeaf = page::kEntriesSize / kLeafBlockEntry;
constexpr size_t kChildrenPerBranch = page::kEntriesSize / kBranchEntry;
}  // namespace

NodeDatabase::NodeDatabase(std::unique_ptr<File> file, bool writable)
    : file_(std::move(file)),
      writable_(writable),
      nodes_(kNodesPerLeaf, kChildrenPerBranch),
      blocks_(kBlocksPerLeaf, kChildrenPerBranch) {}

std::unique_ptr<NodeDatabase> NodeDatabase::Create(const std::string& path) {
    std::unique_ptr<NodeDatabase> db(new NodeDatabase(std::make_unique<File>(path, File::Mode::CreateNew), true));
    try {
        for (uint8_t t = 0; t < header::kNextNidCount; ++t) db->nextNid_[t] = (nid::kFirstFreeIndex << nid::kIndexShift) | t;
        db->amap_.InitEmpty();
        Bytes zeros(kFirstRegion, 0);
        db->file_->WriteAt(0, zeros.data(), zeros.size());
        uint8_t dlist[kPageSize] = {};
        SealPage(dlist, kTypeDList, 0, kDensityListPage);
        db->file_->WriteAt(kDensityListPage, dlist, kPageSize);
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
    // The free space of the map is reused from the first write on, which is
    // safe once the state the header describes is on the disk.
    if (writable) db->file_->Sync();
    db->ReadHeader();
    std::set<uint64_t> seen;
    db->LoadTree(db->nbtRoot_, true, -1, seen);
    db->LoadTree(db->bbtRoot_, false, -1, seen);
    if (writable) db->KeepIndexedSpace();
    db->dirty_ = false;
    if (!db->nodes_.WellFormed()) {
        Reshape(db->nodes_);
        db->dirty_ = true;
    }
    if (!db->blocks_.WellFormed()) {
        Reshape(db->blocks_);
        db->dirty_ = true;
    }
    db->nodes_.ForEach([&](uint64_t nid, const NodeEntry&) {
        db->ReserveNid(Nid(nid));
        return true;
    });
    db->blocks_.ForEach([&](uint64_t bid, const BlockInfo&) {
        db->nextBlockBid_ = std::max<Bid>(db->nextBlockBid_, (bid & ~block::kBidFlags) + block::kBidStep);
        return true;
    });
    auto pageBids = [&](const PageRef& p) { db->nextPageBid_ = std::max<Bid>(db->nextPageBid_, p.bid + 1); };
    db->nodes_.ForEachPage(pageBids);
    db->blocks_.ForEachPage(pageBids);
    return db;
}

void NodeDatabase::MakeWritable() {
    if (writable_) return;
    file_->ReopenForWriting();
    // Every commit since, ours or another program's, even within one tick
    // of the file's clock, wrote a new header.
    Bytes now(kHeaderSize);
    file_->ReadApart(0, now.data(), now.size());
    if (now != readHeader_) throw PstError(ErrorKind::InvalidArgument, "The PST file " + Path() + " changed since it was read");
    // As Open does for writing: what was read is on the disk before space
    // it leaves free is reused, and every indexed block keeps its place. A
    // file that fails stays read-only: nothing of it is written.
    file_->Sync();
    KeepIndexedSpace();
    writable_ = true;
}

void NodeDatabase::ReadHeader() {
    if (file_->Size() < kFirstRegion + kRegionSize) throw PstError(ErrorKind::BadFormat, "The file is too short to be a PST file");
    uint8_t h[kHeaderSize];
    file_->ReadAt(0, h, kHeaderSize);
    readHeader_.assign(h, h + kHeaderSize);
    if (std::memcmp(h + header::kMagic, header::kMagicValue, header::kMagicSize) != 0 || base::Get16(h + header::kMagicClient) != header::kMagicClientValue)
        throw PstError(ErrorKind::BadFormat, "The file is not a PST file");
    uint16_t ver = base::Get16(h + header::kVersion);
    if (ver < header::kVersionUnicode) throw PstError(ErrorKind::BadFormat, "Only Unicode PST files are supported");
    if (ver > header::kVersionUnicode) throw PstError(ErrorKind::BadFormat, "This PST or OST variant is not supported");
    if (!ChecksumMatches(h + header::kMagicClient, header::kCrcPartialSpan, base::Get32(h + header::kCrcPartial)) ||
        !ChecksumMatches(h + header::kMagicClient, header::kCrcFullSpan, base::Get32(h + header::kCrcFull)))
        Damaged("header checksum");
    if (h[header::kCryptMethod] != header::kCryptNone) throw PstError(ErrorKind::BadFormat, "Encoded PST files are not supported");
    nextPageBid_ = base::Get64(h + header::kNextPageBid);
    unique_ = base::Get32(h + header::kUnique);
    for (size_t t = 0; t < header::kNextNidCount; ++t) nextNid_[t] = base::Get32(h + header::kNextNids + header::kNextNidSize * t);
    const uint8_t* root = h + header::kRoot;
    uint64_t eof = base::Get64(root + root::kFileEof);
    nbtRoot_ = {base::Get64(root + root::kNodeTree + bref::kBid), base::Get64(root + root::kNodeTree + bref::kIb)};
    bbtRoot_ = {base::Get64(root + root::kBlockTree + bref::kBid), base::Get64(root + root::kBlockTree + bref::kIb)};
    nextBlockBid_ = base::Get64(h + header::kNextBlockBid);
    if (eof > file_->Size()) Damaged("file is shorter than recorded");
    amap_.Load(*file_, eof);
}

template <class Value>
void NodeDatabase::Reshape(PageTree<Value>& tree) {
    // Key order, the entry read last winning where a key repeats.
    std::vector<typename PageTree<Value>::Item> items;
    tree.ForEach([&](uint64_t key, const Value& v) {
        items.push_back({key, v});
        return true;
    });
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.key < b.key; });
    std::vector<typename PageTree<Value>::Item> unique;
    for (const auto& item : items) {
        if (!unique.empty() && unique.back().key == item.key) unique.back() = item;
        else unique.push_back(item);
    }
    tree.Assign(unique);
}

void NodeDatabase::LoadTree(const PageRef& ref, bool nodeTree, int expectLevel, std::set<uint64_t>& seen, void* parent,
                            uint64_t key) {
    if (expectLevel >= kMaxTreeDepth) Damaged("index too deep");
    // Pages lie on 512-byte boundaries in space the allocation map hands out,
    // and no page is listed twice: the walk reads each page of the file at
    // most once.
    if (ref.ib % kPageSize != 0 || !amap_.Holds(ref.ib, kPageSize)) Damaged("index page outside the file");
    if (!seen.insert(ref.ib).second) Damaged("index page listed twice");
    uint8_t page[kPageSize];
    file_->ReadAt(ref.ib, page, kPageSize);
    uint8_t want = nodeTree ? kTypeNBT : kTypeBBT;
    const uint8_t* trailer = page + page::kTrailer;
    if (trailer[page::kType] != want || trailer[page::kTypeRepeat] != want ||
        !ChecksumMatches(page, page::kContentSize, base::Get32(trailer + page::kCrc)) || base::Get64(trailer + page::kBid) != ref.bid)
        Damaged("index page");
    size_t count = page[page::kEntryCount];
    size_t entrySize = page[page::kEntrySize];
    int level = page[page::kLevel];
    if (expectLevel >= 0 && level != expectLevel) Damaged("index level");
    size_t need = level > 0 ? kBranchEntry : (nodeTree ? kLeafNodeEntry : kLeafBlockEntry);
    if (entrySize != need || count * entrySize > page::kEntriesSize) Damaged("index entries");
    PageTree<NodeEntry>::Loader nodeLoader{nodes_};
    PageTree<BlockInfo>::Loader blockLoader{blocks_};
    void* here = nullptr;
    if (nodeTree) here = parent ? nodeLoader.Child(parent, key, uint8_t(level), ref) : nodeLoader.Root(uint8_t(level), ref);
    else here = parent ? blockLoader.Child(parent, key, uint8_t(level), ref) : blockLoader.Root(uint8_t(level), ref);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = page + i * entrySize;
        if (level > 0) {
            const uint8_t* child = e + branch::kChild;
            LoadTree({base::Get64(child + bref::kBid), base::Get64(child + bref::kIb)}, nodeTree, level - 1, seen, here,
                     base::Get64(e + branch::kKey));
        } else if (nodeTree) {
            nodeLoader.Add(here, Nid(base::Get64(e + nodeLeaf::kNid)),
                           NodeEntry{base::Get64(e + nodeLeaf::kData), base::Get64(e + nodeLeaf::kSub), base::Get32(e + nodeLeaf::kParent)});
        } else {
            // On the disk the count includes the B-tree's own reference.
            uint16_t cref = base::Get16(e + blockLeaf::kRefs);
            blockLoader.Add(here, base::Get64(e + blockLeaf::kBid),
                            BlockInfo{base::Get64(e + blockLeaf::kIb), base::Get16(e + blockLeaf::kCb), cref > 1 ? uint32_t(cref - 1) : 1u});
        }
    }
}

void NodeDatabase::KeepIndexedSpace() {
    // Free space is handed out again: never what the index uses, whatever the
    // allocation map pages say. Two indexed things that overlap cannot both
    // be kept, so such a file is refused.
    std::vector<std::pair<uint64_t, uint64_t>> spans;  // start, end
    spans.reserve(blocks_.Size());
    blocks_.ForEach([&](uint64_t, const BlockInfo& b) {
        amap_.KeepUsed(b.ib, BlockSpan(b.cb));
        // A block no reader accepts is refused when it is read or released.
        if (b.cb <= kMaxBlockData && amap_.Holds(b.ib, BlockSpan(b.cb))) spans.emplace_back(b.ib, b.ib + BlockSpan(b.cb));
        return true;
    });
    auto keepPage = [&](const PageRef& p) {
        amap_.KeepUsed(p.ib, kPageSize);
        spans.emplace_back(p.ib, p.ib + kPageSize);
    };
    nodes_.ForEachPage(keepPage);
    blocks_.ForEachPage(keepPage);
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i)
        if (spans[i].first < spans[i - 1].second) Damaged("blocks overlap");
    amap_.FindHoles();
}

Bid NodeDatabase::WriteBlock(const uint8_t* data, size_t size, bool internal) {
    if (!writable_) throw PstError(ErrorKind::AccessDenied, "The PST file is open for reading only");
    if (size > kMaxBlockData) throw PstError(ErrorKind::InvalidArgument, "block too large");
    Bid bid = nextBlockBid_ | (internal ? block::kBidInternal : 0);
    nextBlockBid_ += block::kBidStep;
    uint64_t span = BlockSpan(size);
    uint64_t ib = amap_.Allocate(span, 64);
    Bytes buf(span, 0);
    if (size) std::memcpy(buf.data(), data, size);
    uint8_t* t = buf.data() + span - block::kTrailerSize;
    base::Put16(t + block::kCb, uint16_t(size));
    base::Put16(t + block::kSignature, Signature(ib, bid));
    base::Put32(t + block::kCrc, Crc32(data, size));
    base::Put64(t + block::kBid, bid);
    file_->WriteAt(ib, buf.data(), buf.size());
    blocks_.Set(bid, BlockInfo{ib, uint16_t(size), 1});
    dirty_ = true;
    return bid;
}

Bid NodeDatabase::WriteDataTree(const Bytes& data) {
    std::vector<std::pair<const uint8_t*, size_t>> pieces;
    for (size_t at = 0; at < data.size() || pieces.empty(); at += kMaxBlockData)
        pieces.emplace_back(data.data() + at, std::min(data.size() - at, kMaxBlockData));
    return WriteTree(pieces);
}

Bid NodeDatabase::WriteTextTree(std::string_view utf8) {
    std::vector<std::pair<Bid, size_t>> leaves;
    Bytes pending;
    base::EachUtf16LePiece(utf8, [&](std::string_view bytes) {
        pending.insert(pending.end(), bytes.begin(), bytes.end());
        size_t written = 0;
        for (; pending.size() - written >= kMaxBlockData; written += kMaxBlockData)
            leaves.emplace_back(WriteBlock(pending.data() + written, kMaxBlockData), kMaxBlockData);
        pending.erase(pending.begin(), pending.begin() + std::ptrdiff_t(written));
    });
    if (!pending.empty() || leaves.empty()) leaves.emplace_back(WriteBlock(pending.data(), pending.size()), pending.size());
    return WriteTreeOver(leaves);
}

Bid NodeDatabase::WriteDataTree(const std::vector<Bytes>& blocks) {
    std::vector<std::pair<const uint8_t*, size_t>> pieces;
    for (const auto& b : blocks) pieces.emplace_back(b.data(), b.size());
    return WriteTree(pieces);
}

Bid NodeDatabase::WriteTree(const std::vector<std::pair<const uint8_t*, size_t>>& blocks) {
    std::vector<std::pair<Bid, size_t>> leaves;
    for (const auto& [p, n] : blocks) leaves.emplace_back(WriteBlock(p, n), n);
    return WriteTreeOver(leaves);
}

Bid NodeDatabase::WriteTreeOver(const std::vector<std::pair<Bid, size_t>>& leaves) {
    if (leaves.size() == 1) return leaves[0].first;
    struct Child { Bid bid; uint64_t total; };
    std::vector<Child> level;
    level.reserve(leaves.size());
    for (const auto& [bid, n] : leaves) level.push_back({bid, n});
    for (uint8_t depth = 1; level.size() > 1 || depth == 1; ++depth) {
        if (depth > 2) throw PstError(ErrorKind::InvalidArgument, "data too large for one node");
        std::vector<Child> upper;
        for (size_t at = 0; at < level.size(); at += kXEntries) {
            size_t n = std::min(kXEntries, level.size() - at);
            uint64_t total = 0;
            Bytes x(block::kEntries + xblock::kEntrySize * n);
            for (size_t i = 0; i < n; ++i) {
                base::Put64(&x[block::kEntries + xblock::kEntrySize * i], level[at + i].bid);
                total += level[at + i].total;
            }
            x[block::kType] = block::kTypeExtended;
            x[block::kLevel] = depth;
            base::Put16(&x[block::kCount], uint16_t(n));
            base::Put32(&x[xblock::kTotal], uint32_t(total));
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
        Bytes b(block::kEntries + sleaf::kSize * n, 0);
        b[block::kType] = block::kTypeSubnodes;
        b[block::kLevel] = sblock::kLevelLeaf;
        base::Put16(&b[block::kCount], uint16_t(n));
        for (size_t i = 0; i < n; ++i) {
            uint8_t* e = &b[block::kEntries + sleaf::kSize * i];
            base::Put64(e + sleaf::kNid, entries[at + i].nid);
            base::Put64(e + sleaf::kData, entries[at + i].data);
            base::Put64(e + sleaf::kSub, entries[at + i].sub);
        }
        leaves.emplace_back(entries[at].nid, WriteBlock(b.data(), b.size(), true));
    }
    if (leaves.size() == 1) return leaves[0].second;
    if (leaves.size() > kSIEntries) throw PstError(ErrorKind::InvalidArgument, "too many subnodes");
    Bytes b(block::kEntries + sbranch::kSize * leaves.size(), 0);
    b[block::kType] = block::kTypeSubnodes;
    b[block::kLevel] = sblock::kLevelBranch;
    base::Put16(&b[block::kCount], uint16_t(leaves.size()));
    for (size_t i = 0; i < leaves.size(); ++i) {
        uint8_t* e = &b[block::kEntries + sbranch::kSize * i];
        base::Put64(e + sbranch::kNid, leaves[i].first);
        base::Put64(e + sbranch::kBlock, leaves[i].second);
    }
    return WriteBlock(b.data(), b.size(), true);
}

void NodeDatabase::AddOwner(Bid bid) {
    if (bid == 0) return;
    BlockInfo* info = blocks_.Change(bid);
    if (!info) Damaged("missing block");
    ++info->owners;
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
        const BlockInfo* found = b == 0 ? nullptr : blocks_.Find(b);
        if (!found) continue;
        const BlockInfo info = *found;
        CheckPlacement(info);
        dirty_ = true;
        if (info.owners > 1) {
            --blocks_.Change(b)->owners;
            continue;
        }
        if (IsInternal(b))
            for (const auto& e : ReadInternal(b).entries) {
                work.push_back(e.data);
                work.push_back(e.sub);
            }
        pendingFree_.emplace_back(info.ib, BlockSpan(info.cb));
        blocks_.Erase(b);
    }
}

void NodeDatabase::ReleaseShell(Bid bid) {
    if (bid == 0 || !IsInternal(bid)) return;
    const BlockInfo* found = blocks_.Find(bid);
    if (!found) return;
    const BlockInfo info = *found;
    CheckPlacement(info);
    dirty_ = true;
    if (info.owners > 1) {
        --blocks_.Change(bid)->owners;
        return;
    }
    const InternalBlock block = ReadInternal(bid);
    // Only the levels that list blocks of the same tree: a double extended
    // block's extended blocks, a subnode branch's leaf blocks.
    const bool listsShells = (block.type == block::kTypeExtended && block.level == xblock::kLevelDoubleExtended) ||
                             (block.type == block::kTypeSubnodes && block.level == sblock::kLevelBranch);
    pendingFree_.emplace_back(info.ib, BlockSpan(info.cb));
    blocks_.Erase(bid);
    if (listsShells)
        for (const auto& e : block.entries) ReleaseShell(e.data);
}

void NodeDatabase::CheckPlacement(const BlockInfo& info) const {
    if (info.cb > kMaxBlockData || !amap_.Holds(info.ib, BlockSpan(info.cb))) Damaged("block outside the file");
}

Bytes NodeDatabase::ReadBlock(Bid bid, Checksums checksums) const {
    const BlockInfo* found = blocks_.Find(bid);
    if (!found) Damaged("missing block");
    const BlockInfo info = *found;
    CheckPlacement(info);
    uint64_t span = BlockSpan(info.cb);
    Bytes buf(span);
    file_->ReadAt(info.ib, buf.data(), span);
    const uint8_t* t = buf.data() + span - block::kTrailerSize;
    if (base::Get16(t + block::kCb) != info.cb || base::Get64(t + block::kBid) != bid ||
        (checksums == Checksums::Verify && !ChecksumMatches(buf.data(), info.cb, base::Get32(t + block::kCrc))))
        Damaged("block checksum");
    buf.resize(info.cb);
    return buf;
}

NodeDatabase::InternalBlock NodeDatabase::ReadInternal(Bid bid, Checksums checksums) const {
    if (!IsInternal(bid)) Damaged("data block where an internal block belongs");
    Bytes b = ReadBlock(bid, checksums);
    if (b.size() < block::kEntries) Damaged("internal block");
    InternalBlock x;
    x.type = b[block::kType];
    x.level = b[block::kLevel];
    const bool extended = x.type == block::kTypeExtended;
    size_t entrySize = 0;
    if (extended && (x.level == xblock::kLevelExtended || x.level == xblock::kLevelDoubleExtended)) entrySize = xblock::kEntrySize;
    else if (x.type == block::kTypeSubnodes && x.level == sblock::kLevelLeaf) entrySize = sleaf::kSize;
    else if (x.type == block::kTypeSubnodes && x.level == sblock::kLevelBranch) entrySize = sbranch::kSize;
    else Damaged("internal block type");
    size_t n = base::Get16(&b[block::kCount]);
    if (block::kEntries + n * entrySize > b.size()) Damaged("internal block size");
    if (extended) x.total = base::Get32(&b[xblock::kTotal]);
    x.entries.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* e = &b[block::kEntries + i * entrySize];
        if (extended) x.entries.push_back({0, base::Get64(e), 0});
        else if (x.level == sblock::kLevelLeaf) x.entries.push_back({Nid(base::Get64(e + sleaf::kNid)), base::Get64(e + sleaf::kData), base::Get64(e + sleaf::kSub)});
        else x.entries.push_back({Nid(base::Get64(e + sbranch::kNid)), base::Get64(e + sbranch::kBlock), 0});
    }
    return x;
}

std::vector<std::pair<Bid, size_t>> NodeDatabase::DataTreeBlocks(Bid bid, Checksums checksums) const {
    std::vector<std::pair<Bid, size_t>> out;
    if (bid == 0) return out;
    auto sizeOf = [&](Bid data) -> size_t {
        const BlockInfo* found = blocks_.Find(data);
        if (!found) Damaged("missing block");
        CheckPlacement(*found);
        return found->cb;
    };
    if (!IsInternal(bid)) {
        out.emplace_back(bid, sizeOf(bid));
        return out;
    }
    // Levels only go down, so the walk ends; each block is listed once and
    // every level adds up to what its parent promises, so what the blocks
    // hold never exceeds the file.
    std::set<Bid> seen{bid};
    auto once = [&](Bid child) {
        if (!seen.insert(child).second) Damaged("data tree lists a block twice");
    };
    InternalBlock top = ReadInternal(bid, checksums);
    if (top.type != block::kTypeExtended) Damaged("extended block");
    std::vector<InternalBlock> lists;
    if (top.level == xblock::kLevelDoubleExtended) {
        uint64_t total = 0;
        for (const auto& e : top.entries) {
            once(e.data);
            lists.push_back(ReadInternal(e.data, checksums));
            if (lists.back().type != block::kTypeExtended || lists.back().level != xblock::kLevelExtended) Damaged("extended block level");
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
            out.emplace_back(e.data, sizeOf(e.data));
            total += out.back().second;
        }
        if (total != x.total) Damaged("extended block size");
    }
    return out;
}

std::vector<Bytes> NodeDatabase::ReadDataTree(Bid bid, Checksums checksums) const {
    std::vector<Bytes> out;
    for (const auto& [data, size] : DataTreeBlocks(bid, checksums)) out.push_back(ReadBlock(data, checksums));
    return out;
}

std::map<Nid, SubnodeEntry> NodeDatabase::ReadSubnodes(Bid bid, Checksums checksums) const {
    std::map<Nid, SubnodeEntry> out;
    if (bid == 0) return out;
    InternalBlock top = ReadInternal(bid, checksums);
    if (top.type != block::kTypeSubnodes) Damaged("subnode block");
    std::vector<InternalBlock> leaves;
    if (top.level == sblock::kLevelBranch) {
        std::set<Bid> seen;
        for (const auto& e : top.entries) {
            if (!seen.insert(e.data).second) Damaged("subnode tree lists a block twice");
            leaves.push_back(ReadInternal(e.data, checksums));
            if (leaves.back().type != block::kTypeSubnodes || leaves.back().level != sblock::kLevelLeaf) Damaged("subnode block level");
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
    if (NodeEntry* kept = nodes_.Change(nid)) {
        NodeEntry old = *kept;
        *kept = entry;
        Release(old.data);
        Release(old.sub);
    } else {
        nodes_.Set(nid, entry);
        ReserveNid(nid);
    }
    dirty_ = true;
}

const NodeEntry* NodeDatabase::FindNode(Nid nid) const {
    return nodes_.Find(nid);
}

void NodeDatabase::ForEachNode(const std::function<bool(Nid, const NodeEntry&)>& visit) const {
    nodes_.ForEach([&](uint64_t nid, const NodeEntry& e) { return visit(Nid(nid), e); });
}

Nid NodeDatabase::NextNid(uint8_t type) {
    Nid nid = nextNid_[type & nid::kTypeMask];
    while (nodes_.Find(nid)) nid += nid::kIndexStep;
    nextNid_[type & nid::kTypeMask] = nid + nid::kIndexStep;
    return nid;
}

void NodeDatabase::ReserveNid(Nid nid) {
    Nid& next = nextNid_[nid & nid::kTypeMask];
    if (next <= nid) next = nid + nid::kIndexStep;
}

PageRef NodeDatabase::WritePage(const uint8_t* entries, size_t count, size_t entrySize, uint8_t level, uint8_t ptype) {
    uint8_t page[kPageSize] = {};
    std::memcpy(page, entries, count * entrySize);
    page[page::kEntryCount] = uint8_t(count);
    page[page::kEntryMax] = uint8_t(page::kEntriesSize / entrySize);
    page[page::kEntrySize] = uint8_t(entrySize);
    page[page::kLevel] = level;
    Bid bid = nextPageBid_++;
    uint64_t ib = amap_.Allocate(kPageSize, kPageSize);
    SealPage(page, ptype, Signature(ib, bid), bid);
    file_->WriteAt(ib, page, kPageSize);
    return {bid, ib};
}

void NodeDatabase::Commit(bool durable) {
    if (!writable_ || (!dirty_ && pendingFree_.empty() && !freedPages_)) return;
    // Space this commit frees is reused only once its header is on the disk
    // (else a power loss could leave the old header pointing at overwritten
    // blocks); when much freed space waits for that, this commit waits for
    // the disk so that the file stops growing.
    // Only the pages whose entries changed are written anew.
    std::vector<PageRef> oldPages;
    if (dirty_) {
        auto branchEntry = [](uint8_t* e, uint64_t key, const PageRef& child) {
            base::Put64(e + branch::kKey, key);
            base::Put64(e + branch::kChild + bref::kBid, child.bid);
            base::Put64(e + branch::kChild + bref::kIb, child.ib);
        };
        nbtRoot_ = nodes_.Commit(
            [&](const uint8_t* entries, size_t count, size_t size, uint8_t level) {
                return WritePage(entries, count, size, level, kTypeNBT);
            },
            [](uint8_t* e, uint64_t nid, const NodeEntry& n) {
                base::Put64(e + nodeLeaf::kNid, nid);
                base::Put64(e + nodeLeaf::kData, n.data);
                base::Put64(e + nodeLeaf::kSub, n.sub);
                base::Put32(e + nodeLeaf::kParent, n.parent);
            },
            kLeafNodeEntry, kBranchEntry, branchEntry, &oldPages);
        bbtRoot_ = blocks_.Commit(
            [&](const uint8_t* entries, size_t count, size_t size, uint8_t level) {
                return WritePage(entries, count, size, level, kTypeBBT);
            },
            [](uint8_t* e, uint64_t bid, const BlockInfo& b) {
                base::Put64(e + blockLeaf::kBid, bid);
                base::Put64(e + blockLeaf::kIb, b.ib);
                base::Put16(e + blockLeaf::kCb, b.cb);
                base::Put16(e + blockLeaf::kRefs, uint16_t(std::min<uint32_t>(b.owners + 1, 0xFFFF)));
            },
            kLeafBlockEntry, kBranchEntry, branchEntry, &oldPages);
    }
    uint64_t freeing = amap_.WaitingBytes() + oldPages.size() * kPageSize;
    for (const auto& [ib, size] : pendingFree_) freeing += size;
    if (freeing > std::max(kSyncWhenFreed, amap_.FileEof() / 8)) durable = true;
    file_->Flush();
    if (durable) file_->Sync();
    amap_.WritePages(*file_);
    WriteHeader();
    if (durable) file_->Sync();
    // Space that only the previous state used can be handed out from now on.
    for (const auto& [ib, size] : pendingFree_) amap_.Free(ib, size);
    pendingFree_.clear();
    for (const auto& p : oldPages) amap_.Free(p.ib, kPageSize);
    if (durable) amap_.ReuseFreed();
    freedPages_ = !oldPages.empty();
    dirty_ = false;
}

void NodeDatabase::WriteHeader() {
    uint8_t h[kHeaderSize] = {};
    std::memcpy(h + header::kMagic, header::kMagicValue, header::kMagicSize);
    base::Put16(h + header::kMagicClient, header::kMagicClientValue);
    base::Put16(h + header::kVersion, header::kVersionUnicode);
    base::Put16(h + header::kClientVersion, header::kClientVersionValue);
    h[header::kPlatformCreate] = header::kPlatformValue;
    h[header::kPlatformAccess] = header::kPlatformValue;
    base::Put64(h + header::kNextPageBid, nextPageBid_);
    base::Put32(h + header::kUnique, ++unique_);
    for (size_t t = 0; t < header::kNextNidCount; ++t) base::Put32(h + header::kNextNids + header::kNextNidSize * t, nextNid_[t]);
    uint8_t* root = h + header::kRoot;
    base::Put64(root + root::kFileEof, amap_.FileEof());
    base::Put64(root + root::kLastAMap, amap_.LastAMap());
    base::Put64(root + root::kFreeBytes, amap_.FreeBytes());
    base::Put64(root + root::kFreePageBytes, 0);
    base::Put64(root + root::kNodeTree + bref::kBid, nbtRoot_.bid);
    base::Put64(root + root::kNodeTree + bref::kIb, nbtRoot_.ib);
    base::Put64(root + root::kBlockTree + bref::kBid, bbtRoot_.bid);
    base::Put64(root + root::kBlockTree + bref::kIb, bbtRoot_.ib);
    root[root::kAMapValid] = root::kAMapValidValue;
    std::fill(h + header::kFreeMap, h + header::kFreeMap + header::kFreeMapSize, header::kFreeMapValue);
    h[header::kSentinel] = header::kSentinelValue;
    h[header::kCryptMethod] = header::kCryptNone;
    base::Put64(h + header::kNextBlockBid, nextBlockBid_);
    base::Put32(h + header::kCrcPartial, Crc32(h + header::kMagicClient, header::kCrcPartialSpan));
    base::Put32(h + header::kCrcFull, Crc32(h + header::kMagicClient, header::kCrcFullSpan));
    if (file_->Size() < amap_.FileEof()) file_->Truncate(amap_.FileEof());
    file_->Flush();
    file_->WriteAt(0, h, kHeaderSize);
    file_->Flush();
}

}  // namespace pst
