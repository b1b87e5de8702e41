#include <trellisgate/path_setup.h>
#include <trellisgate/report.h>

#include <registry/win32_error.h>

#include <gtest/gtest.h>

#include <vector>

using namespace trellisgate;

namespace {

class Recorder : public Reporter {
public:
    void Line(const std::string& text) override { lines.push_back(text); }
    void Alert(const std::string& text, const std::string& caption) override { lines.push_back(caption + ": " + text); }
    std::vector<std::string> lines;
};

}  // namespace

TEST(PrintError, FormatsTheWhatAndTheSystemText) {
    struct Case {
        std::string what;
        uint32_t code;
        std::string line;
        int exitCode;
    };
    const std::string longWhat(300, 'w');
    const Case cases[] = {
        {"Set Value", registry::kErrorAccessDenied, "Error - Set Value : Access is denied.", 5},
        {"Open Autoexec.bat", registry::kErrorFileNotFound,
         "Error - Open Autoexec.bat : The system cannot find the file specified.", 1},
        {"Updating Autoexec.bat", registry::kErrorDiskFull,
         "Error - Updating Autoexec.bat : There is not enough space on the disk.", 1},
        {"Writing to Autoexec.bat", registry::kErrorIoDevice,
         "Error - Writing to Autoexec.bat : The request could not be performed because of an I/O device error.", 1},
        {"Read Registry", registry::kErrorBadDatabase,
         "Error - Read Registry : The configuration registry database is corrupt.", 1},
        {"Set Value", 4242, "Error - Set Value : Unknown error 4242.", 1},
        {longWhat, registry::kErrorAccessDenied, ("Error - " + longWhat).substr(0, 259), 5},
    };
    for (const auto& c : cases) {
        Recorder report;
        PrintError(report, c.what, c.code);
        ASSERT_EQ(report.lines.size(), 1u);
        EXPECT_EQ(report.lines[0], c.line);
        EXPECT_LE(report.lines[0].size(), 259u);
        EXPECT_EQ(ExitCodeFor(c.code), c.exitCode);
    }
}

TEST(PrintError, NeverCutsInsideACharacter) {
    // "Error - " is 8 bytes; 250 more put a three-byte character on bytes 258..260.
    Recorder report;
    PrintError(report, std::string(250, 'w') + "\xE2\x82\xAC", registry::kErrorAccessDenied);
    EXPECT_EQ(report.lines.at(0), "Error - " + std::string(250, 'w'));
}

TEST(FindPathEntry, MatchesWholeEntriesByteForByte) {
    struct Case {
        const char* list;
        std::optional<size_t> position;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"C:\\Notes", 0},
        {"C:\\A;C:\\Notes", 5},
        {"C:\\A;;C:\\Notes;", 6},
        {"C:\\Notes2;C:\\Notes", 10},
        {"C:\\NOTES;c:\\notes;C:\\Notes\\; C:\\Notes", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(FindPathEntry(c.list, "C:\\Notes"), c.position) << c.list;
}
