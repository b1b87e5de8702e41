// Groups exported as distribution lists: ferrywell-cli export over the groups
// sample, each output read back by a reader that knows lists, and the counts
// and log lines a script sees.
#include "export_fixture.h"

#include <support/sanitizer_build.h>
#include <support/temp_files.h>

#include <mapi/distribution_list.h>
#include <mapi/one_off_entry_id.h>
#include <store/saved_journal.h>
#include <store/session.h>

#include <sys/resource.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;

namespace {

const std::string kEffi = "Effi Hoffmann <effi.hoffmann@offizin.example>", kMia = "Mia Schulz <mia@schulz.example>",
                  kJonas = "Jonas Weber <jonas.weber@offizin.example>",
                  kZoe = "Zo\xC3\xAB \xC3\x84mtler <zoe.aemtler@offizin.example>";

// What each group of the sample resolves to, one "Name <address>" (or the
// name alone) per member; the 5,000 members of "Grosser Verteiler" are
// checked apart.
const std::map<std::string, std::vector<std::string>> kGroups = {
    {"Newsletter", {kEffi, "reader@elsewhere.example <reader@elsewhere.example>", "Jonas Weber <JONAS.WEBER@offizin.example>"}},
    {"Setzerei", {kEffi, kJonas, kZoe}},
    {"Lektorat", {kEffi, kMia, "Ana Costa"}},
    {"Alle", {kEffi, kJonas, kZoe, kMia, "Ana Costa"}},
    {"Ringelreihen", {kMia}},
    {"Kreis A", {kMia, kEffi}},
    {"Kreis B", {kEffi, kMia}},
    {"Unbekannt", {"Nobody Known/Nowhere", "Lukas Brandt", kEffi}},
    {"Leer", {}},
};
constexpr size_t kPeople = 7, kLists = 10;
// Members kept by name or left out: one log line each.
constexpr size_t kMemberNotes = 7;

std::string Line(const mapi::OneOffRecipient& r) {
    return r.address.empty() ? r.displayName : r.displayName + " <" + r.address + ">";
}

std::vector<std::string> MemberLines(const mapi::MultiBinary& oneOffs) {
    std::vector<std::string> out;
    for (const auto& v : oneOffs) out.push_back(Line(mapi::DecodeOneOffEntryId(v).value_or(mapi::OneOffRecipient{"?", "?", "?"})));
    return out;
}

class ListExport : public ExportTest {
protected:
    // An export of db (the groups sample when empty) with the given options.
    CliRun Export(const std::string& options, const std::string& db = "") {
        return Cli("export " + Quote(db.empty() ? kSample : db) + " " + options);
    }
    // The "NO" of each group's row in the listed Contacts view, by ListName.
    std::map<std::string, std::string> GroupRows() {
        CliRun list = Cli("list " + Quote(kSample) + " Contacts");
        EXPECT_EQ(list.code, 0);
        std::map<std::string, std::string> out;
        for (const auto& row : list.lines) {
            std::vector<std::string> f;
            std::istringstream in(row);
            for (std::string field; std::getline(in, field, '\t');) f.push_back(field);
            if (f.size() >= 3 && (kGroups.count(f[2]) || f[2] == "Grosser Verteiler")) out[f[2]] = f[0];
        }
        return out;
    }
    std::string To() const { return " --to " + Quote(Out()); }

    const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl";
};

}  // namespace

