// ferrywell-cli: the converter's logic without a window, for scripts and tests.
//   ferrywell-cli analyse DB        folder records, then the analysis message
//   ferrywell-cli list DB FOLDER    the item list rows of one folder
//   ferrywell-cli export DB ...     the mailbox or selected-items export
// Exit codes: 0 done, 1 some contacts not written, 2 bad usage, 3 not a
// contact database, 4 cannot open or read (also when the file changes while
// it is listed), 5 destination or profile unusable, 6 an unexpected error.
#include "export_command.h"
#include "top_level.h"
#include "usage.h"

#include <base/backslash.h>
#include <base/file_size_limit.h>
#include <cmdline/standard_options.h>

#include <notes/headless_views.h>

#include <iostream>

namespace {

using cli::kCannotOpen;
using cli::kNotContacts;
using cli::kUsage;

int Usage() {
    std::cerr << cli::kUsageText;
    return kUsage;
}

int Analyse(notes::BrowseState& state, notes::HeadlessAnalysisView& view) {
    notes::AnalysisOutcome outcome = notes::AnalyseContactViews(state, view);
    switch (outcome.result) {
    case notes::AnalysisResult::OpenFailed:
        std::cerr << outcome.error << "\n";
        return kCannotOpen;
    case notes::AnalysisResult::NotContactDatabase:
        std::cerr << notes::kNotContactFile << "\n";
        return kNotContacts;
    default:
        return 0;
    }
}

}  // namespace

static int RunCommand(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            std::cout << cli::kUsageText << cli::kHelpText;
            return 0;
        }
    }
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "ferrywell-cli " << cmdline::Version() << "\n";
        return 0;
    }
    if (!args.empty() && args[0] == "export") return cli::RunExport({args.begin() + 1, args.end()});
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (!((command == "analyse" && argc == 3) || (command == "list" && argc == 4))) return Usage();

    notes::BrowseState state;
    state.databasePath.set(argv[2]);
    notes::HeadlessAnalysisView analysis(state);
    if (int code = Analyse(state, analysis); code != 0) return code;

    if (command == "analyse") {
        for (const auto& r : state.folders.Snapshot())
            std::cout << r.folderName << '\t' << r.folderPath << '\t' << r.viewIndex << '\n';
        for (const auto& m : analysis.messages) std::cout << m << '\n';
        return 0;
    }

    const std::string folder = argv[3];
    for (const auto& r : state.folders.Snapshot()) {
        if (r.folderName != folder) continue;
        notes::HeadlessListView list;
        notes::ListTreeFolder(state, list, r.treeItem);
        if (!list.failure.empty()) {
            std::cerr << list.failure << "\n";
            return kCannotOpen;
        }
        using base::BackslashEscaped;
        for (const auto& row : list.rows)
            std::cout << row.no << '\t' << row.viewIndex << '\t' << BackslashEscaped(row.fullName) << '\t'
                      << BackslashEscaped(row.firstName) << '\t' << BackslashEscaped(row.lastName) << '\t'
                      << BackslashEscaped(row.middleInitial) << '\t' << BackslashEscaped(row.mailAddress) << '\n';
        return 0;
    }
    std::cerr << "No folder named \"" << folder << "\"; the analysis found:";
    for (const auto& r : state.folders.Snapshot()) std::cerr << " \"" << r.folderName << "\"";
    std::cerr << "\n";
    return kUsage;
}

int main(int argc, char** argv) {
    base::FailWritesPastFileSizeLimit();
    return cli::RunTopLevel([&] { return RunCommand(argc, argv); });
}
