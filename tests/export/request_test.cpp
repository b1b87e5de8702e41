// The export request as the dialogs and the command line build it: its one
// check, the split sizes of each place a size is chosen, and what a front
// end derives from an outcome.
#include <exporting/run_export.h>

#include <gtest/gtest.h>

using namespace exporting;

namespace {

ExportRequest TreeRequest(OutputKind kind) {
    ExportRequest r;
    r.database = "/nowhere/names.dxl";
    r.options.kind = kind;
    r.options.destination = "/nowhere/out";
    return r;
}

ExportRequest ListRequest(OutputKind kind) {
    ExportRequest r = TreeRequest(kind);
    r.listed = ListedEntries{3, "Contacts", {0, 1}};
    return r;
}

struct Recorder : ExportSink {
    void AppendToLog(const std::string& text, uint32_t colour) override { log.emplace_back(text, colour); }
    void SetProgress(uint64_t, uint64_t) override {}
    void SetOutcome(const ExportOutcome&) override { ++outcomes; }
    std::vector<std::pair<std::string, uint32_t>> log;
    int outcomes = 0;
};

}  // namespace

TEST(ExportRequest, TheCheckNamesTheFirstProblem) {
    using P = RequestProblem;
    struct Case {
        const char* what;
        ExportRequest request;
        P problem;
    };
    std::vector<Case> cases;
    for (OutputKind kind : {OutputKind::Pst, OutputKind::Profile, OutputKind::Msg, OutputKind::Html, OutputKind::Txt,
                            OutputKind::Doc, OutputKind::Rtf, OutputKind::Mhtml, OutputKind::Pdf, OutputKind::Vcf,
                            OutputKind::Csv}) {
        cases.push_back({"tree export", TreeRequest(kind), P::None});
        const bool listable = kind != OutputKind::Doc && kind != OutputKind::Mhtml;
        cases.push_back({"list export", ListRequest(kind), listable ? P::None : P::KindNotAllowed});
    }
    auto with = [](ExportRequest r, auto change) {
        change(r);
        return r;
    };
    cases.push_back({"both selections", with(ListRequest(OutputKind::Msg), [](auto& r) { r.folders.resize(1); }), P::TwoSelections});
    cases.push_back({"no destination", with(TreeRequest(OutputKind::Msg), [](auto& r) { r.options.destination.clear(); }), P::NoDestination});
    cases.push_back({"DOC to no destination", with(ListRequest(OutputKind::Doc), [](auto& r) { r.options.destination.clear(); }), P::KindNotAllowed});
    cases.push_back({"naming", with(TreeRequest(OutputKind::Msg), [](auto& r) { r.options.namingOn = true; r.options.naming = "Date+Subject"; }), P::None});
    cases.push_back({"unknown naming", with(TreeRequest(OutputKind::Msg), [](auto& r) { r.options.namingOn = true; r.options.naming = "Whatever"; }), P::UnknownNaming});
    cases.push_back({"unknown naming, off", with(TreeRequest(OutputKind::Msg), [](auto& r) { r.options.naming = "Whatever"; }), P::None});
    cases.push_back({"split PST", with(ListRequest(OutputKind::Pst), [](auto& r) { r.options.splitPst = true; }), P::None});
    cases.push_back({"split HTML", with(TreeRequest(OutputKind::Html), [](auto& r) { r.options.splitPst = true; }), P::SplitWithoutPst});
    cases.push_back({"split profile", with(TreeRequest(OutputKind::Profile), [](auto& r) { r.options.splitPst = true; }), P::SplitWithoutPst});
    cases.push_back({"split of 0 bytes", with(TreeRequest(OutputKind::Pst), [](auto& r) { r.options.splitPst = true; r.options.splitSize = 0; }), P::NoSplitSize});
    cases.push_back({"filter", with(TreeRequest(OutputKind::Html), [](auto& r) {
                         r.options.filterOn = true;
                         r.options.filterStart = r.options.filterEnd = notes::ConvertString2Date("2020-01-01 00:00:00");
                     }), P::None});
    cases.push_back({"filter without dates", with(TreeRequest(OutputKind::Html), [](auto& r) { r.options.filterOn = true; }), P::BadFilterDates});
    for (const Case& c : cases) {
        const RequestCheck check = CheckRequest(c.request);
        EXPECT_EQ(check.problem, c.problem) << c.what << " " << ModeString(c.request.options.kind) << ": " << check.text;
        EXPECT_EQ(check.Ok(), check.text.empty()) << c.what;
    }
    EXPECT_EQ(CheckRequest(ListRequest(OutputKind::Mhtml)).text, "the selected-items export has no kind mhtml");
}

TEST(ExportRequest, ARunRefusesARequestWithAProblemBeforeMakingAnything) {
    ExportRequest r = ListRequest(OutputKind::Doc);
    std::atomic<int> stop{1};
    Recorder sink;
    const ExportOutcome out = RunExport(r, stop, sink);
    EXPECT_EQ(out.end, ExportEnd::BadOptions);
    EXPECT_EQ(out.error, CheckRequest(r).text);
    ASSERT_EQ(sink.log.size(), 1u);
    EXPECT_EQ(sink.log[0], std::make_pair(out.error, kColourError));
    EXPECT_EQ(sink.outcomes, 1);
    EXPECT_EQ(stop.load(), 1);  // a stop made before the run is the caller's to clear
    EXPECT_EQ(ClosingNotice(out), "");
}

