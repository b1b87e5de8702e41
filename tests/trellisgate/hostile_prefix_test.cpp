// A prefix set up by someone hostile: FIFOs, links to other files, files we
// may not write, and hives far larger than any real one.
#include "prefix_runner.h"
#include "sanitizer_build.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace trellisgate_test;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 65534;


std::string NotesHive(const std::string& version) {
    return Hive("\n[Environment] 1700000000\n\"PATH\"=str(2):\"C:\\\\A\"\n"
                "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n\"VDIR_INI\"=\"C:\\\\Notes\"\n"
                "\n[Software\\\\Wine] 1700000000\n\"Version\"=\"" + version + "\"\n");
}

struct stat Stat(const fs::path& file) {
    struct stat st {};
    ::lstat(file.c_str(), &st);
    return st;
}

}  // namespace

TEST(TrellisgateHostile, AFifoInPlaceOfTheHiveIsRefusedWithoutWaiting) {
    TempPrefix prefix;
    ASSERT_EQ(::mkfifo(prefix.hive().c_str(), 0644), 0);
    const RunResult result = RunTrellisgate(prefix.root());
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.out, "Error - Read Registry : Access is denied.\n" + prefix.hive().string() +
                              ": not a regular file (a folder, FIFO, socket or device); not read\n");
    EXPECT_EQ(result.err, kNotFound);
}

TEST(TrellisgateHostile, LinksOfAnotherUserAreNotFollowedForWriting) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a link that belongs to another user";
    struct Case {
        const char* what;
        std::string version;
        fs::path link;  // below the prefix
        std::string out;
    };
    const Case cases[] = {
        {"user.reg", "win10", "user.reg", "Error - Set Value : Access is denied.\n"},
        {"autoexec.bat", "win98", "drive_c/autoexec.bat", "Error - Updating Autoexec.bat : Access is denied.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempPrefix prefix, elsewhere;
        // The stand-in for a file of the system: it would be accepted and rewritten.
        const std::string victim = c.link == "user.reg" ? NotesHive(c.version) : "set PATH=C:\\WINDOWS\r\n";
        elsewhere.Write("victim", victim);
        prefix.Write("user.reg", NotesHive(c.version));
        prefix.Write("drive_c/keep", "");
        fs::remove(prefix.root() / c.link);
        fs::create_symlink(elsewhere.root() / "victim", prefix.root() / c.link);
        ASSERT_EQ(::lchown((prefix.root() / c.link).c_str(), kOtherUser, kOtherUser), 0);

        const RunResult result = RunTrellisgate(prefix.root());
        EXPECT_EQ(result.exitCode, 5);
        EXPECT_EQ(result.out, c.out + (prefix.root() / c.link).string() + ": the symbolic link " +
                                  (prefix.root() / c.link).filename().string() +
                                  " belongs to user 65534, not to the user running this; not followed\n");
        EXPECT_EQ(elsewhere.Read("victim"), victim);
        EXPECT_TRUE(fs::is_symlink(prefix.root() / c.link));

        // The same link made by the user running the program is followed, and stays a link.
        ASSERT_EQ(::lchown((prefix.root() / c.link).c_str(), 0, 0), 0);
        EXPECT_EQ(RunTrellisgate(prefix.root()).exitCode, 0);
        EXPECT_NE(elsewhere.Read("victim"), victim);
        EXPECT_TRUE(fs::is_symlink(prefix.root() / c.link));
    }
}

TEST(TrellisgateHostile, ReplacedFilesKeepOwnerAndMode) {
    TempPrefix prefix;
    prefix.Write("user.reg", NotesHive("win10"));
    ASSERT_EQ(::chmod(prefix.hive().c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(prefix.hive().c_str(), kOtherUser, kOtherUser), 0);
    }
    const struct stat before = Stat(prefix.hive());

    EXPECT_EQ(RunTrellisgate(prefix.root()).exitCode, 0);
    EXPECT_NE(prefix.Read("user.reg"), NotesHive("win10"));
    const struct stat after = Stat(prefix.hive());
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

TEST(TrellisgateHostile, AReadOnlyHiveInAWritablePrefixIsNotReplaced) {
    TempPrefix prefix;
    const std::string hive = NotesHive("win10");
    prefix.Write("user.reg", hive);
    ASSERT_EQ(::chmod(prefix.hive().c_str(), 0444), 0);
    // As root the program runs as another user, for whom the prefix folder is writable too.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(prefix.root().c_str(), 0777), 0);
    }
    const RunResult result = RunTrellisgate(prefix.root(), root ? As::UnprivilegedUser : As::CurrentUser);
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.out, "Error - Set Value : Access is denied.\n");
    EXPECT_EQ(prefix.Read("user.reg"), hive);
    EXPECT_EQ(Stat(prefix.hive()).st_mode & 07777, 0444u);
}

TEST(TrellisgateHostile, MemoryStaysInProportionToTheHive) {
#ifdef FERRYWELL_SANITIZER_BUILD
    GTEST_SKIP() << "a sanitizer's shadow memory says nothing about the program's own";
#endif
    // Tiny keys and values: the shape where a per-record index costs most.
    TempPrefix prefix;
    std::string sections = "\n[Environment] 1700000000\n\"PATH\"=\"C:\\\\A\"\n"
                           "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n\"VDIR_INI\"=\"C:\\\\Notes\"\n";
    while (sections.size() < (12u << 20)) sections += "[k]\n@=\"\"\n\"v\"=hex:\n";
    prefix.Write("user.reg", Hive(sections));
    const RunResult result = RunTrellisgate(prefix.root());
    EXPECT_EQ(result.exitCode, 0);
    // Three times the hive, plus what the program takes on its own.
    EXPECT_LT(result.maxRssKb, 3 * 12 * 1024 + 8 * 1024);
}
