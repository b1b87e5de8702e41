// What the program must never do to a hive or a boot file: change bytes it
// does not own, rewrite what it could not read, or claim success when refused.
#include "prefix_runner.h"

#include <registry/wine_prefix.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace trellisgate_test;

namespace {


const std::string kInstaller = "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n\"VDIR_INI\"=\"C:\\\\Notes\"\n";

}  // namespace

TEST(Trellisgate, ChangesOnlyThePathValueOfARichHive) {
    const std::string top =
        "\n[AppEvents\\\\Schemes] 1699999999\n#time=1da0000000000000\n@=\".Default\"\n"
        "\n[Control Panel\\\\Desktop] 1699999999\n#time=1da0000000000001\n"
        "\"UserPreferencesMask\"=hex:9e,1e,07,80,12,00,00,00\n\"WheelScrollLines\"=\"3\"\n"
        "\"FontSmoothingGamma\"=dword:00000578\n"
        ";; a comment a person left here\n"
        "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n#class=\"env\"\n";
    const std::string oldPath = "\"PATH\"=str(2):\"%SystemRoot%\\\\system32;C:\\\\Tools\"\n";
    const std::string newPath = "\"PATH\"=str(2):\"%SystemRoot%\\\\system32;C:\\\\Tools;C:\\\\Notes\"\n";
    const std::string bottom =
        "\"TEMP\"=str(2):\"%USERPROFILE%\\\\Local Settings\\\\Temp\"\n"
        "\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\MountPoints2] 1700000001\n"
        "\"Blob\"=hex(b):00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,\\\n"
        "  18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,\\\n"
        "  31,32\n"
        "\"Multi\"=str(7):\"one\\0two\\0\"\n"
        "\"Quote \\\"Name\\\"\"=\"Caf\\xe9 \\x00e9a [x] \\\\ tab\\there\"\n"
        "\n[Software\\\\Wine\\\\Fonts] 1700000002\n#time=1da0000000000002\n\"LogPixels\"=dword:00000060\n" +
        kInstaller;
    TempPrefix prefix;
    prefix.Write("user.reg", Hive(top + oldPath + bottom));
    const RunResult result = RunTrellisgate(prefix.root());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out + result.err, "");
    EXPECT_EQ(prefix.Read("user.reg"), Hive(top + newPath + bottom));
}

TEST(Trellisgate, TruncatedOrGarbledHiveIsReportedAndNotRewritten) {
    struct Case {
        const char* what;
        std::string hive;
        std::string detail;  // the line naming the file and the fault, after the prefix path
    };
    const std::string good = Hive("\n[Environment] 1700000000\n\"PATH\"=str(2):\"C:\\\\A\"\n" + kInstaller);
    const Case cases[] = {
        {"cut inside a string", good.substr(0, good.size() - 5), "/user.reg: the file ends in the middle of a line (truncated)"},
        {"cut after a continuation",
         Hive("\n[Environment] 1700000000\n\"B\"=hex:00,01,\\\n"), "/user.reg: line 7: hex data continued past the end of the file"},
        {"empty file", "", "/user.reg: the file is empty"},
        {"not a registry file", "\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\n", "/user.reg: line 1: not a Wine registry file (expected \"WINE REGISTRY Version 2\")"},
        {"junk line", Hive("\n[Environment] 1700000000\n<<<<<<< HEAD\n" + kInstaller), "/user.reg: line 7: unrecognised line"},
        {"broken key line", Hive("\n[Environment 1700000000\n" + kInstaller), "/user.reg: line 6: key name without closing bracket"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempPrefix prefix;
        prefix.Write("user.reg", c.hive);
        struct stat before {};
        ASSERT_EQ(::stat(prefix.hive().c_str(), &before), 0);
        const RunResult result = RunTrellisgate(prefix.root());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "Error - Read Registry : The configuration registry database is corrupt.\n" +
                                  prefix.root().string() + c.detail + "\n");
        EXPECT_EQ(result.err, kNotFound);
        EXPECT_EQ(prefix.Read("user.reg"), c.hive);
        struct stat after {};
        ASSERT_EQ(::stat(prefix.hive().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    }
}

// Stands in for a wineserver of the prefix: holds the lock a running server
// holds. Folders are made private as Wine insists, and removed again.
class FakeWineServer {
public:
    explicit FakeWineServer(const std::filesystem::path& prefix) : dir_(*registry::WineServerDirectory(prefix)) {
        createdTop_ = ::mkdir(dir_.parent_path().c_str(), 0700) == 0;
        ::mkdir(dir_.c_str(), 0700);
        fd_ = ::open((dir_ / "lock").c_str(), O_RDWR | O_CREAT, 0600);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        ::fcntl(fd_, F_SETLK, &lock);
    }
    ~FakeWineServer() {
        ::close(fd_);
        std::filesystem::remove_all(createdTop_ ? dir_.parent_path() : dir_);
    }
    FakeWineServer(const FakeWineServer&) = delete;
    FakeWineServer& operator=(const FakeWineServer&) = delete;

private:
    std::filesystem::path dir_;
    bool createdTop_ = false;
    int fd_ = -1;
};

TEST(Trellisgate, RefusedWritesAreReportedAndLeaveFilesAlone) {
    struct Case {
        const char* what;
        std::string version;
        As as;
        bool wineRunning;
        int exitCode;
        std::string out;  // the prefix folder stands for "@"
    };
    const Case cases[] = {
        {"registry hive in a read-only prefix", "win10", As::UnprivilegedUser, false, 5,
         "Error - Set Value : Access is denied.\n"},
        {"read-only Autoexec.bat", "win98", As::UnprivilegedUser, false, 5,
         "Error - Open Autoexec.bat : Access is denied.\n"},
        {"Wine running in the prefix", "win10", As::CurrentUser, true, 1,
         "Error - Set Value : The process cannot access the file because it is being used by another process.\n"
         "Wine is running in @, which keeps its own copy of the registry; end it (wineserver -k) and run again\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempPrefix prefix;
        const std::string hive = Hive("\n[Environment] 1700000000\n\"PATH\"=str(2):\"C:\\\\A\"\n" + kInstaller +
                                      "\n[Software\\\\Wine] 1700000000\n\"Version\"=\"" + c.version + "\"\n");
        const std::string bat = "set PATH=C:\\WINDOWS\r\n";
        prefix.Write("user.reg", hive);
        prefix.Write("drive_c/autoexec.bat", bat);
        ::chmod((prefix.root() / "drive_c/autoexec.bat").c_str(), 0444);
        std::optional<FakeWineServer> server;
        if (c.wineRunning) server.emplace(prefix.root());
        const RunResult result = RunTrellisgate(prefix.root(), c.as);
        EXPECT_EQ(result.exitCode, c.exitCode);
        std::string out = c.out;
        if (const size_t at = out.find('@'); at != std::string::npos) out.replace(at, 1, prefix.root().string());
        EXPECT_EQ(result.out, out);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(prefix.Read("user.reg"), hive);
        EXPECT_EQ(prefix.Read("drive_c/autoexec.bat"), bat);
    }
}
