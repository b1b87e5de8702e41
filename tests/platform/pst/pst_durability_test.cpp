// Reopening a PST to add more, large folders, and a writer killed mid-way.
#include "killed_child.h"
#include "outside_readers.h"

#include <mapi/contact.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace {

mapi::PropertyBag Contact(const std::string& name) {
    mapi::PropertyBag b;
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    b.Set(mapi::InfoOf(mapi::ContactField::FullName).key, name);
    b.Set(mapi::InfoOf(mapi::ContactField::Subject).key, name);
    b.Set(mapi::InfoOf(mapi::ContactField::Email1Address).key, name + "@example.org");
    return b;
}

int CountPffItems(const std::string& pst, const TempDir& dir, const std::string& sub) {
    std::filesystem::remove_all(dir / sub);
    std::filesystem::create_directories(dir / sub);
    return int(PffExportItems(pst, dir / sub).size());
}

TEST(PstDurability, ReopenAddsFoldersAndItemsToAnExistingStore) {
    ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
    TempDir dir;
    std::string path = dir / "grow.pst";
    {
        auto f = pst::PstFile::Create(path, "Grow");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < 4; ++i) f->AddMessage(c, Contact("first " + std::to_string(i)));
        f->Close();
    }
    {
        auto f = pst::PstFile::Open(path);
        auto c = f->FindSubfolder(f->IpmSubtree(), "contacts");  // names match regardless of case
        ASSERT_TRUE(c);
        for (int i = 0; i < 3; ++i) f->AddMessage(*c, Contact("second " + std::to_string(i)));
        auto other = f->CreateFolder(f->IpmSubtree(), "By Category", "IPF.Contact");
        f->AddMessage(other, Contact("third"));
        f->Close();
    }
    auto f = pst::PstFile::Open(path, false);
    auto c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
    EXPECT_EQ(f->Messages(c).size(), 7u);
    EXPECT_EQ(f->Folder(c)->contentCount, 7);
    EXPECT_EQ(f->Subfolders(f->IpmSubtree()).size(), 3u);
    EXPECT_EQ(CountPffItems(path, dir, "pff"), 8);
    // Named properties keep their mapping across sessions.
    EXPECT_EQ(f->ReadMessage(f->Messages(c).back()).GetString(mapi::InfoOf(mapi::ContactField::Email1Address).key),
              "second 2@example.org");
}

TEST(PstDurability, LargeFolderSpansManyBlocks) {
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    TempDir dir;
    std::string path = dir / "large.pst";
    const int count = 3000;
    {
        auto f = pst::PstFile::Create(path, "Large");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < count; ++i) {
            f->AddMessage(c, Contact("Контакт " + std::to_string(i)));
            if (i % 1000 == 999) f->Commit();
        }
        EXPECT_GT(f->FileSize(), 1u << 20);
        f->Close();
    }
    auto f = pst::PstFile::Open(path, false);
    auto c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
    EXPECT_EQ(f->Messages(c).size(), size_t(count));
    EXPECT_EQ(f->Folder(c)->contentCount, count);
    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(path), &out), 0) << out;
    EXPECT_NE(out.find(std::to_string(count) + " items done"), std::string::npos) << out;
}

TEST(PstDurability, KilledWriterLeavesTheLastCommit) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    ASSERT_TRUE(HaveTool("lspst")) << "lspst (pst-utils) is required";
    TempDir dir;
    std::string path = dir / "killed.pst";
    const bool killed = RunAndKill(
        [&](const std::function<void()>& ready) {
            auto f = pst::PstFile::Create(path, "Killed");
            auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
            for (int i = 0; i < 50; ++i) f->AddMessage(c, Contact("saved " + std::to_string(i)));
            f->Commit();
            for (int i = 0;; ++i) {  // keeps writing uncommitted items until killed
                f->AddMessage(c, Contact("lost " + std::to_string(i)));
                if (i == 200) ready();
            }
        },
        std::chrono::microseconds(0));
    ASSERT_TRUE(killed);

    auto f = pst::PstFile::Open(path, false);
    auto c = f->FindSubfolder(f->IpmSubtree(), "Contacts");
    ASSERT_TRUE(c);
    EXPECT_EQ(f->Messages(*c).size(), 50u);
    std::string out;
    EXPECT_EQ(RunTool("pffinfo " + Quote(path), &out), 0) << out;
    ASSERT_EQ(RunTool("lspst " + Quote(path), &out), 0) << out;
    size_t listed = 0;
    for (size_t at = out.find("Contact"); at != std::string::npos; at = out.find("Contact", at + 1)) ++listed;
    EXPECT_EQ(listed, 51u) << out;  // the folder line and 50 items
    // The file opens for writing again and takes new items.
    f.reset();
    auto w = pst::PstFile::Open(path);
    w->AddMessage(*c, Contact("after"));
    w->Close();
    EXPECT_EQ(pst::PstFile::Open(path, false)->Messages(*c).size(), 51u);
}

TEST(PstDurability, FullDiskKeepsTheLastCommit) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    TempDir dir;
    std::string path = dir / "full.pst";
    const int status = ExitStatusInChild([&] {
        // The file may not grow past 3 MB: writes beyond fail as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{3u << 20, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &limit);
        int code = 10;
        try {
            auto f = pst::PstFile::Create(path, "Full");
            auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
            for (int i = 0; i < 20; ++i) f->AddMessage(c, Contact("saved " + std::to_string(i)));
            f->Commit();
            try {
                for (int i = 0; i < 100000; ++i) f->AddMessage(c, Contact(std::string(2000, 'x') + std::to_string(i)));
                f->Commit();
            } catch (const pst::PstError& e) {
                code = e.Kind() == pst::ErrorKind::DiskFull ? 0 : 11;
            }
            // Room again (space was freed): still, what failed is lost, and the
            // header must not point at it.
            limit.rlim_cur = RLIM_INFINITY;
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                f->Close();
                code = 12;
            } catch (const pst::PstError&) {
            }
        } catch (...) {
            code = 13;
        }
        return code;
    });
    ASSERT_NE(status, -1);
    EXPECT_EQ(status, 0);
    auto f = pst::PstFile::Open(path, false);
    auto c = f->FindSubfolder(f->IpmSubtree(), "Contacts");
    ASSERT_TRUE(c);
    EXPECT_EQ(f->Messages(*c).size(), 20u);
    std::string out;
    EXPECT_EQ(RunTool("pffinfo " + Quote(path), &out), 0) << out;
}

TEST(PstDurability, CreateOnAFullDiskLeavesNoFile) {
    TempDir dir;
    for (rlim_t room : {rlim_t(0), rlim_t(8192), rlim_t(270000)}) {  // header, first pages, end of the first region
        SCOPED_TRACE(room);
        std::string path = dir / ("new" + std::to_string(room) + ".pst");
        const int status = ExitStatusInChild([&] {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit{room, RLIM_INFINITY};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                pst::PstFile::Create(path, "Full");
                return 1;
            } catch (const pst::PstError& e) {
                return e.Kind() == pst::ErrorKind::DiskFull ? 0 : 2;
            }
        });
        EXPECT_EQ(status, 0);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
