#include <selection/path.h>
#include <selection/private_folder.h>
#include <selection/scratch.h>

#include <gtest/gtest.h>

#include <test_files.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

using selection::PathParts;

TEST(PathParts, PartsOfAPath) {
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
        PathParts p(c.path);
        EXPECT_EQ(p.GetLocation(), c.location) << c.path;
        EXPECT_EQ(p.GetBaseName(), c.base) << c.path;
        EXPECT_EQ(p.GetExtension(), c.ext) << c.path;
        EXPECT_EQ(p.GetFileName(), c.fileName) << c.path;
    }
}

TEST(ScratchRules, PathsAndNames) {
    EXPECT_EQ(PathParts::AddBackSlash(""), "");
    EXPECT_EQ(PathParts::AddBackSlash("/tmp"), "/tmp/");
    EXPECT_EQ(PathParts::AddBackSlash("/tmp/"), "/tmp/");
    EXPECT_EQ(PathParts::AddBackSlash("C:\\tmp\\"), "C:\\tmp\\");
    EXPECT_EQ(selection::SystemTempFolder().back(), '/');

    EXPECT_EQ(selection::SourceTitle("/data/names.nsf"), "names");
    EXPECT_EQ(selection::SourceTitle("/data/v1.2/Jane Doe.dxl"), "Jane Doe");
    EXPECT_EQ(selection::JoinFolderAndName("/data/", "names.nsf"), "/data/names.nsf");
    EXPECT_EQ(selection::JoinFolderAndName("/data", "names.nsf"), "/data/names.nsf");
}

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

fs::perms Access(const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; }

}  // namespace

TEST(ScratchFolders, PrivateToTheProcessAndRemovedAtTheEnd) {
    testsupport::TempDir runtime, temp;
    ScopedEnv tmpdir("TMPDIR", temp.Path().c_str());
    const std::string bystander = runtime.Write("keep.txt", "not ours");

    struct Case {
        const char* runtimeDir;  // XDG_RUNTIME_DIR
        fs::path expectedBase;
    } cases[] = {
        {runtime.Path().c_str(), runtime.Path()},
        {nullptr, temp.Path()},                   // unset
        {"relative/run", temp.Path()},            // not an absolute path
        {"/nonexistent/ferrywell-run", temp.Path()},
        {bystander.c_str(), temp.Path()},         // not a folder
    };
    for (const Case& c : cases) {
        ScopedEnv xdg("XDG_RUNTIME_DIR", c.runtimeDir);
        std::string first, second;
        {
            selection::ScratchFolders a, b;
            first = a.Default();
            second = b.Default();
            ASSERT_FALSE(first.empty()) << c.expectedBase;
            EXPECT_EQ(first, a.Default());  // made once
            EXPECT_NE(first, second);       // another process gets another folder
            const fs::path scratch = fs::path(first).parent_path();
            EXPECT_EQ(scratch.filename(), "xTemp");
            EXPECT_EQ(scratch.parent_path().parent_path(), c.expectedBase) << first;
            EXPECT_TRUE(fs::is_directory(scratch));
            EXPECT_EQ(Access(scratch.parent_path()), fs::perms::owner_all);
            EXPECT_EQ(Access(scratch), fs::perms::owner_all);
            std::ofstream(first + "temp.html") << "<p>x</p>";
        }
        // Each went with what it held; nothing else was touched.
        EXPECT_FALSE(fs::exists(fs::path(first).parent_path().parent_path()));
        EXPECT_FALSE(fs::exists(fs::path(second).parent_path().parent_path()));
        EXPECT_EQ(testsupport::ReadFile(bystander), "not ours");
    }
}

