// export_bench DB [PDF_COUNT] [--pst-only]: the mailbox and selected-items
// exports of the view "Contacts" of a generated database, every output kind,
// timed; the PST export against a read-only and a write-only pass of the same
// contacts in the same run (the export reads and writes at once, so it takes
// about as long as the slower of the two); a 5 MB split over 30,000 contacts.
// --pst-only stops after the PST passes. Exit 1 when a target is missed or a
// PST does not hold every contact.
#include "../contact_records.h"

#include <exporting/contact_item_fill.h>
#include <exporting/contact_map.h>
#include <exporting/run_export.h>
#include <notes/contact_entries.h>
#include <notes/headless_views.h>
#include <notes/open_view.h>
#include <notes/session.h>
#include <pst/pst_file.h>
#include <store/session.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using exporting::OutputKind;
using Clock = std::chrono::steady_clock;

namespace {

struct NullSink : exporting::ExportSink {
    void AppendToLog(const std::string&, uint32_t) override {}
    void SetProgress(uint64_t, uint64_t) override {}
};

bool gMissed = false;
double gCpu = 0;  // process CPU seconds of the last timed export

double CpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void Report(const char* what, uint64_t n, double secs, double target, bool atLeast = true) {
    double rate = n / secs;
    bool ok = atLeast ? rate >= target : secs <= target;
    if (!ok) gMissed = true;
    if (atLeast)
        std::printf("%-44s %8llu in %7.2f s = %8.0f /s, CPU %8.0f /s (target >= %.0f)%s\n", what, (unsigned long long)n, secs,
                    rate, gCpu > 0 ? n / gCpu : 0.0, target, ok ? "" : "  MISSED");
    else
        std::printf("%-44s %8llu in %7.2f s (target <= %.1f s)%s\n", what, (unsigned long long)n, secs, target, ok ? "" : "  MISSED");
    std::fflush(stdout);
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

long PeakRssMb() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024;
}

// Contacts in every folder of a PST, read back with the PST library.
uint64_t ContactsIn(const std::string& path) {
    auto file = pst::PstFile::Open(path, false);
    uint64_t n = 0;
    std::vector<pst::Nid> todo{file->IpmSubtree()};
    while (!todo.empty()) {
        pst::Nid f = todo.back();
        todo.pop_back();
        n += file->Messages(f).size();
        for (const auto& sub : file->Subfolders(f)) todo.push_back(sub.nid);
    }
    return n;
}

struct Bench {
    notes::BrowseState state;
    std::string title;  // the database's name
    notes::FolderRecord folder;
    fs::path work;
    std::atomic<int> stop{0};
    NullSink sink;

