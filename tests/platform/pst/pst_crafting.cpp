#include "pst_crafting.h"

#include "allocation_map.h"
#include "crc.h"
#include "folder_tables.h"
#include "property_context.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pstcraft {

using pst::Bid;
using pst::Bytes;

namespace {

constexpr uint8_t kTypeNBT = 0x81, kTypeBBT = 0x80;
constexpr size_t kBranchEntry = 24, kLeafBlockEntry = 24;
constexpr size_t kHeaderRoot = 180;

uint8_t* At(std::string& b, uint64_t offset) { return reinterpret_cast<uint8_t*>(b.data() + offset); }
const uint8_t* At(const std::string& b, uint64_t offset) { return reinterpret_cast<const uint8_t*>(b.data() + offset); }

void Require(bool ok, const char* what) {
    if (!ok) throw std::logic_error(std::string("crafting: ") + what);
}

// Writes one internal block through the database at the id the database is
// about to hand out, so that the block can name itself.
Bid NextInternalBid(pst::NodeDatabase& db) {
    uint8_t byte = 0;
    Bid probe = db.WriteBlock(&byte, 1);  // an orphan block; harmless
    return (probe + 4) | 2;
}

Bytes ExtendedBlock(uint8_t level, uint32_t total, const std::vector<Bid>& children, uint16_t count) {
    Bytes x(8 + 8 * children.size(), 0);
    x[0] = 0x01;
    x[1] = level;
    base::Put16(&x[2], count);
    base::Put32(&x[4], total);
    for (size_t i = 0; i < children.size(); ++i) base::Put64(&x[8 + 8 * i], children[i]);
    return x;
}

// Points a node at new data and commits.
void Repoint(pst::NodeDatabase& db, pst::Nid nid, Bid data) {
    const pst::NodeEntry* e = db.FindNode(nid);
    Require(e != nullptr, "node missing");
    pst::NodeEntry changed = *e;
    db.AddOwner(changed.sub);  // SetNode releases what the node held before
    changed.data = data;
    db.SetNode(nid, changed);
    db.Commit();
}

}  // namespace

void WritePlainStore(const std::string& path) {
    auto f = pst::PstFile::Create(path, "Plain");
    auto folder = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
    mapi::PropertyBag b;
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    b.Set(mapi::InfoOf(mapi::ContactField::FullName).key, std::string("Ada Lovelace"));
    f->AddMessage(folder, b);
    f->Close();
}

RawPst::RawPst(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    bytes_.assign(std::istreambuf_iterator<char>(in), {});
    Require(bytes_.size() > pst::kFirstRegion, "not a store");
}

void RawPst::Save(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes_.data(), std::streamsize(bytes_.size()));
}

uint64_t RawPst::Eof() const { return base::Get64(At(bytes_, kHeaderRoot + 4)); }

RawPst::Ref RawPst::NodeRoot() const {
    return {base::Get64(At(bytes_, kHeaderRoot + 36)), base::Get64(At(bytes_, kHeaderRoot + 44))};
}

void RawPst::SetNodeRoot(Ref root) {
    base::Put64(At(bytes_, kHeaderRoot + 36), root.bid);
    base::Put64(At(bytes_, kHeaderRoot + 44), root.ib);
    SealHeader();
}

void RawPst::SealHeader() {
    uint8_t* h = At(bytes_, 0);
    base::Put32(h + 4, pst::Crc32(h + 8, 471));
    base::Put32(h + 524, pst::Crc32(h + 8, 516));
}

void RawPst::SetBlockOffset(Bid bid, uint64_t ib) {
    uint64_t root = base::Get64(At(bytes_, kHeaderRoot + 60));
    Require(MoveBlock(root, bid, ib, 0), "block not in the index");
}

bool RawPst::MoveBlock(uint64_t pageIb, Bid bid, uint64_t ib, int depth) {
    Require(depth < 8 && pageIb + pst::kPageSize <= bytes_.size(), "index page");
    uint8_t* page = At(bytes_, pageIb);
    size_t count = page[488];
    bool leaf = page[491] == 0;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* e = page + i * (leaf ? kLeafBlockEntry : kBranchEntry);
        if (!leaf) {
            if (MoveBlock(base::Get64(e + 16), bid, ib, depth + 1)) return true;
        } else if (base::Get64(e) == bid) {
            base::Put64(e + 8, ib);
            pst::SealPage(page, kTypeBBT, base::Get16(page + 498), base::Get64(page + 504));
            return true;
        }
    }
    return false;
}

void RawPst::WriteNodeBranch(Ref at, uint8_t level, const std::vector<Entry>& entries) {
    Require(entries.size() * kBranchEntry <= 488 && at.ib + pst::kPageSize <= bytes_.size(), "branch page");
    uint8_t* page = At(bytes_, at.ib);
    std::fill(page, page + pst::kPageSize, 0);
    for (size_t i = 0; i < entries.size(); ++i) {
        base::Put64(page + i * kBranchEntry, entries[i].key);
        base::Put64(page + i * kBranchEntry + 8, entries[i].child.bid);
        base::Put64(page + i * kBranchEntry + 16, entries[i].child.ib);
    }
    page[488] = uint8_t(entries.size());
    page[489] = uint8_t(488 / kBranchEntry);
    page[490] = uint8_t(kBranchEntry);
    page[491] = level;
    pst::SealPage(page, kTypeNBT, 0, at.bid);
}