// A process killed outright leaves its folder; the next one removes it, and
// nothing that is alive, linked, or not a scratch folder of this user.
TEST(ScratchFolders, FoldersOfEndedProcessesAreRemovedAndNoOthers) {
    testsupport::TempDir runtime, elsewhere;
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path().c_str());
    auto ended = [&](const std::string& name) {
        fs::create_directories(runtime.Path() / name / "xTemp");
        fs::permissions(runtime.Path() / name, fs::perms::owner_all);
        return runtime.Write(name + "/.owner", "");
    };
    ended("ferrywell-dead01");
    ended("ferrywell-open02");
    fs::permissions(runtime.Path() / "ferrywell-open02", fs::perms::all);  // not private: not ours to judge
    ended("ferrywell-toolong");
    fs::create_directories(elsewhere.Path() / "ferrywell-linked" / "xTemp");
    elsewhere.Write("ferrywell-linked/.owner", "");
    fs::create_directory_symlink(elsewhere.Path() / "ferrywell-linked", runtime.Path() / "ferrywell-link03");
    fs::create_directories(runtime.Path() / "ferrywell-noown4");
    fs::permissions(runtime.Path() / "ferrywell-noown4", fs::perms::owner_all);

    selection::ScratchFolders alive, next;
    const fs::path aliveRoot = fs::path(alive.Default()).parent_path().parent_path();
    next.Default();
    EXPECT_FALSE(fs::exists(runtime.Path() / "ferrywell-dead01"));
    EXPECT_TRUE(fs::exists(aliveRoot));
    for (const char* kept : {"ferrywell-open02", "ferrywell-toolong", "ferrywell-link03", "ferrywell-noown4"})
        EXPECT_TRUE(fs::exists(fs::symlink_status(runtime.Path() / kept))) << kept;
    EXPECT_TRUE(fs::exists(elsewhere.Path() / "ferrywell-linked" / "xTemp"));
    EXPECT_EQ(selection::RemoveAbandonedScratch(runtime.Path().string()), 0);
}

TEST(ScratchFolders, MadeAgainWhenGoneAndInAChosenFolder) {
    testsupport::TempDir runtime, chosen;
    ScopedEnv xdg("XDG_RUNTIME_DIR", runtime.Path().c_str());
    selection::ScratchFolders folders;
    const std::string first = folders.Default();
    // A cleaner of the temporary folder took it, or opened it to others.
    fs::remove_all(fs::path(first).parent_path().parent_path());
    const std::string second = folders.Default();
    EXPECT_TRUE(fs::is_directory(second));
    fs::permissions(fs::path(second).parent_path().parent_path(), fs::perms::all);
    const std::string third = folders.Default();
    EXPECT_NE(third, second);
    EXPECT_EQ(Access(fs::path(third).parent_path()), fs::perms::owner_all);

    const std::string inChosen = folders.MakeIn(chosen.Path().string());
    EXPECT_EQ(fs::path(inChosen).parent_path().parent_path().parent_path(), chosen.Path());
    EXPECT_TRUE(fs::is_directory(inChosen));
    fs::create_directory(chosen.Path() / "xTemp");
    const std::string existing = chosen.Write("xTemp/mine.txt", "the user's own");
    EXPECT_TRUE(folders.MakeIn("/proc/ferrywell-cannot-create").empty());

    folders.RemoveAll();
    for (const std::string& made : {second, third, inChosen}) EXPECT_FALSE(fs::exists(made)) << made;
    EXPECT_EQ(testsupport::ReadFile(existing), "the user's own");
    EXPECT_TRUE(fs::is_directory(chosen.Path()));
}

TEST(PrivateFolder, OneForEachOwnerAndGoneWithIt) {
    testsupport::TempDir parent;
    const std::string bystander = parent.Write("keep.txt", "not ours");
    std::string first, second;
    {
        selection::PrivateFolder a(parent.Path().string(), "window"), b(parent.Path().string(), "window");
        first = a.Path();
        second = b.Path();
        ASSERT_FALSE(first.empty());
        EXPECT_NE(first, second);  // two windows never share one
        EXPECT_EQ(a.Parent(), parent.Path().string());
        for (const std::string& made : {first, second}) {
            const fs::path folder = fs::path(made).parent_path();
            EXPECT_EQ(folder.parent_path(), parent.Path()) << made;
            EXPECT_EQ(folder.filename().string().rfind("window-", 0), 0u) << made;
            EXPECT_EQ(Access(folder), fs::perms::owner_all) << made;
        }
        std::ofstream(first + "header.html") << "<p>x</p>";
        EXPECT_TRUE(a.Exists());
        fs::remove_all(second);
        EXPECT_FALSE(b.Exists());  // a cleaner took it: its owner makes another
    }
    // Each went with what it held; nothing else was touched.
    EXPECT_FALSE(fs::exists(first));
    EXPECT_EQ(testsupport::ReadFile(bystander), "not ours");

    // Where none can be made there is none, and nothing is removed.
    for (const std::string& where : {std::string(), std::string("/proc/ferrywell-cannot-create"), bystander}) {
        selection::PrivateFolder none(where, "window");
        EXPECT_TRUE(none.Path().empty()) << where;
        EXPECT_FALSE(none.Exists()) << where;
    }
    EXPECT_EQ(testsupport::ReadFile(bystander), "not ours");
}
