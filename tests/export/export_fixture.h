// Running the exports in tests: a recording sink, a private profile and
// command folder, and the analysis of a database into folder records.
#pragma once

#include "outside_readers.h"

#include <exporting/run_export.h>
#include <notes/headless_views.h>
#include <store/saved_journal.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

namespace exporttest {

struct RecordingSink : exporting::ExportSink {
    void AppendToLog(const std::string& text, uint32_t colour) override {
        std::lock_guard lock(mutex);
        log.emplace_back(text, colour);
        if (onLog) onLog(text);
    }
    void SetProgress(uint64_t done, uint64_t total) override { progress = {done, total}; }
    void SetTarget(const std::string& text) override { status.push_back(text); }
    // The notice a front end shows, as the dialogs and the command line derive it.
    void SetOutcome(const exporting::ExportOutcome& outcome) override {
        if (std::string notice = exporting::ClosingNotice(outcome); !notice.empty()) messages.push_back(notice);
    }

    // Log lines that start with prefix.
    size_t Count(const std::string& prefix) const {
        size_t n = 0;
        for (const auto& [t, c] : log) n += t.rfind(prefix, 0) == 0;
        return n;
    }
    bool Has(const std::string& text) const {
        for (const auto& [t, c] : log)
            if (t == text) return true;
        return false;
    }

    std::mutex mutex;
    std::vector<std::pair<std::string, uint32_t>> log;
    std::vector<std::string> status, messages, opened;
    std::pair<uint64_t, uint64_t> progress;
    std::function<void(const std::string&)> onLog;
};

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The output files below dir; each folder's record of what was written
// (the hidden journal) is not one.
inline std::vector<std::filesystem::path> FilesUnder(const std::filesystem::path& dir, const std::string& ext = "") {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file() && (ext.empty() || e.path().extension() == ext) &&
            e.path().filename() != store::kSavedJournalName)
            out.push_back(e.path());
    return out;
}

// What ferrywell-cli printed (standard error folded in) and its exit status.
struct CliRun {
    int code = -1;
    std::vector<std::string> lines;
    std::string Last() const { return lines.empty() ? std::string() : lines.back(); }
    size_t Count(const std::string& prefix) const {
        return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
    }
};

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() / "cmd");
        std::filesystem::create_directories(dir.Path() / "scratch");
        std::filesystem::create_directories(dir.Path() / "out");
        setenv("FERRYWELL_COMMAND_DIR", (dir.Path() / "cmd").c_str(), 1);
        setenv("FERRYWELL_PROFILE", (dir.Path() / "profile").c_str(), 1);
        Open(std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl");
    }
    void TearDown() override {
        unsetenv("FERRYWELL_COMMAND_DIR");
        unsetenv("FERRYWELL_PROFILE");
    }
    void Open(const std::string& db) {
        state = std::make_unique<notes::BrowseState>();
        state->databasePath.set(db);
        title = std::filesystem::path(db).stem().string();
        notes::HeadlessAnalysisView view(*state);
        notes::AnalyseContactViews(*state, view);
    }
    std::vector<notes::FolderRecord> Folders(std::initializer_list<const char*> names = {}) const {
        auto all = state->folders.Snapshot();
        if (names.size() == 0) return all;
        std::vector<notes::FolderRecord> out;
        for (const char* n : names)
            for (const auto& r : all)
                if (r.folderName == n) out.push_back(r);
        return out;
    }
    exporting::ExportOptions Options(exporting::OutputKind kind, const std::string& dest = "") const {
        exporting::ExportOptions o;
        o.kind = kind;
        o.destination = dest.empty() ? (dir.Path() / "out").string() : dest;
        return o;
    }
    // Opens a generated database of that many contacts; false when it cannot be made.
    bool OpenLarge(int contacts) {
        const std::string db = (dir.Path() / "large.dxl").string();
        const std::string make = testsupport::Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py");
        if (testsupport::RunTool("/usr/bin/python3 " + make + " " + std::to_string(contacts) + " " + testsupport::Quote(db)) != 0)
            return false;
        Open(db);
        return true;
    }
    // New PST files split at size.
    exporting::ExportOptions SplitPst(uint64_t size) const {
        exporting::ExportOptions o = Options(exporting::OutputKind::Pst);
        o.splitPst = true;
        o.splitSize = size;
        return o;
    }
    exporting::ExportOutcome Mailbox(const exporting::ExportOptions& o, std::vector<notes::FolderRecord> folders) {
        exporting::ExportRequest request = Request(o);
        request.folders = std::move(folders);
        return Run(request);
    }
    exporting::ExportOutcome Selected(const exporting::ExportOptions& o, const char* folder, std::set<uint32_t> entries) {
        exporting::ExportRequest request = Request(o);
        request.listed = exporting::ListedEntries{Folders({folder}).at(0).viewIndex, folder, std::move(entries)};
        return Run(request);
    }
    // The request for the open database with the given options.
    exporting::ExportRequest Request(const exporting::ExportOptions& o) const {
        exporting::ExportRequest request;
        request.database = state->databasePath.get();
        request.databaseTitle = title;
        request.options = o;
        return request;
    }
    // Runs the request; the folder a front end would show is recorded.
    exporting::ExportOutcome Run(const exporting::ExportRequest& request) {
        stop.store(0);  // what a stop test asked of the run before
        exporting::ExportOutcome outcome = exporting::RunExport(request, stop, sink);
        if (std::string folder = exporting::FinishedFolder(request, outcome); !folder.empty()) sink.opened.push_back(folder);
        return outcome;
    }
    std::string Out() const { return (dir.Path() / "out").string(); }
    // ferrywell-cli with args (after prefix, for the shell), in this test's
    // profile.
    CliRun Cli(const std::string& args, const std::string& prefix = "") {
        CliRun r;
        std::string out;
        r.code = testsupport::RunTool(prefix + testsupport::Quote(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli") + " " + args, &out);
        r.lines = Lines(out);
        return r;
    }

    testsupport::TempDir dir;
    std::unique_ptr<notes::BrowseState> state;
    std::string title;  // the open database's name
    std::atomic<int> stop{0};
    RecordingSink sink;
};

}  // namespace exporttest
