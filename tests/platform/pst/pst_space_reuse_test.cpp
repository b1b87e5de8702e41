// Space a commit frees is used again, and a writer killed while it reuses
// space still leaves a file that opens with everything committed.
#include "outside_readers.h"

#include "allocation_map.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// One run of a companion-like writer: open, add a folder, close.
void AddFolderRun(const std::string& path, int n) {
    auto f = pst::PstFile::Open(path);
    auto parent = f->FindSubfolder(f->IpmSubtree(), "Folders");
    f->CreateFolder(*parent, "F" + std::to_string(n), "IPF.Contact");
    f->Close();
}

std::string MakeStore(const TempDir& dir) {
    std::string path = dir / "reuse.pst";
    auto f = pst::PstFile::Create(path, "Reuse");
    f->CreateFolder(f->IpmSubtree(), "Folders", "IPF.Contact");
    f->Close();
    return path;
}

size_t FolderCount(const std::string& path) {
    auto f = pst::PstFile::Open(path, false);
    return f->Subfolders(*f->FindSubfolder(f->IpmSubtree(), "Folders")).size();
}

}  // namespace

TEST(PstSpaceReuse, FreedSpaceIsHandedOutOnlyAfterReuseFreed) {
    pst::AllocationMap map;
    map.InitEmpty();
    uint64_t a = map.Allocate(64, 64), b = map.Allocate(100, 64), c = map.Allocate(512, 512), d = map.Allocate(64, 64);
    EXPECT_EQ(b, a + 64);
    EXPECT_EQ(c % 512, 0u);
    map.Free(a, 64);
    map.Free(b, 100);
    EXPECT_EQ(map.WaitingBytes(), 192u);
    uint64_t e = map.Allocate(64, 64);
    EXPECT_NE(e, a);
    EXPECT_NE(e, b);
    map.ReuseFreed();
    EXPECT_EQ(map.WaitingBytes(), 0u);
    // The two freed neighbours are one hole now: 192 bytes fit where they were.
    EXPECT_EQ(map.Allocate(192, 64), a);
    map.Free(c, 512);
    map.ReuseFreed();
    EXPECT_EQ(map.Allocate(512, 512), c);
    EXPECT_TRUE(d + 64 <= c || d >= c + 512);  // d may fill the gap before the aligned page
    // Nothing reusable left: the file grows by a region, whose map page is kept.
    uint64_t eof = map.FileEof();
    uint64_t big = 0;
    for (int i = 0; i < 40; ++i) big = map.Allocate(8192, 64);
    EXPECT_GT(map.FileEof(), eof);
    EXPECT_GE(big, eof + pst::kPageSize);
}

TEST(PstSpaceReuse, AnAllocationMapThatCallsUsedSpaceFreeIsNotBelieved) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    TempDir dir;
    std::string path = dir / "wrong-map.pst";
    const auto name = mapi::InfoOf(mapi::ContactField::FullName).key;
    auto contact = [&](const std::string& text) {
        mapi::PropertyBag b;
        b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
        b.Set(name, text);
        b.Set(mapi::InfoOf(mapi::ContactField::Body).key, std::string(3000, 'b'));
        return b;
    };
    pst::Nid folder = 0;
    {
        auto f = pst::PstFile::Create(path, "Wrong map");
        folder = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < 30; ++i) f->AddMessage(folder, contact("old " + std::to_string(i)));
        f->Close();
    }
    // The first region's map claims all but its own two map pages are free.
    {
        std::fstream io(path, std::ios::in | std::ios::out | std::ios::binary);
        uint8_t page[pst::kPageSize] = {0xFF, 0xFF};
        pst::SealPage(page, 0x84, 0, pst::kFirstRegion);
        io.seekp(std::streamoff(pst::kFirstRegion));
        io.write(reinterpret_cast<const char*>(page), sizeof page);
    }
    {
        auto f = pst::PstFile::Open(path);
        for (int i = 0; i < 30; ++i) f->AddMessage(folder, contact("new " + std::to_string(i)));
        f->Close();
    }
    auto f = pst::PstFile::Open(path, false);
    std::set<std::string> names;
    for (pst::Nid m : f->Messages(folder)) names.insert(f->ReadMessage(m).GetString(name).value_or(""));
    EXPECT_EQ(names.size(), 60u);
    EXPECT_TRUE(names.count("old 0") && names.count("old 29") && names.count("new 29"));
    std::string out;
    EXPECT_EQ(RunTool("pffinfo " + Quote(path), &out), 0) << out;
}

TEST(PstSpaceReuse, RepeatedRunsStayCompact) {
    TempDir dir;
    std::string path = MakeStore(dir);
    for (int n = 0; n < 200; ++n) AddFolderRun(path, n);
    EXPECT_EQ(FolderCount(path), 200u);
    // Every run rewrites the index and the parent's folder list; without reuse
    // 200 runs leave more than 10 MB behind.
    EXPECT_LT(std::filesystem::file_size(path), 1u << 20);

    // In one session, what a commit frees is reused once the commit is on
    // the disk.
    auto f = pst::PstFile::Open(path);
    auto parent = *f->FindSubfolder(f->IpmSubtree(), "Folders");
    for (int n = 0; n < 300; ++n) {
        parent = f->CreateFolder(parent, "L" + std::to_string(n), "IPF.Contact");
        f->Commit(true);
    }
    f->Close();
    EXPECT_LT(std::filesystem::file_size(path), 2u << 20);
}

TEST(PstSpaceReuse, KilledWhileReusingSpaceLeavesAFileThatOpens) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    TempDir dir;
    std::string path = MakeStore(dir);
    std::mt19937 rng(std::random_device{}());
    int next = 0;
    for (int trial = 0; trial < 12; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int n = next;; ++n) {  // reports every finished run until killed
                AddFolderRun(path, n);
                (void)!write(done[1], &n, sizeof n);
            }
        }
        close(done[1]);
        // Once a run has finished, so that every trial gets somewhere
        // however slow the machine, the child is killed at a random moment.
        int finished = next - 1, n;
        if (read(done[0], &n, sizeof n) == sizeof n) finished = n;
        usleep(useconds_t(std::uniform_int_distribution<int>(5, 80)(rng)) * 1000);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        while (read(done[0], &n, sizeof n) == sizeof n) finished = n;
        close(done[0]);

        // Every finished run is there, and at most the one that was cut off.
        size_t count = 0;
        ASSERT_NO_THROW(count = FolderCount(path));
        EXPECT_GE(count, size_t(finished + 1));
        EXPECT_LE(count, size_t(finished + 2));
        next = int(count);
        std::string out;
        EXPECT_EQ(RunTool("pffinfo " + Quote(path), &out), 0) << out;
        std::filesystem::remove_all(dir / "readpst");
        std::filesystem::create_directories(dir / "readpst");
        EXPECT_EQ(RunTool("readpst -D -r -o " + Quote(dir / "readpst") + " " + Quote(path), &out), 0) << out;
    }
    EXPECT_GE(next, 12);
    EXPECT_LT(std::filesystem::file_size(path), 4u << 20);
}
