#include <base/atomic_file.h>

#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
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

mode_t DefaultMode() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// An output never takes over set-id bits, execute bits, wider permissions or
// another user's ownership from the file it replaces; a private file stays private.
TEST(AtomicFile, ReplacedFileGivesAnOutputOnlyNarrowerPermissions) {
    TempDir dir;
    const bool root = ::geteuid() == 0;
    constexpr uid_t kOtherUser = 4242;
    struct Case {
        const char* what;
        int old;  // -1: no old file
        mode_t expected;
    };
    const mode_t def = DefaultMode();
    const Case cases[] = {
        {"new file", -1, def},
        {"set-id, world-writable", 06777, def},
        {"private", 0600, 0600 & def},
        {"executable", 0750, 0640 & def},
        {"no permissions", 0000, 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir / "out.pdf";
        ::unlink(path.c_str());
        if (c.old >= 0) {
            dir.Write("out.pdf", "old");
            if (root) {
                ASSERT_EQ(::chown(path.c_str(), kOtherUser, kOtherUser), 0);
            }
            ASSERT_EQ(::chmod(path.c_str(), mode_t(c.old)), 0);
        }
        base::WriteFileAtomically(path, "new");
        const struct stat st = StatOf(path);
        EXPECT_EQ(st.st_mode & 07777, c.expected) << c.what;
        EXPECT_EQ(st.st_uid, ::geteuid()) << c.what;
        EXPECT_EQ(st.st_gid, ::getegid()) << c.what;
    }
}

// The user's own file rewritten in place keeps all it had; where its owner
// cannot be kept it is not replaced.
TEST(AtomicFile, KeepReplacedKeepsOwnerAndEveryPermissionBit) {
    TempDir dir;
    const int folder = ::open(dir.Path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(folder, 0);
    base::WriteOptions keep;
    keep.attributes = base::Attributes::KeepReplaced;
    keep.durability = base::Durability::OnlyCopy;
    keep.newFileMode = 0640;

    base::WriteFileAtomicallyAt(folder, "user.reg", "first", keep, dir / "user.reg");
    EXPECT_EQ(StatOf(dir / "user.reg").st_mode & 07777, 0640u) << "a new file gets exactly the mode asked for";

    ASSERT_EQ(::chmod((dir / "user.reg").c_str(), 02751), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown((dir / "user.reg").c_str(), 4242, 4343), 0);
    }
    const struct stat before = StatOf(dir / "user.reg");
    base::WriteFileAtomicallyAt(folder, "user.reg", "second", keep, dir / "user.reg");
    const struct stat after = StatOf(dir / "user.reg");
    EXPECT_EQ(ReadFile(dir / "user.reg"), "second");
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    ::close(folder);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
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

    // Content made piece by piece: the pieces in order, or, when making it
    // fails part way, the old file and nothing else.
    using Write = std::function<void(std::string_view)>;
    base::WriteFileAtomically(path, [](const Write& write) {
        write("new ");
        write("");
        write("content");
    });
    EXPECT_EQ(ReadFile(path), "new content");
    EXPECT_THROW(base::WriteFileAtomically(path,
                                           [](const Write& write) {
                                               write("half");
                                               throw std::runtime_error("the rest cannot be made");
                                           }),
                 std::runtime_error);
    EXPECT_EQ(ReadFile(path), "new content");
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);
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