void RawPst::ClearFirstAllocationMap() {
    uint8_t* page = At(bytes_, pst::kFirstRegion);
    std::fill(page, page + 496, 0);
    page[0] = page[1] = 0xFF;  // the map page itself and the page after it
    pst::SealPage(page, 0x84, 0, pst::kFirstRegion);
}

unsigned RawPst::PageLevel(uint64_t ib) const { return At(bytes_, ib)[491]; }

uint64_t RawPst::SpareSlot(unsigned k) { return pst::kFirstRegion + pst::kRegionSize - pst::kPageSize * (k + 1); }

void WriteSelfListingDataTree(const std::string& path) {
    WritePlainStore(path);
    auto db = pst::NodeDatabase::Open(path, true);
    Bid self = NextInternalBid(*db);
    Bytes x = ExtendedBlock(2, 8176, {self}, 1);
    Require(db->WriteBlock(x.data(), x.size(), true) == self, "block id guess");
    Repoint(*db, kIpmSubtree, self);
}

void WriteRepeatedDataTree(const std::string& path) {
    WritePlainStore(path);
    auto db = pst::NodeDatabase::Open(path, true);
    const size_t fan = (pst::kMaxBlockData - 8) / 8;
    Bytes full(pst::kMaxBlockData, 'x');
    Bid data = db->WriteBlock(full.data(), full.size());
    Bytes x = ExtendedBlock(1, uint32_t(fan * full.size()), std::vector<Bid>(fan, data), uint16_t(fan));
    Bid xblock = db->WriteBlock(x.data(), x.size(), true);
    Bytes xx = ExtendedBlock(2, uint32_t(fan * fan * full.size()), std::vector<Bid>(fan, xblock), uint16_t(fan));
    Repoint(*db, kIpmSubtree, db->WriteBlock(xx.data(), xx.size(), true));
}

void WriteOvercountedExtendedBlock(const std::string& path) {
    WritePlainStore(path);
    auto db = pst::NodeDatabase::Open(path, true);
    Bytes piece(100, 'y');
    Bid a = db->WriteBlock(piece.data(), piece.size());
    Bid b = db->WriteBlock(piece.data(), piece.size());
    Bytes x = ExtendedBlock(1, 200, {a, b}, 2000);
    Repoint(*db, kIpmHierarchy, db->WriteBlock(x.data(), x.size(), true));
}

namespace {
void MoveHierarchyTable(const std::string& path, uint64_t ib) {
    Bid table = 0;
    {
        auto db = pst::NodeDatabase::Open(path, false);
        const pst::NodeEntry* e = db->FindNode(kIpmHierarchy);
        Require(e != nullptr, "hierarchy table missing");
        table = e->data;
    }
    RawPst raw(path);
    raw.SetBlockOffset(table, ib);
    raw.Save(path);
}
}  // namespace

void WriteMisplacedTableBlock(const std::string& path, uint64_t ib) {
    WritePlainStore(path);
    MoveHierarchyTable(path, ib);
}

void WriteSharedValueItem(const std::string& path, size_t valueBytes) {
    WritePlainStore(path);
    auto db = pst::NodeDatabase::Open(path, true);
    pst::Nid item = 0;
    db->ForEachNode([&](pst::Nid nid, const pst::NodeEntry&) {
        if ((nid & pst::nid::kTypeMask) == pst::nid::kTypeMessage) item = nid;
        return true;
    });
    Require(item != 0, "no item");
    pst::PropMap props;
    for (uint16_t i = 0; i < 1000; ++i)
        props[uint16_t(0x6000 + i)] = pst::TypedValue{mapi::PropType::Binary, mapi::Binary(4000, uint8_t(i))};  // over a heap's limit
    pst::EncodedNode enc = pst::EncodePropertyContext(props);
    Bid value = db->WriteDataTree(Bytes(valueBytes, 'v'));
    std::vector<pst::SubnodeEntry> subs;
    for (const auto& [nid, bytes] : enc.subnodes) {
        subs.push_back({nid, value, 0});
        if (subs.size() > 1) db->AddOwner(value);
    }
    pst::NodeEntry e = *db->FindNode(item);
    e.data = db->WriteDataTree(enc.blocks);
    e.sub = db->WriteSubnodes(subs);
    db->SetNode(item, e);
    db->Commit();
}

void WriteClearedAllocationMap(const std::string& path) {
    WritePlainStore(path);
    RawPst raw(path);
    raw.ClearFirstAllocationMap();
    raw.Save(path);
}

void WriteBlockOverIndexPage(const std::string& path) {
    WritePlainStore(path);
    MoveHierarchyTable(path, RawPst(path).NodeRoot().ib);
}

void WriteFannedOutNodeIndex(const std::string& path) {
    WritePlainStore(path);
    RawPst raw(path);
    RawPst::Ref below = raw.NodeRoot();
    const size_t fan = 488 / kBranchEntry;
    // The plain store's node index is one or two levels; the reader allows
    // eight, so the chain fills the rest.
    uint8_t level = uint8_t(raw.PageLevel(below.ib) + 1);
    for (unsigned k = 0; level < 8; ++k, ++level) {
        RawPst::Ref page{0x10000 + k, RawPst::SpareSlot(k)};
        raw.WriteNodeBranch(page, level, std::vector<RawPst::Entry>(fan, RawPst::Entry{0, below}));
        below = page;
    }
    raw.SetNodeRoot(below);
    raw.Save(path);
}

}  // namespace pstcraft