TEST_F(ListExport, PstHoldsEveryGroupAsAListThatReadersExpand) {
    ASSERT_EQ(MissingNodeReaders(), "");
    REQUIRE_TOOL("pffexport");
    CliRun log = Export("--as pst --folders Contacts" + To());
    ASSERT_EQ(log.code, 0) << log.Last();
    EXPECT_EQ(log.Last(), "Written: 17, skipped: 0, failed: 0");
    EXPECT_EQ(log.Count("Export Items: "), kPeople + kLists);
    for (const auto& [name, members] : kGroups) EXPECT_EQ(log.Count("Export Items: " + name), 1u) << name;
    EXPECT_EQ(log.Count("Group \""), kMemberNotes);
    EXPECT_EQ(log.Count("Group \"Unbekannt\": member \"CN=Nobody Known/O=Nowhere\" is not a person or group"), 1u);
    EXPECT_EQ(log.Count("Group \"Ringelreihen\": member \"Ringelreihen\" contains the group itself"), 1u);

    std::string pst;
    for (const auto& e : std::filesystem::directory_iterator(Out())) pst = e.path().string();
    ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    std::map<std::string, std::map<std::string, std::string>> lists;
    size_t contacts = 0;
    for (const auto& item : view.items) {
        const std::string& cls = item.props.at("001a");
        if (cls == "IPM.Contact") {
            ++contacts;
            // A group is no contact: every contact is one of the people.
            EXPECT_FALSE(item.props.count("lid:8053"));
            EXPECT_FALSE(item.props.at("3001").empty());
        } else {
            EXPECT_EQ(cls, "IPM.DistList");
            lists[item.props.at("3001")] = item.props;
        }
    }
    EXPECT_EQ(contacts, kPeople);
    ASSERT_EQ(lists.size(), kLists);
    for (const auto& [name, members] : kGroups) {
        SCOPED_TRACE(name);
        const auto& props = lists.at(name);
        EXPECT_EQ(props.at("lid:8053"), name);
        const mapi::MultiBinary oneOffs = SplitPstMultiBinary(BytesFromHex(props.at("lid:8054")));
        EXPECT_EQ(MemberLines(oneOffs), members);
        EXPECT_EQ(SplitPstMultiBinary(BytesFromHex(props.at("lid:8055"))), oneOffs);
        EXPECT_EQ(uint32_t(std::stol(props.at("lid:804c"))), mapi::DistributionListChecksum(oneOffs));
    }
    EXPECT_EQ(lists.at("Unbekannt").at("1000"), "Members nobody has");  // the description is the body

    // The 5,000 members travel in the list stream; pffexport reads it.
    std::vector<PffItem> items = PffExportItems(pst, dir.Path().string());
    EXPECT_EQ(items.size(), kPeople + kLists);
    const PffItem* big = nullptr;
    for (const auto& i : items)
        if (i.Text(0x3001) == "Grosser Verteiler") big = &i;
    ASSERT_TRUE(big && big->values.count(0x8064));
    const mapi::Binary& stream = big->values.at(0x8064);
    auto entries = mapi::DecodeDistributionListStream(stream.data(), stream.size());
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 5000u);
    EXPECT_EQ(Line(*mapi::DecodeOneOffEntryId(entries->front().oneOff)), "leser0000@verteiler.example <leser0000@verteiler.example>");
    EXPECT_EQ(Line(*mapi::DecodeOneOffEntryId((*entries)[501].oneOff)), kEffi);
}

