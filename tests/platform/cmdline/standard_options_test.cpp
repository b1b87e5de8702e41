#include <cmdline/standard_options.h>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

const cmdline::Program kProgram{"tool", "Usage: tool [FILE]\n", {{"open", true}, {"reverse", false}}, 1};

struct Outcome {
    std::optional<int> status;
    std::string out, err;
};

Outcome Answer(std::vector<const char*> args) {
    args.insert(args.begin(), "tool");
    Outcome o;
    std::ostringstream out, err;
    o.status = cmdline::AnswerStandardOptions(kProgram, int(args.size()), args.data(), out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

TEST(StandardOptions, HelpAndVersionEndWithZero) {
    for (const char* help : {"--help", "-h", "-help"}) {
        const Outcome o = Answer({"file", help, "--bogus"});
        EXPECT_EQ(o.status, 0) << help;
        EXPECT_EQ(o.out, "Usage: tool [FILE]\n");
        EXPECT_EQ(o.err, "");
    }
    const Outcome v = Answer({"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "tool " + std::string(cmdline::Version()) + "\n");
    EXPECT_FALSE(cmdline::Version().empty());
}

TEST(StandardOptions, KnownOptionsAndOperandsGoOn) {
    for (auto args : std::vector<std::vector<const char*>>{
             {}, {"file"}, {"--open", "file"}, {"--open=file"}, {"-open", "x", "-reverse", "file"},
             {"--", "--help"}, {"-"}}) {
        const Outcome o = Answer(args);
        EXPECT_EQ(o.status, std::nullopt) << (args.empty() ? "" : args[0]);
        EXPECT_EQ(o.out + o.err, "");
    }
}

TEST(StandardOptions, UsageErrorsEndWithTwo) {
    for (auto args : std::vector<std::vector<const char*>>{
             {"--bogus"}, {"file", "-x"}, {"--open"}, {"a", "b"}, {"--reverse=1x", "--nope=3"}}) {
        const Outcome o = Answer(args);
        EXPECT_EQ(o.status, 2) << args[0];
        EXPECT_EQ(o.out, "");
        EXPECT_NE(o.err.find("Try 'tool --help'"), std::string::npos) << o.err;
    }
    EXPECT_NE(Answer({"--bogus"}).err.find("unknown option '--bogus'"), std::string::npos);
}

}  // namespace
