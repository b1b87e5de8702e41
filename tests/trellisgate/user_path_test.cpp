// The registry branch end to end: the real program over throw-away prefixes.
#include "prefix_runner.h"

#include <gtest/gtest.h>

#include <optional>
#include <regex>

using namespace trellisgate_test;

namespace {


std::string Environment(const std::string& records) {
    return "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n" + records;
}

std::string Installer(const std::string& records) {
    return "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n#time=1da0b0c0d0e0f00\n" + records;
}

}  // namespace

TEST(Trellisgate, AddsTheNotesDirectoryToTheUserPath) {
    struct Case {
        const char* what;
        std::optional<std::string> environment;  // records of [Environment]; no key when empty
        std::optional<std::string> installer;    // records of the installer key; no key when empty
        std::optional<std::string> expected;     // [Environment] records afterwards; unchanged when empty
        int exitCode;
        std::string out;
        std::string err;
    };
    const std::string vdir = R"("VDIR_INI"="C:\\Notes")" "\n";
    const std::string temp = R"("TEMP"=str(2):"%USERPROFILE%\\Temp")" "\n";
    const Case cases[] = {
        {"expandable list gets the entry", R"("PATH"=str(2):"C:\\A;C:\\B")" "\n" + temp, vdir,
         R"("PATH"=str(2):"C:\\A;C:\\B;C:\\Notes")" "\n" + temp, 0, "", ""},
        {"list ending in ; gets no second ;", R"("PATH"=str(2):"C:\\A;")" "\n", vdir,
         R"("PATH"=str(2):"C:\\A;C:\\Notes")" "\n", 0, "", ""},
        {"entry already present", R"("PATH"=str(2):"C:\\A;C:\\Notes;C:\\B")" "\n", vdir, std::nullopt, 0, "", ""},
        {"entry present as last", R"("PATH"=str(2):"C:\\A;C:\\Notes")" "\n", vdir, std::nullopt, 0, "", ""},
        {"other case is another entry", R"("PATH"=str(2):"c:\\notes")" "\n", vdir,
         R"("PATH"=str(2):"c:\\notes;C:\\Notes")" "\n", 0, "", ""},
        {"trailing backslash is another entry", R"("PATH"=str(2):"C:\\Notes\\")" "\n", vdir,
         R"("PATH"=str(2):"C:\\Notes\\;C:\\Notes")" "\n", 0, "", ""},
        {"substring is not an entry", R"("PATH"=str(2):"C:\\Notes\\Data")" "\n", vdir,
         R"("PATH"=str(2):"C:\\Notes\\Data;C:\\Notes")" "\n", 0, "", ""},
        {"empty list", R"("PATH"=str(2):"")" "\n", vdir, R"("PATH"=str(2):"C:\\Notes")" "\n", 0, "", ""},
        {"no PATH value: plain string after the key's last line", temp, vdir,
         temp + R"("PATH"="C:\\Notes")" "\n", 0, "", ""},
        {"leading % is dropped, expandable type", temp, R"("VDIR_INI"="%C:\\Notes")" "\n",
         temp + R"("PATH"=str(2):"C:\\Notes")" "\n", 0, "", ""},
        {"leading % on an expandable list", R"("PATH"=str(2):"C:\\A")" "\n", R"("VDIR_INI"="%C:\\Notes")" "\n",
         R"("PATH"=str(2):"C:\\A;C:\\Notes")" "\n", 0, "", ""},
        {"plain string PATH is appended to, keeps its type", R"("PATH"="C:\\A;C:\\B")" "\n", vdir,
         R"("PATH"="C:\\A;C:\\B;C:\\Notes")" "\n", 0, "", ""},
        {"plain string PATH with the entry", R"("PATH"="C:\\Notes")" "\n", vdir, std::nullopt, 0, "", ""},
        {"plain string PATH and leading % turn expandable", R"("PATH"="C:\\A")" "\n",
         R"("VDIR_INI"="%C:\\Notes")" "\n", R"("PATH"=str(2):"C:\\A;C:\\Notes")" "\n", 0, "", ""},
        {"name of the value matches in any case", R"("Path"=str(2):"C:\\A")" "\n", vdir,
         R"("PATH"=str(2):"C:\\A;C:\\Notes")" "\n", 0, "", ""},
        {"non-ASCII directory is escaped as Wine does", R"("PATH"=str(2):"C:\\A")" "\n",
         R"("VDIR_INI"="C:\\L\xf6tus \x00e91")" "\n", R"("PATH"=str(2):"C:\\A;C:\\L\xf6tus \x00e91")" "\n", 0, "", ""},
        {"Notes not installed: PATH left alone", R"("PATH"=str(2):"C:\\A")" "\n", std::nullopt, std::nullopt, 1, "",
         kNotFound},
        {"installer key without VDIR_INI", R"("PATH"=str(2):"C:\\A")" "\n", R"("Other"="x")" "\n", std::nullopt, 1,
         "", kNotFound},
        {"empty VDIR_INI", R"("PATH"=str(2):"C:\\A")" "\n", R"("VDIR_INI"="")" "\n", std::nullopt, 1, "", kNotFound},
        {"VDIR_INI that is only %", std::nullopt, R"("VDIR_INI"="%")" "\n", std::nullopt, 1, "", kNotFound},
        {"VDIR_INI too long for its buffer", std::nullopt, R"("VDIR_INI"=")" + std::string(260, 'x') + "\"\n",
         std::nullopt, 1, "Error - Read Registry : More data is available.\n", kNotFound},
        {"binary PATH is not replaced", R"("PATH"=hex:43,00,3a,00)" "\n", vdir, std::nullopt, 1,
         "Error - Read Value : The data is of an unsupported type.\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempPrefix prefix;
        const std::string before =
            Hive((c.environment ? Environment(*c.environment) : "") + (c.installer ? Installer(*c.installer) : ""));
        prefix.Write("user.reg", before);
        const RunResult result = RunTrellisgate(prefix.root());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
        const std::string expected =
            c.expected ? Hive(Environment(*c.expected) + (c.installer ? Installer(*c.installer) : "")) : before;
        EXPECT_EQ(prefix.Read("user.reg"), expected);
    }
}

TEST(Trellisgate, CreatesTheEnvironmentKeyWhenMissing) {
    TempPrefix prefix;
    const std::string before = Hive(Installer(R"("VDIR_INI"="C:\\Lotus\\Notes")" "\n"));
    prefix.Write("user.reg", before);
    const RunResult result = RunTrellisgate(prefix.root());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out + result.err, "");
    const std::string after = prefix.Read("user.reg");
    ASSERT_EQ(after.substr(0, before.size()), before);
    EXPECT_TRUE(std::regex_match(after.substr(before.size()),
                                 std::regex(R"(\n\[Environment\] \d{10}\n#time=1[0-9a-f]{14}\n"PATH"="C:\\\\Lotus\\\\Notes"\n)")))
        << after.substr(before.size());
}
