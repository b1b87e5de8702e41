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

TEST(PrintError, FormatsAndCutsTheErrorLine) {
    struct Case {
        std::string what;
        uint32_t code;
        std::string line;
        int exitCode;
    };
    const std::string longWhat(300, 'w');
    const Case cases[] = {
        {"Set Value", registry::kErrorAccessDenied, "Error - Set Value : Access is denied.", 5},
        {"Set Value", 4242, "Error - Set Value : Unknown error 4242.", 1},
        {longWhat, registry::kErrorAccessDenied, ("Error - " + longWhat).substr(0, 259), 5},
        // A three-byte character on bytes 258..260 is dropped whole.
        {std::string(250, 'w') + "\xE2\x82\xAC", registry::kErrorAccessDenied, "Error - " + std::string(250, 'w'), 5},
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
