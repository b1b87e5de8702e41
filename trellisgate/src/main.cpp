// trellisgate: adds the Lotus Notes program directory to the current user's
// PATH in the Wine prefix named by $WINEPREFIX (default ~/.wine).
// Arguments are ignored. Exit code 0 when done, 5 when access was denied,
// 1 for any other failure.
#include <trellisgate/path_setup.h>

#include <registry/wine_prefix.h>

int main() {
    trellisgate::ConsoleReporter report;
    return trellisgate::Run({registry::WinePrefixPath(), report});
}
