// Every program answers --help and --version with status 0 and refuses an
// unknown option with status 2, without needing a display.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Result {
    int status = -1;
    std::string out;  // standard output only
};

Result RunProgram(const std::string& program, const std::string& args) {
    Result r;
    r.status = testsupport::RunTool("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " + std::string(FERRYWELL_BIN_DIR) +
                                        "/" + program + " " + args + " 2>/dev/null",
                                    &r.out);
    return r;
}

TEST(ProgramOptions, HelpVersionAndUsageErrors) {
    for (const char* program : {PROGRAMS}) {
        SCOPED_TRACE(program);
        const Result help = RunProgram(program, "--help");
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: ") + program, 0), 0u) << help.out;
        EXPECT_NE(help.out.find("Exit status"), std::string::npos);
        EXPECT_NE(help.out.find("--version"), std::string::npos);

        const Result version = RunProgram(program, "--version");
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, std::string(program) + " " + FERRYWELL_VERSION + "\n");

        const Result bogus = RunProgram(program, "--no-such-option");
        EXPECT_EQ(bogus.status, 2);
        EXPECT_EQ(bogus.out, "");
    }
}

}  // namespace
