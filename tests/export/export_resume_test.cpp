// Resuming and updating an export ("Ignore already saved message",
// --skip-saved): a killed PST export finished without duplicates; a changed
// document replaced in place in every kind of output, each read back by its
// outside reader and compared with a fresh export of the same database;
// documents a view lists twice; rows a killed CSV run left unrecorded; the
// parts of a split export; and what belongs to others left alone.
#include "export_fixture.h"
#include "killed_export.h"

#include <platform/msg/support/msg_reader.h>
#include <support/temp_files.h>

#include <csv_readers.h>

#include <base/utf.h>
#include <exporting/naming.h>
#include <pst/pst_file.h>
#include <store/saved_items.h>
#include <store/saved_journal.h>
#include <store/session.h>

#include <chrono>
#include <fstream>
#include <set>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string kGroupsSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl";

// dxl with the document that holds marker changed: from replaced by to in it,
// and modified later.
std::string ChangeDocument(std::string dxl, const std::string& marker, const std::string& from, const std::string& to) {
    const size_t at = dxl.find(marker);
    EXPECT_NE(at, std::string::npos) << marker;
    const size_t start = dxl.rfind("<document", at), end = dxl.find("</document>", at);
    std::string doc = dxl.substr(start, end - start);
    doc.replace(doc.find(from), from.size(), to);
    const size_t modified = doc.find("<datetime", doc.find("<modified>"));
    const size_t text = doc.find('>', modified) + 1;
    doc.replace(text, doc.find('<', text) - text, "20300101T000000,00+00");
    return dxl.replace(start, end - start, doc);
}

// dxl with every document made unreadable on its own (an element of a
// namespace that only the database element declares), while indexing the
// file still reads each document's identity and the items views sort by.
std::string DamageEveryDocument(std::string dxl) {
    const size_t root = dxl.find("<database ") + std::string("<database").size();
    dxl.insert(root, " xmlns:q='urn:damaged'");
    for (size_t at = 0; (at = dxl.find("</noteinfo>", at)) != std::string::npos;) {
        at += std::string("</noteinfo>").size();
        dxl.insert(at, "<q:damaged/>");
    }
    // In UTF-16 a document read alone does not learn the database's prefixes.
    const size_t declared = dxl.find("encoding=");
    dxl.replace(declared + 10, 5, "utf-16");
    std::vector<uint8_t> utf16{0xFF, 0xFE};
    base::AppendUtf16Le(utf16, dxl);
    return std::string(utf16.begin(), utf16.end());
}

// The names of the lines of log that start with prefix, in order.
std::vector<std::string> Named(const std::vector<std::pair<std::string, uint32_t>>& log, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& [text, colour] : log)
        if (text.rfind(prefix, 0) == 0) out.push_back(text.substr(prefix.size()));
    return out;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    size_t at = 0;
    for (const auto& w : whole)
        if (at < part.size() && part[at] == w) ++at;
    return at == part.size();
}

// Every item below a store folder as pst-extractor reads it: display name and
// first e-mail address.
std::multiset<std::string> StoreHolding(const std::string& pst, const std::string& folder) {
    ExtractorView view = ReadWithPstExtractor(pst);
    EXPECT_EQ(view.exitCode, 0) << view.output;
    std::multiset<std::string> out;
    for (const auto& item : view.items) {
        if (item.folder != folder) continue;
        auto prop = [&](const char* key) { return item.props.count(key) ? item.props.at(key) : std::string(); };
        out.insert(prop("3001") + "|" + prop("lid:8083"));
    }
    return out;
}

// Every file of kind below dir as its reader sees it: an MSG file's display
// name and e-mail address (msgreader), a vCard's name and addresses
// (vobject), a CSV file's records (Python's csv, header lines included).
std::multiset<std::string> FileHolding(OutputKind kind, const std::string& dir) {
    std::multiset<std::string> out;
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file() && e.path().extension() == Extension(kind)) files.push_back(e.path().string());
    if (kind == OutputKind::Msg) {
        for (const auto& f : files) {
            ToolResult r = testsupport::RunMsgReader(f);
            EXPECT_EQ(r.exitCode, 0) << r.out;
            auto props = testsupport::ReaderProps(r.out);
            out.insert(props["3001"] + "|" + props["lid:8083"]);
        }
    } else if (kind == OutputKind::Vcf) {
        std::string args;
        for (const auto& f : files) args += " " + Quote(f);
        ToolResult r = RunPython(R"(
import sys, vobject
for p in sys.argv[1:]:
    c = vobject.readOne(open(p, encoding='utf-8').read())
    print(c.fn.value + '|' + ','.join(e.value for e in c.contents.get('email', [])))
)", args);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        for (const auto& line : Lines(r.out)) out.insert(line);
    } else {
        for (const auto& f : files) {
            CsvRows rows;
            EXPECT_TRUE(ReadCsvWithPython(f, &rows));
            for (const auto& row : rows) {
                std::string line;
                for (const auto& field : row) line += field + "|";
                out.insert(line);
            }
        }
    }
    return out;
}

