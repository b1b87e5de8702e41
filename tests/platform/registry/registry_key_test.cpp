#include <registry/registry_key.h>
#include <registry/win32_error.h>

#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

using namespace registry;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;

namespace {

const std::string kHive =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1-2-3-1000\n\n#arch=win64\n"
    "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n\"PATH\"=str(2):\"C:\\\\A;C:\\\\B\"\n\"Bin\"=hex:01,02\n"
    "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n\"VDIR_INI\"=\"C:\\\\Lotus\\\\Notes\"\n";

void WriteFile(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

TEST(RegistryKey, ReportsWin32ErrorNumbers) {
    struct Case {
        const char* what;
        std::function<bool(RegistryKey&)> action;
        uint32_t error;
    };
    const Case cases[] = {
        {"open existing key", [](RegistryKey& k) { return k.Open("software\\lotus\\notes\\INSTALLER"); }, kErrorSuccess},
        {"open parent key", [](RegistryKey& k) { return k.Open("Software\\Lotus"); }, kErrorSuccess},
        {"open missing key", [](RegistryKey& k) { return k.Open("Software\\Nothing"); }, kErrorFileNotFound},
        {"open without name", [](RegistryKey& k) { return k.Open(""); }, kErrorBadArguments},
        {"query without open key", [](RegistryKey& k) { uint32_t t, s; return k.QueryValue("PATH", t, s); }, kErrorInvalidHandle},
        {"write without open key", [](RegistryKey& k) { return k.WriteString("PATH", "x", kRegSz); }, kErrorInvalidHandle},
        {"read after close", [](RegistryKey& k) { std::string v; k.Open("Environment"); k.Close(); return k.ReadString("PATH", v, 260); }, kErrorInvalidHandle},
        {"query missing value", [](RegistryKey& k) { uint32_t t, s; k.Open("Environment"); return k.QueryValue("TEMP", t, s); }, kErrorFileNotFound},
        {"query without name", [](RegistryKey& k) { uint32_t t, s; k.Open("Environment"); return k.QueryValue("", t, s); }, kErrorBadArguments},
        {"read into small buffer", [](RegistryKey& k) { std::string v; k.Open("Environment"); return k.ReadString("PATH", v, 9); }, kErrorMoreData},
        {"read binary as string", [](RegistryKey& k) { std::string v; k.Open("Environment"); return k.ReadString("Bin", v, 260); }, kErrorUnsupportedType},
        {"write binary type", [](RegistryKey& k) { k.Create("Environment"); return k.WriteString("X", "x", kRegBinary); }, kErrorInvalidParameter},
    };
    TempDir dir;
    const fs::path hive = dir.Path() / "user.reg";
    WriteFile(hive, kHive);
    for (const auto& c : cases) {
        RegistryKey key(hive);
        EXPECT_EQ(c.action(key), c.error == kErrorSuccess) << c.what;
        EXPECT_EQ(key.LastError(), c.error) << c.what;
    }
    EXPECT_EQ(ReadFile(hive), kHive);
}

TEST(RegistryKey, QueriesSizeAndTypeAndReadsStrings) {
    TempDir dir;
    const fs::path hive = dir.Path() / "user.reg";
    WriteFile(hive, kHive);
    RegistryKey key(hive);
    ASSERT_TRUE(key.Open("Environment"));
    uint32_t type = 0, size = 0;
    ASSERT_TRUE(key.QueryValue("path", type, size));
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(size, 10u);  // "C:\A;C:\B" and its terminator
    ASSERT_TRUE(key.QueryValue("Bin", type, size));
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(size, 2u);
    std::string text;
    ASSERT_TRUE(key.ReadString("PATH", text, 10));
    EXPECT_EQ(text, "C:\\A;C:\\B");
}

TEST(RegistryKey, WriteReplacesTheFileKeepingModeAndLink) {
    TempDir dir;
    const fs::path real = dir.Path() / "real.reg";
    const fs::path hive = dir.Path() / "user.reg";
    WriteFile(real, kHive);
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("real.reg", hive);

    RegistryKey key(hive);
    ASSERT_TRUE(key.Create("Environment"));
    ASSERT_TRUE(key.WriteString("PATH", "C:\\A", kRegSz)) << key.LastError();

    EXPECT_TRUE(fs::is_symlink(hive));
    std::string expected = kHive;
    expected.replace(expected.find("\"PATH\""), std::string("\"PATH\"=str(2):\"C:\\\\A;C:\\\\B\"").size(), "\"PATH\"=\"C:\\\\A\"");
    EXPECT_EQ(ReadFile(real), expected);
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2) << "temporary file left";
}

TEST(RegistryKey, MissingHiveIsEmptyAndCreatedByTheFirstWrite) {
    TempDir dir;
    const fs::path hive = dir.Path() / "user.reg";
    RegistryKey key(hive);
    EXPECT_FALSE(key.Open("Environment"));
    EXPECT_EQ(key.LastError(), kErrorFileNotFound);
    ASSERT_TRUE(key.Create("Environment"));
    ASSERT_TRUE(key.WriteString("PATH", "C:\\Notes", kRegExpandSz));
    const std::string text = ReadFile(hive);
    EXPECT_EQ(text.rfind("WINE REGISTRY Version 2\n\n[Environment] ", 0), 0u) << text;
    EXPECT_NE(text.find("\n#time="), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 26), "\"PATH\"=str(2):\"C:\\\\Notes\"\n");
    std::string back;
    ASSERT_TRUE(key.Open("environment"));
    ASSERT_TRUE(key.ReadString("Path", back, 260));
    EXPECT_EQ(back, "C:\\Notes");
}

TEST(RegistryKey, GarbledHiveIsReportedAndNeverRewritten) {
    TempDir dir;
    const fs::path hive = dir.Path() / "user.reg";
    const std::string garbled = kHive.substr(0, kHive.size() - 10);
    WriteFile(hive, garbled);
    RegistryKey key(hive);
    EXPECT_FALSE(key.Create("Environment"));
    EXPECT_EQ(key.LastError(), kErrorBadDatabase);
    EXPECT_EQ(key.ErrorDetail(), hive.string() + ": the file ends in the middle of a line (truncated)");
    EXPECT_FALSE(key.WriteString("PATH", "x", kRegSz));
    EXPECT_EQ(ReadFile(hive), garbled);
}