    exporting::ExportOptions Options(OutputKind kind, const std::string& sub) {
        fs::path dest = work / sub;
        fs::remove_all(dest);
        fs::create_directories(dest);
        exporting::ExportOptions o;
        o.kind = kind;
        o.destination = dest.string();
        return o;
    }
    exporting::ExportRequest Request(const exporting::ExportOptions& o) const {
        exporting::ExportRequest r;
        r.database = state.databasePath.get();
        r.databaseTitle = title;
        r.options = o;
        return r;
    }
    std::pair<exporting::ExportOutcome, double> Timed(const exporting::ExportRequest& request) {
        auto t = Clock::now();
        const double cpu = CpuSeconds();
        auto r = exporting::RunExport(request, stop, sink);
        gCpu = CpuSeconds() - cpu;
        return {r, Seconds(t)};
    }
    std::pair<exporting::ExportOutcome, double> Mailbox(const exporting::ExportOptions& o) {
        exporting::ExportRequest request = Request(o);
        request.folders = {folder};
        return Timed(request);
    }
    std::pair<exporting::ExportOutcome, double> Selected(const exporting::ExportOptions& o, const std::set<uint32_t>& rows) {
        exporting::ExportRequest request = Request(o);
        request.listed = exporting::ListedEntries{folder.viewIndex, folder.folderName, rows};
        return Timed(request);
    }
};

// Reads every contact of the view as the export does, writing nothing.
std::vector<exporting::ContactRecord> ReadPass(Bench& b, bool keep, double* secs) {
    std::vector<exporting::ContactRecord> out;
    auto t = Clock::now();
    notes::Session session;
    LNDatabase db;
    LNViewFolder view = notes::OpenViewOf(session.Api(), b.state.databasePath.get(), b.folder.viewIndex, db);
    ForEachContactRecord(view, [&](exporting::ContactRecord&& c) {
        if (keep) out.push_back(std::move(c));
    });
    db.Close();
    *secs = Seconds(t);
    return out;
}

// Writes the contacts into a new PST through the store session, reading nothing.
double WritePass(Bench& b, const std::vector<exporting::ContactRecord>& contacts) {
    fs::path dest = b.work / "write-only";
    fs::remove_all(dest);
    fs::create_directories(dest);
    auto t = Clock::now();
    store::Session session;
    session.Logon();
    session.CreateStore((dest / "w.pst").string(), "write-only");
    store::Folder f = session.EnsureFolderPath("\\\\write-only\\Contacts");
    auto last = Clock::now();
    for (const auto& c : contacts) {
        store::ContactItem item = f.GetItems().Add("IPM.Contact");
        exporting::SetContactItem(item, exporting::MapContact(c, c.hasSubject ? c.subject : std::string()));
        item.Save();
        if (Clock::now() - last > std::chrono::milliseconds(900)) {
            session.Flush();
            last = Clock::now();
        }
    }
    session.Logoff();
    return Seconds(t);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: export_bench DB [PDF_COUNT] [--pst-only]\n");
        return 2;
    }
    const bool pstOnly = std::string(argv[argc - 1]) == "--pst-only";
    const size_t pdfCount = argc > 2 && !(argc == 3 && pstOnly) ? std::strtoul(argv[2], nullptr, 10) : 2000;
    Bench b;
    b.work = fs::absolute(argv[1]).parent_path() / "export-bench";
    fs::remove_all(b.work);
    fs::create_directories(b.work / "cmd");
    ::setenv("FERRYWELL_PROFILE", (b.work / "profile").c_str(), 1);
    ::setenv("FERRYWELL_COMMAND_DIR", (b.work / "cmd").c_str(), 1);
    b.state.databasePath.set(argv[1]);
    b.title = fs::path(argv[1]).stem().string();
    {
        notes::HeadlessAnalysisView view(b.state);
        notes::AnalyseContactViews(b.state, view);
    }
    bool found = false;
    for (const auto& r : b.state.folders.Snapshot())
        if (r.folderName == "Contacts") b.folder = r, found = true;
    if (!found) {
        std::fprintf(stderr, "no Contacts view in %s\n", argv[1]);
        return 2;
    }
    std::set<uint32_t> rows;
    double readSecs = 0;
    {
        // Warm the document index, as every run after the first finds it.
        ReadPass(b, false, &readSecs);
    }

    // PST end to end first, so that its peak memory is the process's.
    auto [pst, pstSecs] = b.Mailbox(b.Options(OutputKind::Pst, "pst"));
    const long pstPeak = PeakRssMb();
    const uint64_t n = pst.totals.written;
    Report("mailbox pst, end to end", n, pstSecs, 10000);
    uint64_t readBack = pst.outputs.empty() ? 0 : ContactsIn(pst.outputs[0]);
    std::printf("%-44s %8ld MB (target < 300)%s\n", "  peak memory", pstPeak, pstPeak < 300 ? "" : "  MISSED");
    std::printf("%-44s %8llu of %llu%s\n", "  read back from the file", (unsigned long long)readBack, (unsigned long long)n,
                readBack == n && pst.totals.failed == 0 ? "" : "  MISSED");
    gMissed |= pstPeak >= 300 || readBack != n || pst.totals.failed != 0;

    double cpu = CpuSeconds();
    auto contacts = ReadPass(b, true, &readSecs);
    gCpu = CpuSeconds() - cpu;
    Report("  read-only pass", contacts.size(), readSecs, 0);
    cpu = CpuSeconds();
    const double writeSecs = WritePass(b, contacts);
    gCpu = CpuSeconds() - cpu;
    Report("  write-only pass", contacts.size(), writeSecs, 0);
    contacts.clear();
    contacts.shrink_to_fit();
    const double ratio = pstSecs / std::max(readSecs, writeSecs);
    std::printf("%-44s %8.2fx (sum %.2fx; target <= 1.1x)%s\n", "  end to end / slower of read-only, write-only", ratio,
                pstSecs / (readSecs + writeSecs), ratio <= 1.1 ? "" : "  MISSED");
    gMissed |= ratio > 1.1;
    if (pstOnly) {
        fs::remove_all(b.work);
        return gMissed ? 1 : 0;
    }

