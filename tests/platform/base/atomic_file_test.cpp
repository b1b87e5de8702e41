#include <base/atomic_file.h>

#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

size_t EntriesIn(const fs::path& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

TEST(AtomicFile, WritesReplacesAndReadsBack) {
    TempDir dir;
    const std::string path = dir / "store.ini";
    for (auto durability : {base::Durability::Ordinary, base::Durability::OnlyCopy}) {
        base::WriteFileAtomically(path, "first", durability);
        base::WriteFileAtomically(path, std::string(200000, 'x'), durability);
        EXPECT_EQ(base::ReadWholeFile(path), std::string(200000, 'x'));
        base::WriteFileAtomically(path, "", durability);
        EXPECT_EQ(base::ReadWholeFile(path), "");
    }
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    // A name at the length limit still gets a temporary name beside it.
    const std::string longName = dir / std::string(255, 'n');
    base::WriteFileAtomically(longName, "long");
    EXPECT_EQ(ReadFile(longName), "long");
}

TEST(AtomicFile, ReplacedFileKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir / "private";
    base::WriteFileAtomically(path, "a");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    base::WriteFileAtomically(path, "b");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(AtomicFile, WritersOfOnePathAtOnceNeverClash) {
    TempDir dir;
    const std::string path = dir / "shared.html";
    constexpr int kWriters = 8, kRounds = 50;
    std::vector<std::string> contents;
    for (int w = 0; w < kWriters; ++w) contents.push_back(std::string(4096 * (w + 1), char('a' + w)));
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int r = 0; r < kRounds; ++r) {
                try {
                    base::WriteFileAtomically(path, contents[size_t(w)]);
                } catch (const base::IoError&) {
                    ++failures;
                }
            }
        });
    }
    for (auto& t : writers) t.join();
    EXPECT_EQ(failures.load(), 0);
    const std::string final = ReadFile(path);
    EXPECT_NE(std::find(contents.begin(), contents.end(), final), contents.end()) << "a mixed or cut file";
    EXPECT_EQ(EntriesIn(dir.Path()), 1u) << "temporary files left behind";
}

TEST(AtomicFile, FailureKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "profile.ini";
    base::WriteFileAtomically(path, "old content");

    // The disk fills up half way through the write.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int err = 0;
    try {
        base::WriteFileAtomically(path, std::string(100000, 'n'), base::Durability::OnlyCopy);
    } catch (const base::IoError& e) {
        err = e.Errno();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);

    // A folder where the file should go: the rename fails, the folder stays.
    const std::string folder = dir / "folder";
    fs::create_directory(folder);
    fs::create_directory(fs::path(folder) / "inside");
    EXPECT_THROW(base::WriteFileAtomically(folder, "text"), base::IoError);
    EXPECT_TRUE(fs::is_directory(fs::path(folder) / "inside"));
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);

    // A missing folder: nothing to create the temporary file in.
    EXPECT_THROW(base::WriteFileAtomically(dir / "missing/file", "text"), base::IoError);
    EXPECT_THROW(base::ReadWholeFile(dir / "missing/file"), base::IoError);
}

TEST(AtomicFile, SymbolicLinkIsReplacedNotFollowed) {
    TempDir dir;
    const std::string target = dir.Write("target", "kept");
    const std::string link = dir / "link";
    fs::create_symlink(target, link);
    base::WriteFileAtomically(link, "new");
    EXPECT_FALSE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(link), "new");
    EXPECT_EQ(ReadFile(target), "kept");
}

}  // namespace
