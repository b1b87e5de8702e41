// trellisgate: adds the Lotus Notes program directory to the current user's
// PATH in the Wine prefix named by $WINEPREFIX (default ~/.wine).
// Operands are ignored; --help and --version answer and end with 0, an
// unknown option ends with 2. Otherwise the exit code is 0 when done, 5 when
// access was denied, 1 for any other failure.
#include <trellisgate/path_setup.h>

#include <cmdline/standard_options.h>
#include <registry/wine_prefix.h>

#include <iostream>

namespace {

const cmdline::Program kProgram{"trellisgate", R"(Usage: trellisgate
Adds the Lotus Notes program folder, which the Notes installer recorded in the
registry (VDIR_INI under HKEY_CURRENT_USER\Software\Lotus\Notes\Installer),
to the PATH of the current user of the Wine prefix named by $WINEPREFIX
(default ~/.wine). On a prefix configured as Windows 95, 98 or Me it edits the
set PATH line of c:\autoexec.bat instead.

  --help     show this help and exit
  --version  show the version and exit

Exit status: 0 done (or the folder was already on the PATH); 1 failed (Notes
not installed, a damaged registry file, Wine running in the prefix, ...);
2 usage error; 5 access denied.
)"};

}  // namespace

int main(int argc, char** argv) {
    if (auto status = cmdline::AnswerStandardOptions(kProgram, argc, argv, std::cout, std::cerr)) return *status;
    trellisgate::ConsoleReporter report;
    return trellisgate::Run({registry::WinePrefixPath(), report});
}
