// The options every program answers. --help (or -h) prints the program's help
// text and --version one line with its name and version; both end the program
// with status 0. An option the program does not know, a missing option value
// or too many operands is a usage error: a message and a hint on standard
// error, status 2.
#pragma once

#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace cmdline {

inline constexpr int kUsageError = 2;

struct Option {
    std::string_view name;    // without leading dashes: "open", "platform"
    bool takesValue = false;  // "--name value" or "--name=value"
};

struct Program {
    std::string_view name;  // as the user types it
    std::string_view help;  // the whole --help text
    std::vector<Option> options = {};
    int maxOperands = -1;  // arguments that are not options; -1: any number
};

// The version of this build.
std::string_view Version();

// Looks at argv: nullopt when the program should go on, else the status to
// end with. Options match with one or two leading dashes; "--" ends them.
std::optional<int> AnswerStandardOptions(const Program& program, int argc, const char* const* argv,
                                         std::ostream& out, std::ostream& err);

}  // namespace cmdline
