// Every program answers --help and --version with status 0 and refuses an
// unknown option with status 2, without needing a display.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

struct Result {
    int status = -1;
    std::string out;  // standard output only
};

Result RunProgram(const std::string& program, const std::string& args) {
    Result r;
    const std::string command =
        "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= " + std::string(FERRYWELL_BIN_DIR) + "/" + program + " " +
        args + " 2>/dev/null";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