TEST_F(ListExport, TickedGroupsBecomeMsgListsNamedAfterTheirListName) {
    const std::map<std::string, std::string> rows = GroupRows();
    ASSERT_EQ(rows.size(), kLists);  // each group's row shows its ListName
    std::string items = "0";          // a person as well
    for (const auto& [name, no] : rows) items += "," + no;
    CliRun log = Export("--as msg --folder Contacts --items " + items + To());
    ASSERT_EQ(log.code, 0) << log.Last();
    EXPECT_EQ(log.Last(), "Written: 11, skipped: 0, failed: 0");
    EXPECT_EQ(log.Count("Group \""), kMemberNotes);

    // olefile: the class, the name and the one-off members of each file.
    std::string files;
    for (const auto& [name, no] : rows) files += " " + Quote(Out() + "/" + name + no + ".msg");
    auto r = RunPython(R"(
import sys, olefile, struct
for path in sys.argv[1:]:
    ole = olefile.OleFileIO(path)
    text = lambda s: ole.openstream(s).read().decode('utf-16-le')
    tags = {}
    entries = ole.openstream('__nameid_version1.0/__substg1.0_00030102').read()
    for i in range(0, len(entries), 8):
        lid, kind, index = struct.unpack('<IHH', entries[i:i + 8])
        if not kind & 1: tags[lid] = 0x8000 + index
    members = '__substg1.0_%04X1102' % tags.get(0x8054, 0)
    count = len(ole.openstream(members).read()) // 8 if ole.exists(members) else 'stream'
    print(text('__substg1.0_001A001F'), text('__substg1.0_3001001F'), count, sep='|')
)", files);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    std::vector<std::string> expected;
    for (const auto& [name, no] : rows)
        expected.push_back("IPM.DistList|" + name + "|" + (kGroups.count(name) ? std::to_string(kGroups.at(name).size()) : "stream"));
    EXPECT_EQ(Lines(r.out), expected);
}

TEST_F(ListExport, VCardsOfGroupsAreEvolutionContactLists) {
    CliRun log = Export("--as vcf --folders Contacts" + To());
    ASSERT_EQ(log.code, 0) << log.Last();
    EXPECT_EQ(log.Last(), "Written: 17, skipped: 0, failed: 0");
    std::string files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Out()))
        if (e.is_regular_file() && e.path().filename() != store::kSavedJournalName) files += " " + Quote(e.path().string());
    auto r = RunPython(R"(
import sys, gi
gi.require_version('EBookContacts', '1.2')
from gi.repository import EBookContacts as E
for path in sys.argv[1:]:
    c = E.Contact.new_from_vcard(open(path, encoding='utf-8').read())
    if c.get_property('list'):
        print(c.get_property('full-name'), len(c.get_attributes(E.ContactField.EMAIL)), sep='|')
    else:
        print('contact')
)", files);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    std::vector<std::string> shown = Lines(r.out), expected;
    for (const auto& [name, members] : kGroups) expected.push_back(name + "|" + std::to_string(members.size()));
    expected.push_back("Grosser Verteiler|5000");
    expected.insert(expected.end(), kPeople, "contact");
    std::sort(shown.begin(), shown.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(shown, expected);
}

TEST_F(ListExport, RenderingsShowTheNameDescriptionAndEveryMember) {
    const std::string no = GroupRows().at("Unbekannt");
    const char* kHtmlText = "/usr/bin/python3 -c 'import sys,html,re,email,email.policy; d=open(sys.argv[1],\"rb\").read();"
                            " t=next(email.message_from_bytes(d, policy=email.policy.default).iter_parts()).get_content() if sys.argv[1].endswith(\"mhtml\") else d.decode();"
                            " print(html.unescape(re.sub(\"<[^>]*>\", \"\\n\", t)))' \"$1\"";
    // Each kind's file as text (a PDF's NFKC-normalised: the fonts join "ffi"
    // into one glyph); DOC and MHTML are for the tree export only.
    const struct {
        const char* kind;
        const char* toText;  // a command that prints the file named by $1 as text
        bool tree;
    } cases[] = {
        {"txt", "cat \"$1\"", false},     {"html", kHtmlText, false},         {"mhtml", kHtmlText, true},
        {"rtf", "unrtf --text \"$1\"", false}, {"doc", "unrtf --text \"$1\"", true}, {"pdf", "pdftotext -enc UTF-8 \"$1\" - | /usr/bin/python3 -c \"import sys,unicodedata; print(unicodedata.normalize('NFKC', sys.stdin.read()))\"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        CliRun log = Export(std::string("--as ") + c.kind + (c.tree ? " --folders Contacts" : " --folder Contacts --items " + no) + To());
        ASSERT_EQ(log.code, 0) << log.Last();
        EXPECT_EQ(log.Last(), c.tree ? "Written: 17, skipped: 0, failed: 0" : "Written: 1, skipped: 0, failed: 0");
        std::string file;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Out()))
            if (e.path().filename() == "Unbekannt--" + no + "." + c.kind) file = e.path().string();
        ASSERT_FALSE(file.empty());
        std::string text;
        ASSERT_EQ(RunTool("sh -c " + Quote(c.toText) + " sh " + Quote(file), &text), 0) << text;
        for (const std::string& shown : {std::string("Unbekannt"), std::string("Members nobody has"), std::string("Nobody Known/Nowhere"),
                                         std::string("Lukas Brandt"), kEffi})
            EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    }
}

