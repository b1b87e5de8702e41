// Stores crafted to hurt, with valid checksums: each gives a clear error
// within a moment, whether it is opened for reading or written to, and
// nothing outside the damaged structure is touched.
#include "outside_readers.h"
#include "pst_crafting.h"

#include "allocation_map.h"
#include "node_database.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

using namespace testsupport;

namespace {

using Clock = std::chrono::steady_clock;

struct Crafted {
    const char* name;
    std::function<void(const std::string&)> write;
};

std::string Craft(const TempDir& dir, const Crafted& c) {
    std::string path = dir / "hostile.pst";
    std::filesystem::remove(path);
    c.write(path);
    return path;
}

// Opening for reading and walking every folder and item, as the exporters do.
void ReadEverything(const std::string& path) {
    auto f = pst::PstFile::Open(path, false);
    for (const auto& folder : f->Subfolders(f->IpmSubtree()))
        for (auto m : f->Messages(folder.nid)) f->ReadMessage(m);
}

// What a save does: a new folder and a contact, committed.
void AddFolderAndContact(const std::string& path) {
    auto f = pst::PstFile::Open(path, true);
    auto folder = f->CreateFolder(f->IpmSubtree(), "Added", "IPF.Contact");
    mapi::PropertyBag b;
    b.Set(mapi::InfoOf(mapi::ContactField::FullName).key, std::string("Grace Hopper"));
    f->AddMessage(folder, b);
    f->Commit();
}

void ExpectDamaged(const std::function<void()>& run) {
    auto start = Clock::now();
    try {
        run();
        ADD_FAILURE() << "no error";
    } catch (const pst::PstError& e) {
        EXPECT_EQ(e.Kind(), pst::ErrorKind::BadFormat) << e.what();
        EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos) << e.what();
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST(PstHostileInput, DamagedTreesAreRefusedForReadingAndWriting) {
    TempDir dir;
    const Crafted cases[] = {
        {"data tree listing itself", pstcraft::WriteSelfListingDataTree},
        {"data tree listing one block a million times", pstcraft::WriteRepeatedDataTree},
        {"node index fanning out to one page", pstcraft::WriteFannedOutNodeIndex},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Craft(dir, c);
        const std::string before = ReadFile(path);
        ExpectDamaged([&] { ReadEverything(path); });
        ExpectDamaged([&] { AddFolderAndContact(path); });
        EXPECT_EQ(ReadFile(path), before);  // refused at opening: nothing written
    }
}

TEST(PstHostileInput, DamagedBlocksAreRefusedBeforeTheirSpaceIsFreed) {
    TempDir dir;
    std::string plain = dir / "plain.pst";
    pstcraft::WritePlainStore(plain);
    const uint64_t eof = pstcraft::RawPst(plain).Eof();
    const Crafted cases[] = {
        {"extended block counting more entries than it holds", pstcraft::WriteOvercountedExtendedBlock},
        {"block past the last region", [&](const std::string& p) { pstcraft::WriteMisplacedTableBlock(p, eof + 3 * pst::kRegionSize); }},
        {"block over an allocation map page", [](const std::string& p) { pstcraft::WriteMisplacedTableBlock(p, pst::kFirstRegion); }},
        {"block before the first region", [](const std::string& p) { pstcraft::WriteMisplacedTableBlock(p, 0x200); }},
        {"block off the 64-byte grid", [](const std::string& p) { pstcraft::WriteMisplacedTableBlock(p, pst::kFirstRegion + 0x2020); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Craft(dir, c);
        // The damaged block is the top folder's list of subfolders, which a
        // reader of items never needs; adding a folder replaces it.
        ReadEverything(path);
        ExpectDamaged([&] { AddFolderAndContact(path); });
        // The store still opens with its folders and its own map pages.
        auto f = pst::PstFile::Open(path, false);
        EXPECT_TRUE(f->FindSubfolder(f->IpmSubtree(), "Contacts"));
        EXPECT_EQ(uint8_t(ReadFile(path)[pst::kFirstRegion]), 0xFF) << "the map's own pages are marked free";
    }
}

TEST(PstHostileInput, WritingKeepsEveryIndexedBlockWhateverTheMapSays) {
    TempDir dir;
    // A map that marks everything free is corrected from the index: new data
    // never lands on a block that is still read.
    const std::string cleared = Craft(dir, {"allocation map marking everything free", pstcraft::WriteClearedAllocationMap});
    AddFolderAndContact(cleared);
    ReadEverything(cleared);

    // Two indexed things in one place cannot both be kept: refused at opening.
    const std::string overlap = Craft(dir, {"block over an index page", pstcraft::WriteBlockOverIndexPage});
    const std::string before = ReadFile(overlap);
    ReadEverything(overlap);
    ExpectDamaged([&] { AddFolderAndContact(overlap); });
    EXPECT_EQ(ReadFile(overlap), before);
}

TEST(PstHostileInput, ValuesSharingOneSubnodeAreRefused) {
    TempDir dir;
    std::string path = dir / "shared.pst";
    // A thousand values of one megabyte each, all in the same subnode.
    pstcraft::WriteSharedValueItem(path, 1u << 20);
    ExpectDamaged([&] { ReadEverything(path); });
}

TEST(PstHostileInput, AllocationMapRefusesRangesOutsideItsRegions) {
    pst::AllocationMap map;
    map.InitEmpty();
    const uint64_t used = map.Allocate(128, 64);
    const uint64_t eof = map.FileEof();
    for (auto [offset, size] : std::initializer_list<std::pair<uint64_t, uint64_t>>{
             {0, 64}, {pst::kFirstRegion, 64}, {eof, 64}, {eof + 50 * pst::kRegionSize, 64},
             {used + 32, 64}, {eof - 64, 128}, {~uint64_t(0) - 63, 64}}) {
        SCOPED_TRACE(offset);
        EXPECT_FALSE(map.Holds(offset, size));
        EXPECT_THROW(map.Free(offset, size), pst::PstError);
    }
    const uint64_t freeBefore = map.FreeBytes();
    EXPECT_TRUE(map.Holds(used, 128));
    map.Free(used, 128);
    EXPECT_EQ(map.FreeBytes(), freeBefore + 128);
}

TEST(PstHostileInput, CheckedTreesStillReadWhatTheWriterWrites) {
    // Deep trees a small store never has: a data tree of two levels of
    // extended blocks and a subnode tree with an intermediate level.
    TempDir dir;
    std::string path = dir / "deep.pst";
    pstcraft::WritePlainStore(path);
    auto db = pst::NodeDatabase::Open(path, true);
    pst::Bytes data(9u << 20);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7 + i / 8176);
    pst::Bid tree = db->WriteDataTree(data);
    std::vector<pst::SubnodeEntry> subs;
    for (pst::Nid n = 0; n < 1000; ++n) subs.push_back({(n << 5) | 0x1F, tree, 0});
    pst::Bid subTree = db->WriteSubnodes(subs);
    for (size_t i = 1; i < subs.size(); ++i) db->AddOwner(tree);

    pst::Bytes back;
    for (const auto& piece : db->ReadDataTree(tree)) back.insert(back.end(), piece.begin(), piece.end());
    EXPECT_TRUE(back == data);
    auto read = db->ReadSubnodes(subTree);
    ASSERT_EQ(read.size(), subs.size());
    EXPECT_EQ(read.rbegin()->second.data, tree);

    // Releasing the subnode tree frees every block of both trees.
    db->Release(subTree);
    EXPECT_THROW(db->ReadBlock(tree), pst::PstError);
    db->Commit();
    db->Commit();
    EXPECT_NO_THROW(ReadEverything(path));
}

}  // namespace
