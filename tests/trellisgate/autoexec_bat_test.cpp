// The Windows 9x branch end to end: prefixes configured as Windows 98 and
// their Autoexec.bat.
#include "prefix_runner.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace trellisgate_test;

namespace {

std::string Win9xHive(const std::string& version, const std::string& vdir) {
    return Hive("\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000000\n\"VDIR_INI\"=\"" + vdir +
                "\"\n\n[Software\\\\Wine] 1700000000\n\"Version\"=\"" + version + "\"\n");
}

struct File {
    std::string path;  // relative to the prefix
    std::string content;
};

}  // namespace

TEST(Trellisgate, AddsTheNotesDirectoryToAutoexecBatOnWindows9x) {
    struct Case {
        const char* what;
        std::vector<File> files;
        std::optional<File> expected;  // the file afterwards; every file unchanged when empty
        int exitCode;
        std::string out;
        const char* vdir = "C:\\\\Notes";  // as written in the hive
        const char* version = "win98";
    };
    const std::string head = "@ECHO OFF\r\nPROMPT $p$g\r\n";
    const std::string tail = "SET BLASTER=A220 I5 D1\r\nrem end\r\n";
    const std::string longPath = "C:\\" + std::string(290, 'L');
    const Case cases[] = {
        {"CR LF file, upper-case name", {{"drive_c/AUTOEXEC.BAT", head + "set PATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\r\n" + tail}},
         File{"drive_c/AUTOEXEC.BAT", head + "set PATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND;C:\\Notes\r\n" + tail}, 0, ""},
        {"no set PATH line: one is appended", {{"drive_c/autoexec.bat", head + tail}},
         File{"drive_c/autoexec.bat", head + tail + "set PATH=C:\\Notes\r\n"}, 0, ""},
        {"SET PATH in capitals is not recognised", {{"drive_c/autoexec.bat", "SET PATH=C:\\WINDOWS\r\n"}},
         File{"drive_c/autoexec.bat", "SET PATH=C:\\WINDOWS\r\nset PATH=C:\\Notes\r\n"}, 0, ""},
        {"directory already an entry", {{"drive_c/autoexec.bat", head + "set PATH=C:\\WINDOWS;C:\\Notes\r\n" + tail}},
         std::nullopt, 0, ""},
        {"directory only inside a longer entry", {{"drive_c/autoexec.bat", "set PATH=C:\\Notes\\Data;C:\\DOS\r\n"}},
         File{"drive_c/autoexec.bat", "set PATH=C:\\Notes\\Data;C:\\DOS;C:\\Notes\r\n"}, 0, ""},
        {"single entry is kept, not replaced", {{"drive_c/autoexec.bat", "set PATH=C:\\WINDOWS\r\nrem\r\n"}},
         File{"drive_c/autoexec.bat", "set PATH=C:\\WINDOWS;C:\\Notes\r\nrem\r\n"}, 0, ""},
        {"empty PATH value", {{"drive_c/autoexec.bat", "set PATH=\r\n"}},
         File{"drive_c/autoexec.bat", "set PATH=C:\\Notes\r\n"}, 0, ""},
        {"bare LF line endings keep every character",
         {{"drive_c/autoexec.bat", "@echo off\nset PATH=C:\\WINDOWS;C:\\DOS\nrem x\n"}},
         File{"drive_c/autoexec.bat", "@echo off\nset PATH=C:\\WINDOWS;C:\\DOS;C:\\Notes\nrem x\n"}, 0, ""},
        {"bare LF line already holding the directory", {{"drive_c/autoexec.bat", "set PATH=C:\\DOS;C:\\Notes\n"}},
         std::nullopt, 0, ""},
        {"only line, without line end", {{"drive_c/autoexec.bat", "set PATH=C:\\WINDOWS"}},
         File{"drive_c/autoexec.bat", "set PATH=C:\\WINDOWS;C:\\Notes"}, 0, ""},
        {"last line without line end, no PATH line", {{"drive_c/autoexec.bat", "@echo off"}},
         File{"drive_c/autoexec.bat", "@echo off\r\nset PATH=C:\\Notes\r\n"}, 0, ""},
        {"PATH line longer than 259 characters", {{"drive_c/autoexec.bat", head + "set PATH=" + longPath + ";C:\\DOS\r\n" + tail}},
         File{"drive_c/autoexec.bat", head + "set PATH=" + longPath + ";C:\\DOS;C:\\Notes\r\n" + tail}, 0, ""},
        {"entry found after 259 characters", {{"drive_c/autoexec.bat", "set PATH=" + longPath + ";C:\\Notes\r\n"}},
         std::nullopt, 0, ""},
        {"empty file", {{"drive_c/autoexec.bat", ""}}, File{"drive_c/autoexec.bat", "set PATH=C:\\Notes\r\n"}, 0, ""},
        {"empty file, leading %", {{"drive_c/autoexec.bat", ""}},
         File{"drive_c/autoexec.bat", "set PATH=%PATH%;C:\\Notes\r\n"}, 0, "", "%C:\\\\Notes"},
        {"leading % on a PATH line", {{"drive_c/autoexec.bat", "set PATH=C:\\DOS\r\n"}},
         File{"drive_c/autoexec.bat", "set PATH=C:\\DOS;C:\\Notes\r\n"}, 0, "", "%C:\\\\Notes"},
        {"only on drive d:", {{"dosdevices/d:/Autoexec.Bat", "set PATH=D:\\BIN\r\n"}},
         File{"dosdevices/d:/Autoexec.Bat", "set PATH=D:\\BIN;C:\\Notes\r\n"}, 0, ""},
        {"c: wins over d:", {{"drive_c/autoexec.bat", "rem c\r\n"}, {"dosdevices/d:/autoexec.bat", "rem d\r\n"}},
         File{"drive_c/autoexec.bat", "rem c\r\nset PATH=C:\\Notes\r\n"}, 0, ""},
        {"missing on both drives", {{"drive_c/config.sys", "FILES=40\r\n"}}, std::nullopt, 1,
         "Failed to locate Autoexec.bat on c:\\ or d:\\\n"},
        {"Windows 95", {{"drive_c/autoexec.bat", ""}}, File{"drive_c/autoexec.bat", "set PATH=C:\\Notes\r\n"}, 0, "",
         "C:\\\\Notes", "win95"},
        {"Windows Me", {{"drive_c/autoexec.bat", ""}}, File{"drive_c/autoexec.bat", "set PATH=C:\\Notes\r\n"}, 0, "",
         "C:\\\\Notes", "winme"},
        {"Windows 2000 uses the registry", {{"drive_c/autoexec.bat", ""}}, std::nullopt, 0, "", "C:\\\\Notes",
         "win2k"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempPrefix prefix;
        prefix.Write("user.reg", Win9xHive(c.version, c.vdir));
        for (const auto& f : c.files) prefix.Write(f.path, f.content);
        const RunResult result = RunTrellisgate(prefix.root());
        EXPECT_EQ(result.exitCode, c.exitCode);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, "");
        for (const auto& f : c.files) {
            const bool changed = c.expected && c.expected->path == f.path;
            EXPECT_EQ(prefix.Read(f.path), changed ? c.expected->content : f.content) << f.path;
        }
        // The 9x branch never touches the registry.
        const bool registryBranch = std::string(c.version) == "win2k";
        EXPECT_EQ(prefix.Read("user.reg").find("[Environment]") != std::string::npos, registryBranch);
    }
}