size_t Containing(const std::multiset<std::string>& items, const std::string& text) {
    return size_t(std::count_if(items.begin(), items.end(), [&](const std::string& s) { return s.find(text) != std::string::npos; }));
}

class ResumeTest : public ExportTest {
protected:
    ExportOptions Resuming(OutputKind kind, const std::string& dest) const {
        ExportOptions o = Options(kind, dest);
        o.skipSaved = true;
        return o;
    }
    // A copy of the sample named like it (new PST files are named after the
    // file) with one person's address and one group's name changed.
    std::string ChangedGroupsSample() const {
        const std::string changed = ChangeDocument(ChangeDocument(ReadFile(kGroupsSample), "<text>Mia Schulz</text>",
                                                                  "mia@schulz.example", "mia.neu@schulz.example"),
                                                   "<text>Kreis A</text>", "Kreis A", "Kreis A neu");
        fs::create_directories(dir.Path() / "changed");
        return dir.Write("changed/groups.dxl", changed);
    }
    // The PST files of a folder.
    static std::vector<std::string> Psts(const std::string& folder) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".pst") out.push_back(e.path().string());
        return out;
    }
    // First e-mail addresses of every contact in every PST of folder.
    static std::multiset<std::string> AddressesIn(const std::string& folder) {
        std::multiset<std::string> out;
        for (const auto& pst : Psts(folder)) {
            ExtractorView view = ReadWithPstExtractor(pst);
            EXPECT_EQ(view.exitCode, 0) << view.output;
            for (const auto& item : view.items)
                if (item.props.count("lid:8083")) out.insert(item.props.at("lid:8083"));
        }
        return out;
    }
    std::string MakeLargeDxl(int count) const {
        const std::string db = dir / ("large-" + std::to_string(count) + ".dxl");
        EXPECT_EQ(RunTool("/usr/bin/python3 " + Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py") + " " +
                          std::to_string(count) + " " + Quote(db)),
                  0);
        return db;
    }
    // Stops the run once it has logged count "Export Items: " lines.
    void StopAfter(size_t count) {
        sink.onLog = [this, count](const std::string& text) {
            if (text.rfind("Export Items: ", 0) == 0 && sink.Count("Export Items: ") + 1 >= count) stop.store(1);
        };
    }
};

}  // namespace