TEST(SplitSize, EachPlaceKeepsItsRule) {
    // The tree export's list: entry n is n + 1 GiB; nothing chosen, the last.
    const std::pair<int, uint64_t> choices[] = {{0, kGiB}, {1, 2 * kGiB}, {4, 5 * kGiB}, {-1, 5 * kGiB}, {5, 5 * kGiB}};
    for (const auto& [index, size] : choices) EXPECT_EQ(SplitChoiceSize(index), size) << index;
    // The list export's box: megabytes, at least five.
    const std::pair<uint64_t, uint64_t> boxes[] = {{0, 5 * kMiB}, {2, 5 * kMiB}, {5, 5 * kMiB}, {12, 12 * kMiB}};
    for (const auto& [mb, size] : boxes) EXPECT_EQ(SplitMegabytesSize(mb), size) << mb;
    // The command line: the list's texts, or digits with a unit.
    const std::pair<const char*, std::optional<uint64_t>> texts[] = {
        {"1GB", kGiB}, {"5GB", 5 * kGiB}, {"3gb", 3 * kGiB}, {"12MB", 12 * kMiB}, {"1536KB", 1536 * kKiB},
        {"3TB", std::nullopt}, {"GB", std::nullopt}, {"", std::nullopt}, {"0MB", std::nullopt},
        {"12", std::nullopt}, {"-1GB", std::nullopt}, {"1 GB", std::nullopt}, {"1GB ", std::nullopt},
        {"1234567890123KB", std::nullopt},  // 13 digits
        {"999999999999GB", std::nullopt},   // more than 64 bits
        {"17179869183GB", 17179869183ull * kGiB},
        {"17179869184GB", std::nullopt},
    };
    for (const auto& [text, size] : texts) EXPECT_EQ(ParseSplitSize(text), size) << text;
}

TEST(ExportOutcome, FrontEndsDeriveTheirNoticeAndFolderFromIt) {
    ExportOutcome done;
    done.outputs = {"/out/RecoverData1234"};
    done.totals.written = 7;
    ExportOutcome failed = done;
    failed.totals.failed = 2;
    ExportOutcome stopped = done;
    stopped.end = ExportEnd::Stopped;
    stopped.totals = {3, 1, 1};
    stopped.notReached = 15;
    ExportOutcome full = stopped;
    full.end = ExportEnd::DiskFull;
    full.fullDisk = "/out/RecoverData1234/Contacts/Acme7.vcf";
    ExportOutcome logon;
    logon.end = ExportEnd::DestinationUnusable;
    logon.logonFailed = true;
    ExportOutcome unusable;
    unusable.end = ExportEnd::DestinationUnusable;
    unusable.error = "Cannot create the PST file /o/a.pst: The destination folder is not writable: /o";
    ExportOutcome noDb;
    noDb.end = ExportEnd::DatabaseUnavailable;
    noDb.error = "Cannot open the database /x.dxl: no such file";
    ExportOutcome refused;
    refused.end = ExportEnd::BadOptions;
    // The command line's notice stays as it was; the window's message says
    // how every run ended and gives the counts.
    struct Case {
        const char* what;
        ExportOutcome outcome;
        ExportRequest request;
        std::string notice, message, folder;
    } cases[] = {
        {"tree, files", done, TreeRequest(OutputKind::Html), "Conversion Completed Successfully!",
         "Conversion Completed Successfully!\n\nWritten: 7, skipped: 0, failed: 0", "/out/RecoverData1234"},
        {"tree, stopped", stopped, TreeRequest(OutputKind::Csv), "Conversion stopped by the user: 3 contacts written, 17 not written.",
         "Conversion stopped by the user: 3 contacts written, 17 not written.\n\nWritten: 3, skipped: 1, failed: 1",
         "/out/RecoverData1234"},
        {"tree, disk full", full, TreeRequest(OutputKind::Vcf),
         "The disk is full: " + full.fullDisk + ". 3 contacts written, 17 not written.",
         "The disk is full: " + full.fullDisk + ". 3 contacts written, 17 not written.\n\nWritten: 3, skipped: 1, failed: 1",
         "/out/RecoverData1234"},
        {"tree, some failed", failed, TreeRequest(OutputKind::Msg),
         "Conversion finished, but 2 contacts were not written. See the log.",
         "Conversion finished, but 2 contacts were not written. See the log.\n\nWritten: 7, skipped: 0, failed: 2",
         "/out/RecoverData1234"},
        {"tree, PST", done, TreeRequest(OutputKind::Pst), "Conversion Completed Successfully!",
         "Conversion Completed Successfully!\n\nWritten: 7, skipped: 0, failed: 0", ""},
        {"list, files", done, ListRequest(OutputKind::Html), "Conversion Completed Successfully!",
         "Conversion Completed Successfully!\n\nWritten: 7, skipped: 0, failed: 0", ""},
        {"logon refused", logon, TreeRequest(OutputKind::Profile), "Unable to login outlook session!",
         "Unable to login outlook session!\n\nWritten: 0, skipped: 0, failed: 0", ""},
        {"destination unusable", unusable, TreeRequest(OutputKind::Html), "",
         "Conversion failed, nothing was written: " + unusable.error + "\n\nWritten: 0, skipped: 0, failed: 0", ""},
        {"database unavailable", noDb, ListRequest(OutputKind::Html), "",
         "Conversion failed, nothing was written: " + noDb.error + "\n\nWritten: 0, skipped: 0, failed: 0", ""},
        {"refused request", refused, ListRequest(OutputKind::Html), "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClosingNotice(c.outcome), c.notice) << c.what;
        EXPECT_EQ(EndOfRunMessage(c.outcome), c.message) << c.what;
        EXPECT_EQ(FinishedFolder(c.request, c.outcome), c.folder) << c.what;
    }
    ExportOutcome one;
    one.end = ExportEnd::Stopped;
    one.totals.written = 1;
    EXPECT_EQ(EndOfRunMessage(one), "Conversion stopped by the user: 1 contact written, 0 not written.\n\nWritten: 1, skipped: 0, failed: 0");
}