TEST_F(ListExport, CsvSkipsEachGroupWithALineAndCountsItSkipped) {
    CliRun log = Export("--as csv --folders Contacts" + To());
    ASSERT_EQ(log.code, 0) << log.Last();
    EXPECT_EQ(log.Last(), "Written: 7, skipped: 10, failed: 0");
    EXPECT_EQ(log.Count("Skip Group \""), kLists);
    EXPECT_EQ(log.Count("Skip Group \"Leer\": a CSV file holds contacts only"), 1u);
    EXPECT_EQ(log.Count("Export Items: "), 7u);  // the contacts alone: a skipped list is not exported
    EXPECT_EQ(log.Count("Group \""), 0u);  // nothing is resolved for a list that is not written
    std::string csv, out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Out()))
        if (e.path().extension() == ".csv") csv = e.path().string();
    ASSERT_EQ(RunTool("/usr/bin/python3 -c \"import csv,sys; print(len(list(csv.reader(open(sys.argv[1], encoding='utf-8', newline=''))))-1)\" " + Quote(csv), &out), 0) << out;
    EXPECT_EQ(std::stoi(out), int(kPeople));
}

TEST_F(ListExport, StoreListsSplitAcrossPartsAndReachTheProfile) {
    // 12 lists of 300 members each, about 40 KB a list: several parts of 1 MB.
    std::string body = testsupport::View("Contacts", "SELECT Form = \"Person\" | Form = \"Group\"") +
                       testsupport::Person(testsupport::Text("FullName", "Only Person") +
                                               testsupport::Text("MailAddress", "only@person.example"));
    for (int g = 0; g < 12; ++g) {
        std::string members;
        for (int m = 0; m < 300; ++m) members += "<text>m" + std::to_string(m) + ".g" + std::to_string(g) + "@lists.example</text>";
        body += testsupport::Person(testsupport::Text("ListName", "List " + std::to_string(g)) +
                                            "<item name='Members'><textlist>" + members + "</textlist></item>",
                                        "Group");
    }
    const std::string db = dir / "lists.dxl";
    std::ofstream(db, std::ios::binary) << testsupport::Dxl(body);
    Open(db);
    ExportOptions o = Options(OutputKind::Pst);
    o.splitPst = true;
    o.splitSize = 1024 * 1024;
    ExportOutcome r = Mailbox(o, Folders({"Contacts"}));
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(r.totals.written, 13u);
    EXPECT_EQ(r.totals.failed, 0u);
    ASSERT_GE(r.outputs.size(), 2u);
    std::map<std::string, int> seen;
    for (size_t part = 0; part < r.outputs.size(); ++part) {
        EXPECT_LE(std::filesystem::file_size(r.outputs[part]), o.splitSize);
        const std::filesystem::path work = dir / ("part" + std::to_string(part));
        std::filesystem::create_directories(work);
        for (const PffItem& item : PffExportItems(r.outputs[part], work.string())) {
            if (item.Text(0x001A) != "IPM.DistList") continue;
            const mapi::Binary& stream = item.values.at(0x8064);
            auto entries = mapi::DecodeDistributionListStream(stream.data(), stream.size());
            ASSERT_TRUE(entries);
            ASSERT_EQ(entries->size(), 300u);
            // A list moved into a new part keeps its own members.
            const std::string name = *item.Text(0x3001);
            EXPECT_EQ(mapi::DecodeOneOffEntryId(entries->back().oneOff)->address, "m299.g" + name.substr(5) + "@lists.example");
            ++seen[name];
        }
    }
    EXPECT_EQ(seen.size(), 12u);
    for (const auto& [name, n] : seen) EXPECT_EQ(n, 1) << name;

    // The profile takes the same lists.
    r = Mailbox(Options(OutputKind::Profile, "\\\\Personal Folders\\Imported"), Folders({"Contacts"}));
    EXPECT_EQ(r.totals.written, 13u);
    store::Session session;
    session.Logon();
    EXPECT_EQ(session.GetFolderFromPath("\\\\Personal Folders\\Imported\\Contacts").GetItems().GetCount(), 13);
    session.Logoff();
}

