// The node database of a PST file: blocks with trailers, data trees of
// blocks, subnode trees, the node and block B-trees, and the header. Nothing
// the committed state uses is overwritten: new data goes to free space, and
// Commit writes new B-tree pages and then the header, so a file cut off at
// any point still opens at the previous commit. Space a commit frees is
// reused once that commit's header is on the disk.
#pragma once

#include "allocation_map.h"
#include "layout.h"
#include "bytes.h"
#include "file_io.h"
#include "page_tree.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pst {

using Nid = uint32_t;
using Bid = uint64_t;

inline constexpr size_t kMaxBlockData = 8176;

struct NodeEntry {
    Bid data = 0;
    Bid sub = 0;
    Nid parent = 0;
};

struct SubnodeEntry {
    Nid nid = 0;
    Bid data = 0;
    Bid sub = 0;
};

class NodeDatabase {
public:
    static std::unique_ptr<NodeDatabase> Create(const std::string& path);
    static std::unique_ptr<NodeDatabase> Open(const std::string& path, bool writable);

    // Blocks. Every written block starts with one owner.
    Bid WriteBlock(const uint8_t* data, size_t size, bool internal = false);
    Bid WriteDataTree(const Bytes& data);                       // cut into full blocks
    Bid WriteDataTree(const std::vector<Bytes>& blocks);        // one block each, <= 8176 bytes
    // UTF-8 text as UTF-16LE, cut into full blocks as WriteDataTree cuts its
    // bytes; converted a block at a time, never held whole in UTF-16.
    Bid WriteTextTree(std::string_view utf8);
    // A data tree over blocks already written (bid, bytes), which it takes
    // over without adding owners.
    Bid WriteTreeOver(const std::vector<std::pair<Bid, size_t>>& leaves);
    Bid WriteSubnodes(std::vector<SubnodeEntry> entries);
    void AddOwner(Bid bid);
    // Drops one owner; frees the tree below when none is left. A damaged
    // block throws PstError(BadFormat) before anything of it changes.
    void Release(Bid bid);
    // Drops a tree's own internal blocks (extended or subnode blocks) but
    // not the data and subnodes they list, which a newer tree took over.
    void ReleaseShell(Bid bid);

    // Reads check each block's trailer: its size, its id and, unless told
    // to pass over it (to read a damaged block as readers that ignore
    // checksums do), its checksum. PstError(BadFormat) when one fails.
    Bytes ReadBlock(Bid bid, Checksums checksums = Checksums::Verify) const;
    std::vector<Bytes> ReadDataTree(Bid bid, Checksums checksums = Checksums::Verify) const;
    // The data blocks of a tree and their sizes, in order, reading only the
    // blocks that list them.
    std::vector<std::pair<Bid, size_t>> DataTreeBlocks(Bid bid, Checksums checksums = Checksums::Verify) const;
    std::map<Nid, SubnodeEntry> ReadSubnodes(Bid bid, Checksums checksums = Checksums::Verify) const;
    // The reads above on several threads at once, while nothing changes:
    // call PrepareThreadReads on the thread that writes, then hold a
    // File::ThreadReads on each reading thread.
    void PrepareThreadReads() const { file_->Flush(); }

    // Nodes. SetNode releases the blocks the node held before.
    void SetNode(Nid nid, const NodeEntry& entry);
    const NodeEntry* FindNode(Nid nid) const;
    // Calls visit for every node in node id order until it returns false.
    void ForEachNode(const std::function<bool(Nid, const NodeEntry&)>& visit) const;
    Nid NextNid(uint8_t type);
    void ReserveNid(Nid nid);

    // durable: also wait until the data is on the disk (power-loss safety).
    void Commit(bool durable = false);
    bool Writable() const { return writable_; }
    // Opened read-only: writable from now on, as Open(path, true) would
    // have opened it, once the file is still as it was read (see
    // File::ReopenForWriting).
    void MakeWritable();
    uint64_t FileSize() const { return amap_.FileEof(); }
    const std::string& Path() const { return file_->Path(); }

private:
    struct BlockInfo {
        uint64_t ib = 0;
        uint16_t cb = 0;
        uint32_t owners = 1;
    };
    // An internal block, checked: an extended block of a data tree (type 1,
    // level 1 lists data blocks, level 2 lists level-1 blocks) or a block of
    // a subnode tree (type 2, level 0 lists subnodes, level 1 lists level-0
    // blocks). For extended blocks and intermediate subnode blocks only
    // entries' data (the child block) is set.
    struct InternalBlock {
        uint8_t type = 0;
        uint8_t level = 0;
        uint32_t total = 0;  // bytes of data below an extended block
        std::vector<SubnodeEntry> entries;
    };
    NodeDatabase(std::unique_ptr<File> file, bool writable);
    Bid WriteTree(const std::vector<std::pair<const uint8_t*, size_t>>& blocks);
    void ReadHeader();
    void WriteHeader();
    InternalBlock ReadInternal(Bid bid, Checksums checksums = Checksums::Verify) const;
    void CheckPlacement(const BlockInfo& info) const;
    // Opening for writing: marks every indexed block and page in use, refuses
    // overlaps, and finds the free holes.
    void KeepIndexedSpace();
    // Reads the tree below ref; parent is the loader's page above it (null
    // for the root) and key its key there.
    void LoadTree(const PageRef& ref, bool nodeTree, int expectLevel, std::set<uint64_t>& seen, void* parent = nullptr,
                  uint64_t key = 0);
    // A tree read from the file that cannot be changed in place is built anew.
    template <class Value>
    static void Reshape(PageTree<Value>& tree);
    PageRef WritePage(const uint8_t* entries, size_t count, size_t entrySize, uint8_t level, uint8_t ptype);

    std::unique_ptr<File> file_;
    bool writable_;
    AllocationMap amap_;
    PageTree<NodeEntry> nodes_;
    PageTree<BlockInfo> blocks_;
    std::array<Nid, header::kNextNidCount> nextNid_{};
    Bid nextBlockBid_ = 4;
    Bid nextPageBid_ = 1;
    uint32_t unique_ = 1;
    Bytes readHeader_;  // the header as it was read, which every commit changes
    PageRef nbtRoot_{0, 0};
    PageRef bbtRoot_{0, 0};
    std::vector<std::pair<uint64_t, uint64_t>> pendingFree_;  // freed after the next header
    bool dirty_ = true;
    bool freedPages_ = false;  // the allocation pages on disk still hold freed space
};

// Bytes of values one read of a node may hand out: no more than the file
// holds, since no two values of a node share their bytes. Keeps values that
// all point at one large stretch of the file from multiplying it.
class ValueBudget {
public:
    explicit ValueBudget(const NodeDatabase& db) : left_(db.FileSize()) {}
    void Spend(size_t bytes);  // throws PstError(BadFormat) once the file is exceeded

private:
    uint64_t left_;
};

}  // namespace pst