    // Rows of the list: every contact entry.
    rows = notes::ContactEntries(argv[1], b.folder.viewIndex);
    auto [selPst, selPstSecs] = b.Selected(b.Options(OutputKind::Pst, "sel-pst"), rows);
    Report("selected pst, every row", selPst.totals.written, selPstSecs, 10000);
    std::printf("%-44s %8.2fx (target <= 1.2x)%s\n", "  against the mailbox pst", selPstSecs / pstSecs, selPstSecs / pstSecs <= 1.2 ? "" : "  MISSED");
    gMissed |= selPstSecs / pstSecs > 1.2 || selPst.totals.written != rows.size();
    fs::remove_all(b.work / "pst");
    fs::remove_all(b.work / "sel-pst");
    fs::remove_all(b.work / "write-only");

    auto [msg, msgSecs] = b.Mailbox(b.Options(OutputKind::Msg, "msg"));
    Report("mailbox msg", msg.totals.written, msgSecs, 2000);
    fs::remove_all(b.work / "msg");
    auto [selMsg, selMsgSecs] = b.Selected(b.Options(OutputKind::Msg, "sel-msg"), rows);
    Report("selected msg, every row", selMsg.totals.written, selMsgSecs, 2000);
    std::printf("%-44s %8.2fx (target <= 1.2x)%s\n", "  against the mailbox msg", selMsgSecs / msgSecs, selMsgSecs / msgSecs <= 1.2 ? "" : "  MISSED");
    gMissed |= selMsgSecs / msgSecs > 1.2;
    fs::remove_all(b.work / "sel-msg");

    for (OutputKind kind : {OutputKind::Html, OutputKind::Txt, OutputKind::Rtf, OutputKind::Doc, OutputKind::Mhtml, OutputKind::Vcf}) {
        std::string mode(exporting::ModeString(kind));
        auto [r, secs] = b.Mailbox(b.Options(kind, mode));
        Report(("mailbox " + mode).c_str(), r.totals.written, secs, 5000);
        gMissed |= r.totals.failed != 0;
        fs::remove_all(b.work / mode);
    }
    auto [csv, csvSecs] = b.Mailbox(b.Options(OutputKind::Csv, "csv"));
    Report("mailbox csv (rows)", csv.totals.written, csvSecs, 3.0, false);
    fs::remove_all(b.work / "csv");

    std::set<uint32_t> some;
    for (uint32_t r : rows)
        if (some.size() < pdfCount) some.insert(r);
    auto [pdf, pdfSecs] = b.Selected(b.Options(OutputKind::Pdf, "pdf"), some);
    Report("selected pdf (first rows)", pdf.totals.written, pdfSecs, 100);
    fs::remove_all(b.work / "pdf");

    std::set<uint32_t> split;
    for (uint32_t r : rows)
        if (split.size() < 30000) split.insert(r);
    auto o = b.Options(OutputKind::Pst, "split");
    o.splitPst = true;
    o.splitSize = 5ull * 1024 * 1024;
    auto [parts, partSecs] = b.Selected(o, split);
    uint64_t total = 0;
    bool within = true;
    for (const auto& p : parts.outputs) {
        total += ContactsIn(p);
        within &= fs::file_size(p) <= o.splitSize;
    }
    std::printf("%-44s %8zu parts, %llu of %zu contacts, %s 5 MB, %.1f s%s\n", "split 5 MB", parts.outputs.size(),
                (unsigned long long)total, split.size(), within ? "each within" : "NOT all within", partSecs,
                within && total == split.size() && parts.outputs.size() > 1 ? "" : "  MISSED");
    gMissed |= !within || total != split.size();

    fs::remove_all(b.work);
    return gMissed ? 1 : 0;
}
