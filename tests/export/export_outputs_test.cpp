// File exports (MSG, renderings, PDF, vCard, CSV) read back by outside tools,
// and the rules of naming and filtering as a user meets them.
#include "export_fixture.h"

#include <support/temp_files.h>
#include <support/time_zone.h>

#include <csv_readers.h>

#include <mapi/contact.h>
#include <msg/msg_file.h>

#include <fstream>
#include <map>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;

namespace {

// A database whose contacts exercise the naming rules: entry i of the view
// "Contacts" (sorted by FullName) is the contact whose FullName starts with
// the letter 'a' + i.
std::string NamingDatabase() {
    using namespace testsupport;
    std::string cjk;
    for (int i = 0; i < 300; ++i) cjk += "\xE5\xB1\xB1";
    auto person = [](const std::string& full, const std::string& items) {
        return Person(Text("FullName", full) + items);
    };
    return Dxl(View("Contacts", "SELECT Form = \"Person\"",
                    "<column sort='ascending' itemname='FullName'/>") +
               person("a slash", Text("CompanyName", "Longer company") + Text("FirstName", "Longer first") + Text("LastName", "A/B: C?")) +
               person("b traversal", Text("CompanyName", "../x")) +
               person("c cjk", Text("CompanyName", "Longer company") + Text("FirstName", "Longer first") + Text("LastName", cjk)) +
               person("d none", Text("FirstName", "Zed")) +
               person("e control", Text("CompanyName", "a&#9;b")) +
               person("f long", Text("CompanyName", "Longer company") + Text("FirstName", "Longer first") +
                                   Text("LastName", std::string(240, 'L'))));
}

}  // namespace

TEST_F(ExportTest, FileKindsAreReadByOutsideTools) {
    ASSERT_TRUE(HaveTool("olefile") || HaveTool("python3"));
    for (OutputKind kind : {OutputKind::Msg, OutputKind::Vcf, OutputKind::Pdf, OutputKind::Csv, OutputKind::Html,
                            OutputKind::Txt, OutputKind::Rtf, OutputKind::Doc, OutputKind::Mhtml}) {
        SCOPED_TRACE(std::string(ModeString(kind)));
        const std::string dest = dir / ("Ausgabe-山田-" + std::string(ModeString(kind)));  // Unicode destination
        std::filesystem::create_directories(dest);
        ExportOutcome r = Mailbox(Options(kind, dest), Folders({"People", "By Category"}));
        ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
        EXPECT_EQ(r.totals.written, 69u + 72u);
        EXPECT_EQ(r.totals.failed, 0u);
        ASSERT_EQ(r.outputs.size(), 1u);
        const std::filesystem::path root = r.outputs[0];
        EXPECT_EQ(root.parent_path(), dest);
        EXPECT_EQ(root.filename().string().rfind("RecoverData", 0), 0u);
        EXPECT_TRUE(sink.Has("Create Directory:" + root.string()));
        EXPECT_EQ(sink.opened.back(), root.string());
        const auto files = FilesUnder(root);
        std::string out;
        if (kind == OutputKind::Csv) {
            ASSERT_EQ(files.size(), 2u);
            for (const char* folder : {"People", "By Category"}) {
                const std::string csv = (root / folder / (std::string(folder) + ".csv")).string();
                ASSERT_TRUE(std::filesystem::exists(csv)) << csv;
                // The header, then one record of 40 fields per contact, values whole.
                CsvRows rows;
                ASSERT_TRUE(ReadCsvWithPython(csv, &rows));
                ASSERT_EQ(rows.size(), 1u + (std::string(folder) == "People" ? 69u : 72u));
                EXPECT_EQ(rows[0][0], "FirstName");
                for (const auto& row : rows) EXPECT_EQ(row.size(), 40u);
            }
            continue;
        }
        EXPECT_EQ(files.size(), 69u + 72u);
        const std::string one = files.front().string();
        if (kind == OutputKind::Msg) {
            EXPECT_EQ(RunTool("/usr/bin/python3 -c \"import olefile,sys; o=olefile.OleFileIO(sys.argv[1]); assert o.exists('__properties_version1.0')\" " + Quote(one), &out), 0) << out;
            if (HaveTool("msgconvert")) {
                EXPECT_EQ(RunTool("cd " + Quote(dest) + " && msgconvert " + Quote(one), &out), 0) << out;
            }
        } else if (kind == OutputKind::Vcf) {
            std::string names;
            for (const auto& f : files) names += " " + Quote(f.string());
            EXPECT_EQ(RunTool("/usr/bin/python3 -c \"import vobject,sys\nfor p in sys.argv[1:]: vobject.readOne(open(p, encoding='utf-8').read()).fn.value\"" + names, &out), 0) << out;
        } else if (kind == OutputKind::Pdf) {
            ASSERT_EQ(RunTool("pdfinfo " + Quote(one), &out), 0) << out;
            EXPECT_NE(out.find("(A4)"), std::string::npos) << out;  // A4
            ASSERT_EQ(RunTool("pdftotext " + Quote(one) + " -", &out), 0);
            EXPECT_FALSE(out.empty());
        }
        sink.log.clear();
    }
}

