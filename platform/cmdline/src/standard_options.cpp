#include <cmdline/standard_options.h>

#include <algorithm>
#include <string>

namespace cmdline {

namespace {

int UsageError(const Program& program, std::string_view problem, std::ostream& err) {
    err << program.name << ": " << problem << "\nTry '" << program.name << " --help' for more information.\n";
    return kUsageError;
}

}  // namespace

std::string_view Version() { return PROGRAM_VERSION; }

std::optional<int> AnswerStandardOptions(const Program& program, int argc, const char* const* argv,
                                         std::ostream& out, std::ostream& err) {
    int operands = 0;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            ++operands;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name = arg.substr(arg[1] == '-' ? 2 : 1);
        const size_t equals = name.find('=');
        const bool inlineValue = equals != std::string_view::npos;
        name = name.substr(0, equals);
        if (name == "help" || name == "h") {
            out << program.help;
            return 0;
        }
        if (name == "version") {
            out << program.name << ' ' << Version() << '\n';
            return 0;
        }
        const auto known = std::find_if(program.options.begin(), program.options.end(),
                                        [name](const Option& o) { return o.name == name; });
        if (known == program.options.end())
            return UsageError(program, "unknown option '" + std::string(arg) + "'", err);
        if (known->takesValue && !inlineValue && ++i >= argc)
            return UsageError(program, "option '" + std::string(arg) + "' needs a value", err);
    }
    if (program.maxOperands >= 0 && operands > program.maxOperands)
        return UsageError(program, "too many arguments", err);
    return std::nullopt;
}

}  // namespace cmdline