TEST_F(ListExport, HostileNamesAndHugeGroupsStayOneLineAndLinear) {
    // A group whose name climbs out of the folder and breaks lines, a member
    // with a line break, and 5,000 members; then the same with ten times as
    // many, which take ten times as long in every kind (the PDF's page
    // layout too).
    auto database = [&](int members) {
        std::string list = "<text>Line&#10;break</text>";
        for (int m = 0; m < members; ++m) list += "<text>r" + std::to_string(m) + "@big.example</text>";
        const std::string db = dir / ("big" + std::to_string(members) + ".dxl");
        std::ofstream(db, std::ios::binary)
            << testsupport::Dxl(testsupport::View("Contacts", "SELECT @All") +
                                    testsupport::Person(testsupport::Text("FullName", "P") + testsupport::Text("MailAddress", "p@x.example")) +
                                    testsupport::Person(testsupport::Text("ListName", "../Evil&#10;Name") +
                                                                "<item name='Members'><textlist>" + list + "</textlist></item>",
                                                            "Group"));
        return db;
    };
    // The processor time of the exports (child processes), not the wall
    // clock, so that other work on the machine does not count.
    auto childSeconds = [] {
        rusage usage{};
        ::getrusage(RUSAGE_CHILDREN, &usage);
        auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
        return seconds(usage.ru_utime) + seconds(usage.ru_stime);
    };
    std::map<int, double> seconds;
    // A sanitizer build, whose instrumented code runs several times slower,
    // takes a quarter of each size.
    const int small = testsupport::kSanitizerBuild ? 1250 : 5000;
    for (int members : {small, 10 * small}) {
        const std::string db = database(members);
        for (const char* kind : {"pst", "msg", "vcf", "pdf"}) {
            SCOPED_TRACE(kind);
            const double start = childSeconds();
            CliRun log = Export(std::string("--as ") + kind + " --folder Contacts --items 1" + To(), db);
            ASSERT_EQ(log.code, 0) << log.Last();
            seconds[members] += childSeconds() - start;
            EXPECT_EQ(log.Last(), "Written: 1, skipped: 0, failed: 0");
            EXPECT_EQ(log.Count("Export Items: ../Evil Name"), 1u);
            EXPECT_EQ(log.Count("Group \"../Evil Name\": member \"Line break\""), 1u);
            EXPECT_EQ(log.Count("Name"), 0u);
            EXPECT_EQ(log.Count("break"), 0u);
        }
    }
    // Every file lies directly in the chosen folder, named within 255 bytes.
    for (const auto& e : std::filesystem::recursive_directory_iterator(Out())) {
        EXPECT_EQ(e.path().parent_path(), Out());
        EXPECT_LE(e.path().filename().string().size(), 255u);
    }
    EXPECT_TRUE(std::filesystem::exists(Out() + "/..EvilName1.msg"));  // control characters are dropped from names
    // Ten times the members: well below the hundred times a square would take.
    EXPECT_LT(seconds[10 * small], 30 * seconds[small]) << seconds[small] << " s, " << seconds[10 * small] << " s";
}
