#include "support/temp_files.h"
#include "support/tool_runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <sstream>

using namespace testsupport;

namespace {

struct Result {
    int code;
    std::string out, err;
};

// The tool's standard output and error apart.
Result RunCli(const std::string& args) {
    TempDir dir;
    const std::string errFile = (dir.Path() / "err").string();
    Result r{};
    r.code = RunTool(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli " + args + " 2>" + Quote(errFile), &r.out);
    r.err = ReadFile(errFile);
    return r;
}

}  // namespace

TEST(Cli, ExitCodesTellWhatHappened) {
    TempDir dir;
    std::string groups = dir.Write("g.dxl", Dxl(Person(Text("FullName", "G"), "Group")));
    std::string binary = dir.Write("b.nsf", std::string("\0\0\0\1", 4));
    // A pipe without a writer must not block the tool.
    std::string fifo = (dir.Path() / "names.dxl").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string args;
        int code;
        const char* err;
    };
    const Case cases[] = {
        {"", 2, "usage"},
        {"frobnicate x", 2, "usage"},
        {"analyse", 2, "usage"},
        {"analyse " + Quote(groups), 3, "Not a Valid Contact File"},
        {"analyse " + Quote(binary), 4, "export it to DXL"},
        {"list " + Quote(binary) + " Contacts", 4, "export it to DXL"},
        {"list " + Quote(SamplePath()) + " Nope", 2, "No folder named"},
        {"list " + Quote(fifo) + " Contacts", 4, "is a pipe"},
    };
    for (const auto& c : cases) {
        Result r = RunCli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
    }
}

TEST(Cli, AnalyseAndListPrintRecordsAndEscapedRows) {
    Result a = RunCli("analyse " + Quote(SamplePath()));
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_EQ(a.out,
              "People\tLotus Notes\\People\\\t1\n"
              "Contacts\tLotus Notes\\Contacts\\\t3\n"
              "By Category\tLotus Notes\\By Category\\\t5\n"
              "Selected Lotus Notes (*.nsf) File Analysis Completed\n");

    Result l = RunCli("list " + Quote(SamplePath()) + " Contacts");
    ASSERT_EQ(l.code, 0) << l.err;
    std::istringstream lines(l.out);
    std::string line;
    int count = 0;
    bool sawEscapes = false, sawBreak = false;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
        sawEscapes |= line.find("ACME\\\\wchen\\tWei Chen") != std::string::npos;
        sawBreak |= line.find("\\n(Madrid office)") != std::string::npos;
    }
    EXPECT_EQ(count, 69);
    EXPECT_TRUE(sawEscapes);
    EXPECT_TRUE(sawBreak);
}
