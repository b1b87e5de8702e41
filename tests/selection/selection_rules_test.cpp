#include <selection/path.h>
#include <selection/scratch.h>

#include <gtest/gtest.h>

#include <filesystem>

using selection::CPath;

TEST(CPath, PartsOfAPath) {
    struct Case {
        const char* path;
        const char* location;
        const char* base;
        const char* ext;
        const char* fileName;
    } cases[] = {
        {"/data/mail/names.nsf", "/data/mail/", "names", "nsf", "names.nsf"},
        {"/data/archive.tar.dxl", "/data/", "archive.tar", "dxl", "archive.tar.dxl"},
        {"/data/README", "/data/", "README", "", "README"},
        {"/data/.hidden", "/data/", ".hidden", "", ".hidden"},
        {"names.nsf", "", "names", "nsf", "names.nsf"},
        {"/data/folder/", "/data/folder/", "", "", ""},
    };
    for (const auto& c : cases) {
        CPath p(c.path);
        EXPECT_EQ(p.GetLocation(), c.location) << c.path;
        EXPECT_EQ(p.GetBaseName(), c.base) << c.path;
        EXPECT_EQ(p.GetExtension(), c.ext) << c.path;
        EXPECT_EQ(p.GetFileName(), c.fileName) << c.path;
    }
}

TEST(ScratchRules, PathsAndNames) {
    EXPECT_EQ(CPath::AddBackSlash(""), "");
    EXPECT_EQ(CPath::AddBackSlash("/tmp"), "/tmp/");
    EXPECT_EQ(CPath::AddBackSlash("/tmp/"), "/tmp/");
    EXPECT_EQ(CPath::AddBackSlash("C:\\tmp\\"), "C:\\tmp\\");

    EXPECT_EQ(selection::DefaultScratchPath("/tmp/"), "/tmp/xTemp");
    EXPECT_EQ(selection::ScratchPathAfterBrowse("/tmp/"), "/tmp/xTemp/");
    EXPECT_EQ(selection::ScratchPathInFolder("/home/u/work"), "/home/u/work/xTemp/");
    EXPECT_EQ(selection::ScratchPathInFolder("/"), "//xTemp/");
    EXPECT_EQ(selection::SystemTempFolder().back(), '/');

    EXPECT_EQ(selection::SourceTitle("/data/names.nsf"), "names");
    EXPECT_EQ(selection::SourceTitle("/data/v1.2/Jane Doe.dxl"), "Jane Doe");
    EXPECT_EQ(selection::JoinFolderAndName("/data/", "names.nsf"), "/data/names.nsf");
    EXPECT_EQ(selection::JoinFolderAndName("/data", "names.nsf"), "/data/names.nsf");
}

TEST(ScratchRules, CreateScratchFolderAcceptsAnExistingOne) {
    auto dir = std::filesystem::temp_directory_path() / "ferrywell-scratch-test" / "xTemp/";
    std::filesystem::remove_all(dir.parent_path().parent_path());
    EXPECT_TRUE(selection::CreateScratchFolder(dir.string()));
    EXPECT_TRUE(selection::CreateScratchFolder(dir.string()));
    std::filesystem::remove_all(dir.parent_path().parent_path());
    EXPECT_FALSE(selection::CreateScratchFolder("/proc/ferrywell-cannot-create/xTemp/"));
}