TEST_F(ExportTest, SelectedFilesAreNamedWithTheEntryIndexAndStayInsideTheFolder) {
    const std::string db = dir / "名前 naming.dxl";  // Unicode database path
    std::ofstream(db, std::ios::binary) << NamingDatabase();
    Open(db);
    const std::string dest = dir / "sel";
    std::filesystem::create_directories(dest);
    ExportOptions o = Options(OutputKind::Msg, dest);
    ExportOutcome r = Selected(o, "Contacts", {0, 1, 2, 3, 4, 5});
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(r.totals.written, 6u);
    EXPECT_EQ(r.totals.failed, 0u);
    EXPECT_TRUE(std::filesystem::exists(dest + "/AB C0.msg"));
    EXPECT_TRUE(std::filesystem::exists(dest + "/..x1.msg"));
    EXPECT_TRUE(std::filesystem::exists(dest + "/None Subject3.msg"));
    EXPECT_TRUE(std::filesystem::exists(dest + "/ab4.msg"));
    EXPECT_TRUE(std::filesystem::exists(dest + "/" + std::string(50, 'L') + "5.msg"));
    EXPECT_TRUE(sink.Has("Export Items: a slash"));  // the display name, not the subject

    o.kind = OutputKind::Html;
    o.namingOn = true;
    o.naming = "Date+Subject";
    r = Selected(o, "Contacts", {0, 2});
    EXPECT_EQ(r.totals.written, 2u);
    EXPECT_TRUE(std::filesystem::exists(dest + "/A-B C--0.html"));  // the empty date leaves no " - "
    // Everything lies directly in the chosen folder, each name within 255 bytes.
    size_t n = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path())) {
        EXPECT_LE(e.path().filename().string().size(), 255u);
        if (e.is_regular_file() && e.path().parent_path() == dest) ++n;
    }
    EXPECT_EQ(n, 8u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path() / "out"));
}

TEST_F(ExportTest, AnExistingFileIsReplacedWholeAndEachContactStartsFresh) {
    const std::string dest = dir / "sel";
    std::filesystem::create_directories(dest);
    // Entry 8 of Contacts is renamed after the previous export of entry 0.
    ExportOptions o = Options(OutputKind::Msg, dest);
    ASSERT_EQ(Selected(o, "Contacts", {4}).totals.written, 1u);
    auto first = std::filesystem::directory_iterator(dest)->path();
    mapi::PropertyBag old = msg::ReadMsgFile(first.string());
    old.Set(mapi::InfoOf(mapi::ContactField::Spouse).key, std::string("Left over"));
    msg::WriteMsgFile(first.string(), old);
    ASSERT_EQ(Selected(o, "Contacts", {4}).totals.written, 1u);
    mapi::PropertyBag now = msg::ReadMsgFile(first.string());
    EXPECT_FALSE(now.Has(mapi::InfoOf(mapi::ContactField::Spouse).key)) << "properties of the old file survived";

    // A scratch temp.msg left by anything else lends nothing to rendered contacts.
    std::ofstream(dir / "scratch/temp.msg") << "not an MSG file";
    o.kind = OutputKind::Txt;
    ExportOutcome r = Selected(o, "Contacts", {4, 5});
    EXPECT_EQ(r.totals.written, 2u);
    EXPECT_EQ(r.totals.failed, 0u);
}

