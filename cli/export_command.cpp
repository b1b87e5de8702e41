#include "export_command.h"
#include "export_args.h"

#include <exporting/run_export.h>

#include <notes/contact_entries.h>
#include <notes/headless_views.h>

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
    void FlushLog() override { std::fflush(stdout); }
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

private:
    bool progress_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_, lastDraw_;
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

}  // namespace

int RunExport(const std::vector<std::string>& argv) {
    // Before any work: an interrupt while the database is read stops the
    // run as one during the export does (exit status 1), not by the signal.
    struct sigaction sa{};
    sa.sa_handler = OnSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);

    std::string error;
    auto parsed = ParseExportArgs(argv, &error);
    if (!parsed) return UsageError(error);
    ExportArgs& args = *parsed;
    exporting::ExportRequest& request = args.request;

    std::vector<notes::FolderRecord> records;
    notes::AnalysisOutcome outcome = notes::AnalyseDatabase(request.database, &records);
    if (outcome.result == notes::AnalysisResult::OpenFailed) {
        std::cerr << outcome.error << "\n";
        return kCannotOpen;
    }
    if (outcome.result == notes::AnalysisResult::NotContactDatabase) {
        std::cerr << notes::kNotContactFile << "\n";
        return kNotContacts;
    }
    auto findRecord = [&](const std::string& name) -> const notes::FolderRecord* {
        for (const auto& r : records)
            if (r.folderName == name) return &r;
        return nullptr;
    };

    if (args.selectedItems) {
        const notes::FolderRecord* listed = findRecord(args.folder);
        if (!listed) return UsageError("no folder named \"" + args.folder + "\"; the analysis found:" + FolderNames(records));
        const std::set<uint32_t> rows = notes::ContactEntries(request.database, listed->viewIndex);
        exporting::ListedEntries& selection = *request.listed;
        selection.viewIndex = listed->viewIndex;
        selection.folderName = listed->folderName;
        if (args.allItems) selection.entries = rows;
        for (uint32_t no : args.items) {
            if (!rows.count(no)) return UsageError("\"" + args.folder + "\" has no row whose NO is " + std::to_string(no));
            selection.entries.insert(no);
        }
    } else if (args.folders.empty()) {
        request.folders = records;
    } else {
        for (const auto& name : args.folders) {
            const notes::FolderRecord* r = findRecord(name);
            if (!r) return UsageError("no folder named \"" + name + "\"; the analysis found:" + FolderNames(records));
            request.folders.push_back(*r);
        }
    }

    request.databaseTitle = std::filesystem::path(request.database).stem().string();

    exporting::ExportOutcome result;
    {
        CliSink sink;
        result = exporting::RunExport(request, gStop, sink);
        std::fflush(stdout);
        const std::string notice = exporting::ClosingNotice(result);
        if ((result.end != exporting::ExportEnd::Completed || result.totals.failed > 0) && !notice.empty())
            std::cerr << notice << "\n";
        if (const std::string unrecorded = exporting::NotRecordedNotice(result); !unrecorded.empty())
            std::cerr << unrecorded << "\n";
    }
    const auto& t = result.totals;
    std::cout << exporting::CountsLine(t) << std::endl;
    switch (result.end) {
    case exporting::ExportEnd::BadOptions: return kUsage;
    case exporting::ExportEnd::DatabaseUnavailable:
        std::cerr << result.error << "\n";
        return kCannotOpen;
    case exporting::ExportEnd::DestinationUnusable:
        std::cerr << result.error << "\n";
        return kDestination;
    case exporting::ExportEnd::Stopped:
    case exporting::ExportEnd::DiskFull: return kSomeFailed;
    case exporting::ExportEnd::Completed: break;
    }
    return t.failed > 0 || result.notRecorded > 0 ? kSomeFailed : 0;
}

}  // namespace cli