TEST_F(ResumeTest, AKilledPstExportIsFinishedWithoutDuplicatesAndAThirdRunWritesNothing) {
    REQUIRE_TOOL("readpst");
    REQUIRE_TOOL("pffinfo");
    REQUIRE_TOOL("lspst");
    ASSERT_EQ(MissingNodeReaders(), "");
    constexpr size_t kContacts = 2000;
    const std::string db = MakeLargeDxl(kContacts);
    const std::string cli = Quote(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli");
    const std::string args = "export " + Quote(db) + " --as pst --folders Contacts --to " + Quote(Out());
    fs::create_directories(dir.Path() / "tmp");  // the killed run's scratch folder lands in ours
    const size_t committed =
        KillOnceCommitted("export TMPDIR=" + Quote(dir / "tmp") + "; exec " + cli + " " + args, Out(), kContacts / 5);
    ASSERT_GE(committed, kContacts / 5);
    ASSERT_LT(committed, kContacts) << "the export finished before it was killed";
    ASSERT_EQ(Psts(Out()).size(), 1u);
    // The killed export's file holds what it committed, for other readers too.
    std::string listed;
    ASSERT_EQ(RunTool("pffinfo " + Quote(Psts(Out()).at(0)), &listed), 0) << listed;
    ASSERT_EQ(RunTool("lspst " + Quote(Psts(Out()).at(0)), &listed), 0) << listed;
    EXPECT_EQ(size_t(std::count(listed.begin(), listed.end(), '\n')) - 1, committed);  // less the folder line

    CliRun resumed = Cli(args + " --skip-saved");
    ASSERT_EQ(resumed.code, 0) << resumed.Last();
    EXPECT_EQ(resumed.Count("Continue PST File :" + Psts(Out()).at(0)), 1u);
    EXPECT_EQ(resumed.Last(), "Written: " + std::to_string(kContacts - committed) + ", skipped: " + std::to_string(committed) +
                                  ", failed: 0");
    EXPECT_EQ(resumed.Count("Already saved: "), committed);
    ASSERT_EQ(Psts(Out()).size(), 1u);

    // Every contact exactly once, by its address, for both readers.
    const std::multiset<std::string> addresses = AddressesIn(Out());
    EXPECT_EQ(addresses.size(), kContacts);
    EXPECT_EQ(std::set<std::string>(addresses.begin(), addresses.end()).size(), kContacts);
    std::string out;
    fs::create_directories(dir.Path() / "readpst");
    ASSERT_EQ(RunTool("readpst -S -t c -o " + Quote(dir / "readpst") + " " + Quote(Psts(Out()).at(0)) + " >/dev/null", &out), 0) << out;
    std::multiset<std::string> read;
    for (const auto& e : fs::recursive_directory_iterator(dir / "readpst"))
        if (e.is_regular_file())
            for (const auto& line : Lines(ReadFile(e.path())))
                if (line.rfind("EMAIL:", 0) == 0) read.insert(line.substr(6));
    EXPECT_EQ(read, addresses);

    CliRun third = Cli(args + " --skip-saved");
    EXPECT_EQ(third.Last(), "Written: 0, skipped: " + std::to_string(kContacts) + ", failed: 0");
    EXPECT_EQ(CommittedContacts(Psts(Out()).at(0)), kContacts);
}

TEST_F(ResumeTest, AChangedDocumentReplacesItsItemInPlaceInEveryKind) {
    ASSERT_EQ(MissingNodeReaders(), "");
    const std::string changed = ChangedGroupsSample();
    // The person, and every list: their members are resolved through the
    // address book, which changed (CSV files hold no lists).
    const struct {
        OutputKind kind;
        uint64_t changedWritten;
    } cases[] = {{OutputKind::Pst, 11}, {OutputKind::Profile, 11}, {OutputKind::Msg, 11}, {OutputKind::Vcf, 11}, {OutputKind::Csv, 1}};
    for (const auto& c : cases) {
        const std::string mode(ModeString(c.kind));
        SCOPED_TRACE(mode);
        const bool profile = c.kind == OutputKind::Profile;
        const std::string resumed = profile ? "\\\\Personal Folders\\" + mode : Out() + "/" + mode;
        const std::string fresh = profile ? "\\\\Personal Folders\\" + mode + "-fresh" : Out() + "/" + mode + "-fresh";
        if (!profile) fs::create_directories(resumed), fs::create_directories(fresh);
        const uint64_t lists = c.kind == OutputKind::Csv ? 0 : 10;

        Open(kGroupsSample);
        ExportOutcome first = Mailbox(Options(c.kind, resumed), Folders({"Contacts"}));
        ASSERT_EQ(first.totals.written, 7 + lists);
        Open(changed);
        sink.log.clear();
        ExportOutcome second = Mailbox(Resuming(c.kind, resumed), Folders({"Contacts"}));
        EXPECT_EQ(second.end, ExportEnd::Completed) << second.error;
        EXPECT_EQ(second.totals.written, c.changedWritten);
        EXPECT_EQ(second.totals.skipped, 17 - c.changedWritten);
        EXPECT_EQ(second.totals.failed, 0u);
        EXPECT_EQ(sink.Count("Already saved: "), 7 + lists - c.changedWritten);
        for (const auto& [text, colour] : sink.log) {
            if (text.rfind("Already saved: ", 0) == 0) {
                EXPECT_EQ(colour, kColourSkip);
            }
        }
        EXPECT_EQ(second.outputs, first.outputs) << "the same PST or RecoverData directory";
        ExportOutcome third = Mailbox(Resuming(c.kind, resumed), Folders({"Contacts"}));
        EXPECT_EQ(third.totals.written, 0u);
        ASSERT_EQ(Mailbox(Options(c.kind, fresh), Folders({"Contacts"})).totals.written, 7 + lists);

        // What the resumed output holds is what a fresh export of the changed
        // database holds: every item once, the changed ones with their new values.
        std::multiset<std::string> held, expected;
        if (c.kind == OutputKind::Pst) {
            held = StoreHolding(first.outputs.at(0), "\\Top of Personal Folders\\Contacts");
            std::vector<std::string> psts = Psts(fresh);
            ASSERT_EQ(psts.size(), 1u);
            expected = StoreHolding(psts[0], "\\Top of Personal Folders\\Contacts");
            EXPECT_EQ(Psts(resumed).size(), 1u);
        } else if (profile) {
            store::Session session;
            session.Logon();
            const std::string pst = session.FindStore(store::kDefaultStoreName)->GetPath();
            session.Logoff();
            held = StoreHolding(pst, "\\Top of Personal Folders\\" + mode + "\\Contacts");
            expected = StoreHolding(pst, "\\Top of Personal Folders\\" + mode + "-fresh\\Contacts");
        } else {
            held = FileHolding(c.kind, resumed);
            expected = FileHolding(c.kind, fresh);
        }
        EXPECT_EQ(held, expected);
        EXPECT_EQ(held.size(), c.kind == OutputKind::Csv ? 8u : 17u);
        EXPECT_GE(Containing(held, "mia.neu@schulz.example"), 1u);  // the person, and the lists she is in
        EXPECT_EQ(Containing(held, "mia@schulz.example"), 0u);
        if (lists > 0) {
            EXPECT_EQ(Containing(held, "Kreis A neu|"), 1u);
            EXPECT_EQ(Containing(held, "Kreis A|"), 0u);
        }
    }
}

TEST_F(ResumeTest, AnUnchangedSavedContactIsLeftUnreadAndAGroupIsReadAgain) {
    // The sample's views sort by LastName and FirstName but not FullName: the
    // names come from the documents. With FullName sorted, the index keeps
    // every item a contact's name takes.
    const std::string sample = ReadFile(kGroupsSample);
    const std::string column = "itemname='FullName' width='24'";
    ASSERT_NE(sample.find(column), std::string::npos);
    std::string sorted = sample;
    sorted.insert(sorted.find(column), "sort='ascending' ");
    const struct {
        const char* variant;
        std::string dxl;
        bool namesIndexed;
    } variants[] = {{"names-in-documents", sample, false}, {"names-in-index", sorted, true}};
    for (const auto& v : variants) {
        fs::create_directories(dir.Path() / v.variant / "whole");
        fs::create_directories(dir.Path() / v.variant / "damaged");
        const std::string whole = dir.Write(std::string(v.variant) + "/whole/groups.dxl", v.dxl);
        const std::string damaged = dir.Write(std::string(v.variant) + "/damaged/groups.dxl", DamageEveryDocument(v.dxl));
        for (OutputKind kind : {OutputKind::Pst, OutputKind::Profile, OutputKind::Msg, OutputKind::Csv}) {
            const std::string mode(ModeString(kind));
            SCOPED_TRACE(std::string(v.variant) + " " + mode);
            const bool profile = kind == OutputKind::Profile, csv = kind == OutputKind::Csv;
            const std::string dest = profile ? "\\\\Personal Folders\\" + std::string(v.variant) + "-" + mode
                                             : Out() + "/" + v.variant + "-" + mode;
            if (!profile) fs::create_directories(dest);

            Open(whole);
            sink.log.clear();
            ASSERT_EQ(Mailbox(Options(kind, dest), Folders({"Contacts"})).totals.written, csv ? 7u : 17u);
            // A CSV file logs the lists it leaves out as skipped, not as exported.
            const std::vector<std::string> written = Named(sink.log, "Export Items: ");
            ASSERT_EQ(written.size(), csv ? 7u : 17u);

            // Unchanged: every contact and list is already saved, by the name
            // it was written with (CSV files hold no lists).
            sink.log.clear();
            ExportOutcome again = Mailbox(Resuming(kind, dest), Folders({"Contacts"}));
            EXPECT_EQ(again.totals.skipped, 17u);
            const std::vector<std::string> saved = Named(sink.log, "Already saved: ");
            if (csv) EXPECT_TRUE(saved.size() == 7u && IsSubsequence(saved, written));
            else EXPECT_EQ(saved, written);

            // Documents that cannot be read: each contact is still already
            // saved, never read; each group is read again, found unreadable,
            // and fails with the reason.
            Open(damaged);
            sink.log.clear();
            ExportOutcome unread = Mailbox(Resuming(kind, dest), Folders({"Contacts"}));
            EXPECT_EQ(unread.end, ExportEnd::Completed) << unread.error;
            EXPECT_EQ(unread.totals.written, 0u);
            EXPECT_EQ(unread.totals.failed, 10u);
            EXPECT_EQ(Named(sink.log, "Cannot read document ").size(), 10u);
            EXPECT_EQ(unread.totals.skipped, 7u) << "the groups were not read again";
            const std::vector<std::string> left = Named(sink.log, "Already saved: ");
            ASSERT_EQ(left.size(), 7u);
            for (const auto& [text, colour] : sink.log)
                if (text.rfind("Already saved: ", 0) == 0) {
                    EXPECT_EQ(colour, kColourSkip);
                }
            if (v.namesIndexed) {
                EXPECT_TRUE(IsSubsequence(left, written)) << "the names the contacts were written with";
            } else {
                // No name to be had: each goes by its universal id.
                for (const auto& name : left)
                    EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF"), std::string::npos) << name;
                for (const auto& name : left) EXPECT_EQ(name.size(), 32u) << name;
            }
        }
    }
}

// A rerun decides from the index what is saved before it reads anything: it
// says so first, opens only the documents it writes, and reading ahead gives
// what reading in turn gives.
TEST_F(ResumeTest, ARerunKnowsItsWorkFirstAndOpensOnlyWhatItWrites) {
    Open(MakeLargeDxl(300));
    std::vector<std::string> lines[2];
    for (bool readAhead : {false, true}) {
        SCOPED_TRACE(readAhead ? "reading ahead" : "reading in turn");
        ExportOptions o = Options(OutputKind::Pst, Out() + (readAhead ? "/ahead" : "/in-turn"));
        fs::create_directories(o.destination);
        StopAfter(120);
        const uint64_t saved = Mailbox(o, Folders({"Contacts"})).totals.written;
        ASSERT_GE(saved, 100u);
        ASSERT_LT(saved, 300u);
        sink.onLog = nullptr;
        o.skipSaved = true;
        ExportRequest request = Request(o);
        request.folders = Folders({"Contacts"});
        request.readAhead = readAhead;
        for (const uint64_t toWrite : {300 - saved, uint64_t(0)}) {
            sink.log.clear();
            const ExportOutcome rerun = Run(request);
            EXPECT_EQ(rerun.totals.written, toWrite);
            EXPECT_EQ(rerun.documentsOpened, toWrite) << "a saved document is not opened";
            const std::string summary = "To write: " + std::to_string(toWrite) + "; already saved: " +
                                        std::to_string(300 - toWrite) + " contacts";
            const std::vector<std::string> planned = Named(sink.log, "To write: ");
            ASSERT_EQ(planned.size(), 1u);
            EXPECT_EQ("To write: " + planned[0], summary);
            // Before the first contact's line.
            for (const auto& [text, colour] : sink.log) {
                if (text.rfind("Already saved: ", 0) == 0 || text.rfind("Export Items: ", 0) == 0) break;
                if (text == summary) lines[readAhead].push_back(text);
            }
            for (const char* prefix : {"Already saved: ", "Export Items: "})
                for (const std::string& name : Named(sink.log, prefix)) lines[readAhead].push_back(prefix + name);
        }
    }
    EXPECT_EQ(lines[1], lines[0]);
    EXPECT_EQ(lines[0].size(), 2u + 2 * 300);
}

TEST_F(ResumeTest, ADocumentAViewListsTwiceIsResumedAsOftenAsItIsListed) {
    ASSERT_EQ(MissingNodeReaders(), "");
    // "By Category" lists a contact once per category: 72 entries of 69 documents.
    for (OutputKind kind : {OutputKind::Pst, OutputKind::Vcf}) {
        const std::string mode(ModeString(kind));
        SCOPED_TRACE(mode);
        const std::string resumed = Out() + "/" + mode, fresh = Out() + "/" + mode + "-fresh";
        fs::create_directories(resumed);
        fs::create_directories(fresh);
        StopAfter(40);
        ExportOutcome first = Mailbox(Options(kind, resumed), Folders({"By Category"}));
        ASSERT_EQ(first.end, ExportEnd::Stopped);
        sink.onLog = nullptr;
        ExportOutcome second = Mailbox(Resuming(kind, resumed), Folders({"By Category"}));
        EXPECT_EQ(second.totals.skipped, first.totals.written);
        EXPECT_EQ(first.totals.written + second.totals.written, 72u);
        EXPECT_EQ(Mailbox(Options(kind, fresh), Folders({"By Category"})).totals.written, 72u);
        if (kind == OutputKind::Pst)
            EXPECT_EQ(StoreHolding(Psts(resumed).at(0), "\\Top of Personal Folders\\By Category"),
                      StoreHolding(Psts(fresh).at(0), "\\Top of Personal Folders\\By Category"));
        else
            EXPECT_EQ(FileHolding(kind, resumed), FileHolding(kind, fresh));
    }
}

TEST_F(ResumeTest, RowsAKilledCsvRunLeftUnrecordedAreCutAndWrittenOnce) {
    const std::string fresh = dir / "fresh";
    fs::create_directories(fresh);
    StopAfter(20);
    std::set<uint32_t> all;
    for (uint32_t i = 0; i < 69; ++i) all.insert(i);
    ExportOutcome first = Selected(Options(OutputKind::Csv), "Contacts", all);
    ASSERT_EQ(first.end, ExportEnd::Stopped);
    // A killed run wrote a row it never recorded, and half of the next.
    const std::string csv = Out() + "/Contacts.csv";
    std::ofstream(csv, std::ios::app | std::ios::binary) << "Zed,Zulu,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\r\nYan,\"Yi\r\nha";
    sink.onLog = nullptr;
    sink.log.clear();
    ExportOutcome second = Selected(Resuming(OutputKind::Csv, Out()), "Contacts", all);
    EXPECT_EQ(second.totals.written + first.totals.written, 69u);
    EXPECT_EQ(second.totals.skipped, first.totals.written);
    EXPECT_TRUE(sink.Has("Removed 2 lines not recorded as written from " + csv));
    ASSERT_EQ(Selected(Options(OutputKind::Csv, fresh), "Contacts", all).totals.written, 69u);
    // One header, every contact once: what a run without a break writes.
    EXPECT_EQ(FileHolding(OutputKind::Csv, Out()), FileHolding(OutputKind::Csv, fresh));
    EXPECT_EQ(Selected(Resuming(OutputKind::Csv, Out()), "Contacts", all).totals.written, 0u);

    // A row deleted in a spreadsheet: the table is written again whole, once.
    std::string table = ReadFile(csv);
    const size_t second_row = table.find("\r\n", table.find("\r\n") + 2) + 2;
    table.erase(second_row, table.find("\r\n", second_row) + 2 - second_row);
    std::ofstream(csv, std::ios::trunc | std::ios::binary) << table;
    EXPECT_EQ(Selected(Resuming(OutputKind::Csv, Out()), "Contacts", all).totals.written, 69u);
    EXPECT_EQ(FileHolding(OutputKind::Csv, Out()), FileHolding(OutputKind::Csv, fresh));
}

TEST_F(ResumeTest, ASplitExportContinuesItsLastPartAndCountsEveryPart) {
    ASSERT_EQ(MissingNodeReaders(), "");
    Open(MakeLargeDxl(2000));
    ExportOptions o = Options(OutputKind::Pst);
    o.splitPst = true;
    o.splitSize = 1536 * 1024;
    StopAfter(1200);
    ExportOutcome first = Mailbox(o, Folders({"Contacts"}));
    ASSERT_EQ(first.end, ExportEnd::Stopped);
    ASSERT_GE(first.outputs.size(), 2u);
    sink.onLog = nullptr;
    sink.log.clear();
    o.skipSaved = true;
    ExportOutcome second = Mailbox(o, Folders({"Contacts"}));
    EXPECT_EQ(second.totals.skipped, first.totals.written);
    EXPECT_EQ(first.totals.written + second.totals.written, 2000u);
    EXPECT_TRUE(sink.Has("Continue PST File :" + first.outputs.back()));
    const std::multiset<std::string> addresses = AddressesIn(Out());
    EXPECT_EQ(addresses.size(), 2000u);
    EXPECT_EQ(std::set<std::string>(addresses.begin(), addresses.end()).size(), 2000u);
    for (const auto& pst : Psts(Out())) EXPECT_LE(fs::file_size(pst), o.splitSize) << pst;
    EXPECT_EQ(Mailbox(o, Folders({"Contacts"})).totals.written, 0u);
}

TEST_F(ResumeTest, WhatOthersSavedIsLeftAsItIs) {
    ASSERT_EQ(MissingNodeReaders(), "");
    // A profile folder holding an item without our identity and one of
    // another database with the universal id of the sample's Jane Q Doe.
    const std::string unid = "E2644FFD678BD6D0914AB48684E6B676";
    ASSERT_NE(ReadFile(testsupport::SamplePath()).find("unid='" + unid + "'"), std::string::npos);
    {
        store::Session session;
        session.Logon();
        store::Items items = session.EnsureFolderPath("\\\\Personal Folders\\Shared\\Contacts").GetItems();
        store::ContactItem plain = items.Add("IPM.Contact");
        plain.Set(mapi::ContactField::Email1Address, "plain@elsewhere.example");
        plain.Save();
        store::ContactItem other = items.Add("IPM.Contact");
        other.Set(mapi::ContactField::Email1Address, "other@elsewhere.example");
        store::SetSourceIdentity(other, {"replica:0000000000000001", unid, mapi::FileTime{1}, 1});
        other.Save();
        session.Logoff();
    }
    for (int run = 0; run < 2; ++run) {
        ExportOutcome r = Mailbox(Resuming(OutputKind::Profile, "\\\\Personal Folders\\Shared"), Folders({"Contacts"}));
        EXPECT_EQ(r.totals.written, run == 0 ? 69u : 0u);
    }
    store::Session session;
    session.Logon();
    const std::string pst = session.FindStore(store::kDefaultStoreName)->GetPath();
    session.Logoff();
    const std::multiset<std::string> held = StoreHolding(pst, "\\Top of Personal Folders\\Shared\\Contacts");
    EXPECT_EQ(held.size(), 71u);
    EXPECT_EQ(Containing(held, "|plain@elsewhere.example"), 1u);
    EXPECT_EQ(Containing(held, "|other@elsewhere.example"), 1u);

    // A PST and a RecoverData directory of another database are not continued.
    Open(kGroupsSample);
    ASSERT_EQ(Mailbox(Options(OutputKind::Pst), Folders({"Contacts"})).totals.written, 17u);
    ASSERT_EQ(Mailbox(Options(OutputKind::Vcf), Folders({"Contacts"})).totals.written, 17u);
    const std::string otherPst = Psts(Out()).at(0);
    fs::rename(otherPst, Out() + "/names-Corvane-1.pst");  // named as the sample's would be
    std::string otherDir;
    for (const auto& e : fs::directory_iterator(Out()))
        if (e.is_directory()) otherDir = e.path().string();
    const auto before = FileHolding(OutputKind::Vcf, otherDir);
    Open(testsupport::SamplePath());
    sink.log.clear();
    ExportOutcome pstRun = Mailbox(Resuming(OutputKind::Pst, Out()), Folders({"Contacts"}));
    EXPECT_EQ(pstRun.totals.written, 69u);
    EXPECT_TRUE(sink.Has("Not continued: " + Out() + "/names-Corvane-1.pst: it holds no item of this database"));
    EXPECT_NE(pstRun.outputs.at(0), Out() + "/names-Corvane-1.pst");
    ExportOutcome vcfRun = Mailbox(Resuming(OutputKind::Vcf, Out()), Folders({"Contacts"}));
    EXPECT_EQ(vcfRun.totals.written, 69u);
    EXPECT_TRUE(sink.Has("Not continued: " + otherDir + ": it holds no vcf file of this database"));
    EXPECT_NE(vcfRun.outputs.at(0), otherDir);
    EXPECT_EQ(FileHolding(OutputKind::Vcf, otherDir), before);
}

TEST_F(ResumeTest, AFolderWhoseRecordCannotBeReadIsNotWrittenTwice) {
    const std::string list = Out() + "/list";
    fs::create_directories(list);
    ASSERT_EQ(Selected(Options(OutputKind::Html, list), "Contacts", {0, 1, 2}).totals.written, 3u);
    std::ofstream(list + "/" + store::kSavedJournalName, std::ios::trunc) << "ferrywell-saved 9\n";  // a later version's
    ExportOutcome skipping = Selected(Resuming(OutputKind::Html, list), "Contacts", {0, 1, 2});
    EXPECT_EQ(skipping.totals.failed, 3u);
    EXPECT_EQ(sink.Count("Cannot read what was saved in " + list), 1u);
    // Without the check the export goes on, only unrecorded.
    ExportOutcome plain = Selected(Options(OutputKind::Html, list), "Contacts", {0, 1, 2});
    EXPECT_EQ(plain.totals.written, 3u);
    EXPECT_EQ(sink.Count("Cannot record what was written in " + list), 1u);
    EXPECT_EQ(ReadFile(list + "/" + store::kSavedJournalName), "ferrywell-saved 9\n");
}

TEST_F(ResumeTest, ADocumentWithoutUniversalIdIsWrittenEachTime) {
    using namespace testsupport;
    const std::string db = dir / "partly.dxl";
    std::ofstream(db, std::ios::binary) << Dxl(View("Contacts", "SELECT Form = \"Person\"") +
                                               Person(Text("CompanyName", "Known"), "Person", "0123456789ABCDEF0123456789ABCDEF") +
                                               Person(Text("CompanyName", "Nameless")));
    Open(db);
    for (int run = 0; run < 2; ++run) {
        sink.log.clear();
        ExportOutcome r = Mailbox(Resuming(OutputKind::Html, Out()), Folders({"Contacts"}));
        EXPECT_EQ(r.totals.written, run == 0 ? 2u : 1u);
        EXPECT_EQ(sink.Count("Already saved: "), run == 0 ? 0u : 1u);
        EXPECT_EQ(sink.Count("Documents without a universal id cannot be recognised as saved"), 1u);
    }
}

TEST_F(ResumeTest, APstIsFoundByItsDatabaseWhateverItsNameAndPlace) {
    ASSERT_EQ(MissingNodeReaders(), "");
    const std::string first = Out() + "/first";
    fs::create_directories(first);
    const ExportOutcome made = Mailbox(Options(OutputKind::Pst, first), Folders({"Contacts"}));
    ASSERT_EQ(made.totals.written, 69u);
    const std::string pstName = fs::path(made.outputs.at(0)).filename().string();
    const std::multiset<std::string> held = StoreHolding(made.outputs.at(0), "\\Top of Personal Folders\\Contacts");

    // The database exported again to a DXL file of another name (the same replica id).
    fs::create_directories(dir.Path() / "renamed");
    const std::string renamedDxl = dir / "renamed/contacts-2024.dxl";
    fs::copy_file(testsupport::SamplePath(), renamedDxl);
    Open(renamedDxl);
    const ExportOutcome renamed = Mailbox(Resuming(OutputKind::Pst, first), Folders({"Contacts"}));
    EXPECT_EQ(renamed.outputs, made.outputs);
    EXPECT_EQ(renamed.totals.written, 0u);
    EXPECT_EQ(renamed.totals.skipped, 69u);

    // The destination moved elsewhere: the profile's entry follows the file.
    const std::string moved = Out() + "/moved";
    fs::rename(first, moved);
    const ExportOutcome after = Mailbox(Resuming(OutputKind::Pst, moved), Folders({"Contacts"}));
    EXPECT_EQ(after.outputs, std::vector<std::string>{moved + "/" + pstName});
    EXPECT_EQ(after.totals.written, 0u);
    EXPECT_EQ(after.totals.skipped, 69u);
    ASSERT_EQ(Psts(moved).size(), 1u);
    EXPECT_EQ(StoreHolding(Psts(moved).at(0), "\\Top of Personal Folders\\Contacts"), held);

    // A copy beside the original cannot join the profile under the same name:
    // the run says so and fails, rather than write every contact again.
    const std::string copy = Out() + "/copy";
    fs::copy(moved, copy);
    const std::string before = ReadFile(copy + "/" + pstName);
    const CliRun refused = Cli("export " + Quote(renamedDxl) + " --as pst --folders Contacts --to " + Quote(copy) + " --skip-saved");
    EXPECT_EQ(refused.code, 5);
    EXPECT_EQ(refused.Count("The earlier export in " + copy + "/" + pstName + " cannot be continued: "), 2u)
        << "the log and standard error";
    EXPECT_EQ(refused.Count("Written: 0, skipped: 0, failed: 0"), 1u);
    EXPECT_EQ(Psts(copy).size(), 1u);
    EXPECT_EQ(ReadFile(copy + "/" + pstName), before);
}

TEST_F(ResumeTest, ADamagedItemOfOursIsReplacedOnceAndNamed) {
    REQUIRE_TOOL("pffinfo");
    ASSERT_EQ(MissingNodeReaders(), "");
    const ExportOutcome made = Mailbox(Options(OutputKind::Pst), Folders({"Contacts"}));
    ASSERT_EQ(made.totals.written, 69u);
    const std::string pst = made.outputs.at(0);
    const std::string folder = "\\Top of Personal Folders\\Contacts";
    const std::multiset<std::string> held = StoreHolding(pst, folder);
    ASSERT_EQ(held.size(), 69u);

    // One byte of one contact's properties changed: its block's checksum no
    // longer matches, every page of the file still does.
    const std::string address = "bart.kent@acme.example";
    ASSERT_EQ(Containing(held, "|" + address), 1u);
    std::string bytes = ReadFile(pst);
    auto placeOf = [&](const std::string& text) {
        std::vector<uint8_t> utf16;
        base::AppendUtf16Le(utf16, text);
        return bytes.find(std::string(utf16.begin(), utf16.end()));
    };
    const size_t at = placeOf(address);
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'X';
    // Another contact's item with a wrong heap signature, which readers
    // that ignore checksums read past too: the block that holds its address
    // is found by going back from the address to its start (blocks start on
    // 64 bytes).
    auto blockOf = [&](const std::string& text) {
        size_t block = placeOf(text);
        if (block == std::string::npos) return block;
        for (block -= block % 64; !(uint8_t(bytes[block + 2]) == 0xEC && uint8_t(bytes[block + 3]) == 0xBC); block -= 64)
            if (block == 0) return std::string::npos;
        return block;
    };
    const size_t marked = blockOf("emma.garcia@acme.example");
    ASSERT_NE(marked, std::string::npos);
    bytes[marked + 2] = 0;
    std::ofstream(pst, std::ios::binary | std::ios::trunc) << bytes;

    sink.log.clear();
    const ExportOutcome resumed = Mailbox(Resuming(OutputKind::Pst, Out()), Folders({"Contacts"}));
    EXPECT_EQ(resumed.outputs, made.outputs);
    EXPECT_EQ(resumed.totals.written, 2u);
    EXPECT_EQ(resumed.totals.skipped, 67u);
    const std::string store = fs::path(pst).stem().string();
    EXPECT_EQ(sink.Count("Damaged item in \\\\" + store + "\\Contacts: replaced by a new copy"), 2u);
    EXPECT_EQ(sink.Count("Unreadable item"), 0u);
    std::string out;
    EXPECT_EQ(RunTool("pffinfo " + Quote(pst), &out), 0) << out;
    EXPECT_EQ(Mailbox(Resuming(OutputKind::Pst, Out()), Folders({"Contacts"})).totals.skipped, 69u);

    // An item that cannot be read at all, its list of allocations gone: whose
    // it is cannot be told, so it is named, left as it is, and its contact is
    // written again.
    bytes = ReadFile(pst);
    const size_t gone = blockOf("jane.doe@acme.example");
    ASSERT_NE(gone, std::string::npos);
    bytes[gone] = bytes[gone + 1] = char(0xFF);
    std::ofstream(pst, std::ios::binary | std::ios::trunc) << bytes;
    sink.log.clear();
    const ExportOutcome again = Mailbox(Resuming(OutputKind::Pst, Out()), Folders({"Contacts"}));
    EXPECT_EQ(again.totals.written, 1u);
    EXPECT_EQ(again.totals.skipped, 68u);
    EXPECT_EQ(sink.Count("Unreadable item 0x"), 1u);
    for (const auto& [text, colour] : sink.log)
        if (text.rfind("Unreadable item 0x", 0) == 0) {
            EXPECT_NE(text.find(" in \\\\" + store + "\\Contacts: left as it is"), std::string::npos) << text;
            EXPECT_EQ(colour, kColourError);
        }
}