TEST_F(ExportTest, NoFileOfARunReplacesAnotherOfTheSameRun) {
    // Entry i of "Contacts" is the contact whose FullName is "p" and i in two
    // digits. "Ab1" at entry 1 and "Ab" at entry 11 both make Ab11.msg; "AB1"
    // at entry 3 and "ab" at entry 13 make names that differ only in case,
    // one file on a FAT or NTFS disk.
    using namespace testsupport;
    std::string people;
    for (int i = 0; i < 14; ++i) {
        const char* company = i == 1 ? "Ab1" : i == 11 ? "Ab" : i == 3 ? "AB1" : i == 13 ? "ab" : "Zed";
        people += Person(Text("FullName", (i < 10 ? "p0" : "p") + std::to_string(i)) + Text("CompanyName", company));
    }
    const std::string db = dir / "clash.dxl";
    std::ofstream(db, std::ios::binary) << Dxl(View("Contacts", "SELECT Form = \"Person\"", "<column sort='ascending' itemname='FullName'/>") + people);
    Open(db);
    const std::string dest = dir / "sel";
    std::filesystem::create_directories(dest);
    auto subject = [](const std::filesystem::path& file) {
        return msg::ReadMsgFile(file.string()).GetString(mapi::InfoOf(mapi::ContactField::Subject).key).value_or("");
    };
    for (int run = 0; run < 2; ++run) {
        ExportOutcome r = Selected(Options(OutputKind::Msg, dest), "Contacts", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13});
        EXPECT_EQ(r.totals.written, 14u);
        EXPECT_EQ(r.totals.failed, 0u);
        // A second run into the same folder replaces the first run's files.
        EXPECT_EQ(FilesUnder(dest, ".msg").size(), 14u) << "run " << run;
        EXPECT_EQ(subject(dest + "/Ab11.msg"), "Ab1");
        EXPECT_EQ(subject(dest + "/Ab11 (2).msg"), "Ab");
        EXPECT_EQ(subject(dest + "/AB13.msg"), "AB1");
        EXPECT_EQ(subject(dest + "/ab13 (2).msg"), "ab");
    }
    ExportOutcome r = Mailbox(Options(OutputKind::Msg), Folders({"Contacts"}));
    EXPECT_EQ(r.totals.written, 14u);
    EXPECT_EQ(FilesUnder(r.outputs.at(0), ".msg").size(), 14u);

    // A view and a folder of the same name share a directory and their
    // indexes: every kind of file would meet its twin there.
    std::ofstream(db, std::ios::binary) << Dxl(View("Contacts", "SELECT Form = \"Person\"") +
                                               View("Contacts", "SELECT Form = \"Person\"", "", "folder") +
                                               Person(Text("CompanyName", "Acme")) + Person(Text("CompanyName", "Bcme")));
    Open(db);
    r = Mailbox(Options(OutputKind::Html), Folders());
    EXPECT_EQ(r.totals.written, 4u);
    EXPECT_EQ(FilesUnder(r.outputs.at(0), ".html").size(), 4u);
}

// A contact under 20,000 categories of a categorized view is one file there
// (each copy would carry all 20,000), logged, the other listings skipped;
// one under three categories stays three files.
TEST_F(ExportTest, AContactUnderThousandsOfCategoriesIsWrittenOnceInTheView) {
    std::string dxl = ReadFile(std::string(FERRYWELL_SOURCE_DIR) + "/samples/fidelity.dxl");
    const std::string three = "<text>Business</text><text>Golf, Tennis</text><text>VIP</text>";
    const size_t at = dxl.find(three);
    ASSERT_NE(at, std::string::npos);
    std::string many;
    for (int i = 0; i < 20000; ++i) many += "<text>C" + std::to_string(i) + "</text>";
    dxl.replace(at, three.size(), many);
    const std::string db = dir.Write("categories.dxl", dxl);
    Open(db);
    ExportOutcome r = Mailbox(Options(OutputKind::Txt), Folders({"By Category"}));
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(sink.Count("Listed 20000 times in this view, under as many categories; written once: "), 1u);
    EXPECT_EQ(r.totals.skipped, 19999u);
    std::map<std::string, int> files;  // by the contact's base name
    for (const auto& f : FilesUnder(r.outputs.at(0), ".txt")) ++files[f.stem().string().substr(0, f.stem().string().find("--"))];
    EXPECT_EQ(files["Jane"], 1);
    EXPECT_EQ(r.totals.written, uint64_t(FilesUnder(r.outputs.at(0), ".txt").size()));

    Open(std::string(FERRYWELL_SOURCE_DIR) + "/samples/fidelity.dxl");
    r = Mailbox(Options(OutputKind::Txt), Folders({"By Category"}));
    EXPECT_EQ(sink.Count("Listed "), 1u);  // only the run before
    files.clear();
    for (const auto& f : FilesUnder(r.outputs.at(0), ".txt")) ++files[f.stem().string().substr(0, f.stem().string().find("--"))];
    EXPECT_EQ(files["Jane"], 3);
}

