#include "export_command.h"
#include "export_args.h"

#include <notes/headless_views.h>
#include <notes/open_view.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace cli {

namespace {

std::atomic<int> gStop{0};

extern "C" void OnSignal(int) { gStop.store(1); }

// Log lines to stdout; a progress line on stderr when it is a terminal.
class CliSink : public exporting::ExportSink {
public:
    CliSink() : progress_(::isatty(STDERR_FILENO) == 1), start_(std::chrono::steady_clock::now()) {}
    ~CliSink() override {
        if (drawn_) std::fputs("\r\033[K", stderr);
    }
    void AppendToLog(const std::string& text, uint32_t) override {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    }
    void SetFolderStatus(const std::string&) override {}
    void SetButtonText(const std::string&) override {}
    void SetProgress(uint64_t done, uint64_t total) override {
        if (!progress_) return;
        auto now = std::chrono::steady_clock::now();
        if (now - lastDraw_ < std::chrono::milliseconds(200) && done != total) return;
        lastDraw_ = now;
        double secs = std::chrono::duration<double>(now - start_).count();
        double rate = secs > 0 ? double(done) / secs : 0;
        double left = rate > 0 ? double(total - std::min(done, total)) / rate : 0;
        std::fflush(stdout);
        std::fprintf(stderr, "\r\033[K%llu of %llu contacts, %.0f/s, %.0f s left", (unsigned long long)done,
                     (unsigned long long)total, rate, left);
        drawn_ = true;
    }
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void OpenFolder(const std::string&) override {}

    std::vector<std::string> messages;

private:
    bool progress_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_, lastDraw_;
};

// A private scratch folder, removed with what is in it at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "ferrywell-cli-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

int UsageError(const std::string& text) {
    std::cerr << "ferrywell-cli export: " << text << "\n(ferrywell-cli --help shows the usage)\n";
    return kUsage;
}

std::string FolderNames(const std::vector<notes::FolderRecord>& records) {
    std::string out;
    for (const auto& r : records) out += " \"" + r.folderName + "\"";
    return out;
}

// The entry indexes of the view that have a document: the "NO" of the item list's rows.
std::set<uint32_t> RowNumbers(const std::string& db, uint32_t viewIndex) {
    std::set<uint32_t> rows;
    LNNotesSession session;
    if (session.Initialize(300, 0, nullptr, 1, nullptr) != LNNOERROR) return rows;
    LNSetThrowAllErrorsGlobal(1);
    LNDatabase database;
    try {
        LNViewFolder view = notes::OpenViewOf(session, db, viewIndex, database);
        const size_t count = view.GetEntryCount();
        for (size_t e = 0; e < count; ++e) {
            if (!view[e].IsCategory()) rows.insert(uint32_t(e));
        }
    } catch (LNSTATUS) {
    }
    database.Close();
    session.Term(0);
    return rows;
}

}  // namespace

int RunExport(const std::vector<std::string>& argv) {
    std::string error;
    auto parsed = ParseExportArgs(argv, &error);
    if (!parsed) return UsageError(error);
    ExportArgs& args = *parsed;

    notes::FerrywellState state;
    state.strFileDir.set(args.database);
    state.SourceFileName.set(std::filesystem::path(args.database).stem().string());
    notes::HeadlessAnalysisView analysis(state);
    notes::AnalysisOutcome outcome = notes::AnalysisNSFFILE(state, analysis);
    if (outcome.result == notes::AnalysisResult::OpenFailed) {
        std::cerr << outcome.error << "\n";
        return kCannotOpen;
    }
    if (outcome.result == notes::AnalysisResult::NotContactDatabase) {
        std::cerr << notes::kNotContactFile << "\n";
        return kNotContacts;
    }
    const std::vector<notes::FolderRecord> records = state.ptrNSFTreeFolderStructure.Snapshot();
    auto findRecord = [&](const std::string& name) -> const notes::FolderRecord* {
        for (const auto& r : records)
            if (r.folderName == name) return &r;
        return nullptr;
    };

    std::vector<notes::FolderRecord> folders;
    const notes::FolderRecord* listed = nullptr;
    std::set<uint32_t> entries;
    if (args.selectedItems) {
        listed = findRecord(args.folder);
        if (!listed) return UsageError("no folder named \"" + args.folder + "\"; the analysis found:" + FolderNames(records));
        std::set<uint32_t> rows = RowNumbers(args.database, listed->viewIndex);
        if (args.allItems) entries = rows;
        for (uint32_t no : args.items) {
            if (!rows.count(no)) return UsageError("\"" + args.folder + "\" has no row whose NO is " + std::to_string(no));
            entries.insert(no);
        }
    } else if (args.folders.empty()) {
        folders = records;
    } else {
        for (const auto& name : args.folders) {
            const notes::FolderRecord* r = findRecord(name);
            if (!r) return UsageError("no folder named \"" + name + "\"; the analysis found:" + FolderNames(records));
            folders.push_back(*r);
        }
    }

    ScratchFolder scratch;
    if (scratch.Path().empty()) {
        std::cerr << "ferrywell-cli export: cannot make a scratch folder in " << std::filesystem::temp_directory_path() << "\n";
        return kDestination;
    }
    state.tempFilePath.set(scratch.Path());
    // Command files of the companion program stay private to this run.
    if (!std::getenv("FERRYWELL_COMMAND_DIR")) ::setenv("FERRYWELL_COMMAND_DIR", scratch.Path().c_str(), 1);

    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);

    exporting::ExportOutcome result;
    {
        CliSink sink;
        if (args.selectedItems)
            result = exporting::SaveData(state, args.options, listed->viewIndex, listed->folderName, entries, gStop, sink);
        else
            result = exporting::SaveMailBox(state, args.options, folders, gStop, sink);
        std::fflush(stdout);
        if (result.end != exporting::ExportEnd::Completed || result.totals.failed > 0)
            for (const auto& m : sink.messages) std::cerr << m << "\n";
    }
    const auto& t = result.totals;
    std::cout << "Written: " << t.written << ", skipped: " << t.skipped << ", failed: " << t.failed << std::endl;
    switch (result.end) {
    case exporting::ExportEnd::BadOptions: return kUsage;
    case exporting::ExportEnd::DatabaseUnavailable:
        std::cerr << result.error << "\n";
        return kCannotOpen;
    case exporting::ExportEnd::DestinationUnusable:
        std::cerr << result.error << "\n";
        return kDestination;
    case exporting::ExportEnd::Stopped: return kSomeFailed;
    case exporting::ExportEnd::Completed: break;
    }
    return t.failed > 0 ? kSomeFailed : 0;
}

}  // namespace cli