TEST_F(ExportTest, TheFilterExportsTheContactsChangedBetweenItsDates) {
    // The filter's dates are wall-clock time here; a document's <modified>
    // time, else its <created> time, is an instant.
    testsupport::ScopedTimeZone zone("Europe/Berlin");
    auto doc = [](const std::string& name, const std::string& times) {
        return "<document form='Person'><noteinfo noteid='1'>" + times + "</noteinfo>" + testsupport::Text("FullName", name) +
               "</document>\n";
    };
    auto at = [](const char* element, const char* dxl) {
        return std::string("<") + element + "><datetime>" + dxl + "</datetime></" + element + ">";
    };
    const std::string db = dir / "changed.dxl";
    std::ofstream(db, std::ios::binary) << testsupport::Dxl(
        View("Contacts", "SELECT Form = \"Person\"", "<column sort='ascending' itemname='FullName'/>") +
        doc("inside", at("created", "20090101T000000,00+00") + at("modified", "20110504T133000,00+01")) +
        doc("before", at("modified", "20100101T120000,00+00")) +
        doc("created inside", at("created", "20110510T090000,00+02")) +
        doc("no time", "") +
        doc("after here", at("modified", "20110531T233000,00-02")));  // 1 June, 04:30 in Berlin
    Open(db);
    ExportOptions o = Options(OutputKind::Csv);
    o.filterOn = true;
    o.filterStart = notes::ConvertString2Date("2011-05-01 00:00:00");
    o.filterEnd = notes::ConvertString2Date("2011-05-31 23:59:59");
    ExportOutcome r = Mailbox(o, Folders({"Contacts"}));
    EXPECT_EQ(r.totals.written, 2u);
    EXPECT_EQ(r.totals.skipped, 3u);
    EXPECT_EQ(sink.Count("Skip Message Dates Not match"), 3u);
    const auto csv = FilesUnder(r.outputs.at(0), ".csv");
    ASSERT_EQ(csv.size(), 1u);
    const std::string rows = testsupport::ReadFile(csv[0]);
    EXPECT_NE(rows.find(",inside,"), std::string::npos);
    EXPECT_NE(rows.find(",created inside,"), std::string::npos);
    EXPECT_EQ(rows.find("before"), std::string::npos);

    // The attachment test of the filter, on the sample: each test that
    // fails logs its line, in the colour of skips.
    Open(testsupport::SamplePath());
    sink.log.clear();
    o = Options(OutputKind::Html);
    o.filterOn = true;
    o.filterStart = notes::ConvertString2Date("2000-01-01 00:00:00");
    o.filterEnd = notes::ConvertString2Date("2030-01-01 00:00:00");
    o.requireAttachments = true;
    r = Mailbox(o, Folders({"Contacts"}));
    EXPECT_EQ(r.totals.written + r.totals.skipped, 69u);
    EXPECT_EQ(sink.Count("Skip Message Dates Not match"), 0u);
    EXPECT_EQ(sink.Count("Skip as Non Attachment Message"), r.totals.skipped);
    EXPECT_GT(r.totals.skipped, 60u);
    for (const auto& [text, colour] : sink.log) {
        if (text.rfind("Skip", 0) == 0) {
            EXPECT_EQ(colour, kColourSkip);
        }
    }
    // The store kinds ignore the filter.
    o.kind = OutputKind::Pst;
    EXPECT_EQ(Mailbox(o, Folders({"Contacts"})).totals.written, 69u);
}

TEST_F(ExportTest, AnUnusableDestinationIsReportedNotCelebrated) {
    // A file where the folder should be: no mode bits help here, so this
    // holds for every user.
    const std::string notADir = dir / "file";
    std::ofstream(notADir) << "x";
    for (OutputKind kind : {OutputKind::Html, OutputKind::Pst}) {
        sink.messages.clear();
        ExportOutcome r = Mailbox(Options(kind, notADir), Folders());
        EXPECT_EQ(r.end, ExportEnd::DestinationUnusable);
        EXPECT_FALSE(r.error.empty());
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_EQ(Selected(Options(kind, notADir), "Contacts", {1}).end, ExportEnd::DestinationUnusable);
    }
}
