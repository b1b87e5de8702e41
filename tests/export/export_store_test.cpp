// Exports into PST files, read back by pff-tools and pst-utils.
#include "export_fixture.h"

#include <store/session.h>

#include <file_size_limit.h>

#include <fstream>
#include <map>
#include <sstream>

using namespace exporting;
using namespace exporttest;
using namespace testsupport;

namespace {

std::map<std::string, int> CountByFolder(const std::vector<PffItem>& items) {
    std::map<std::string, int> n;
    for (const auto& i : items) ++n[i.folder.filename().string()];
    return n;
}

const PffItem* ByFirstName(const std::vector<PffItem>& items, const std::string& first) {
    for (const auto& i : items)
        if (i.Text(0x3A06) == first) return &i;
    return nullptr;
}

int LspstContacts(const std::string& pst) {
    std::string out;
    if (RunTool("lspst " + Quote(pst), &out) != 0) return -1;
    std::istringstream lines(out);
    int n = 0;
    for (std::string line; std::getline(lines, line);) n += line == "Contact" || line.rfind("Contact\t", 0) == 0;
    return n;
}

}  // namespace

TEST_F(ExportTest, MailboxPstHoldsEveryContactOfEachFolderWithTheTablesProperties) {
    ASSERT_TRUE(HaveTool("pffexport") && HaveTool("readpst")) << "pff-tools and pst-utils are required";
    ExportOutcome r = Mailbox(Options(OutputKind::Pst), Folders());
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(r.totals.written, 69u + 69u + 72u);
    EXPECT_EQ(r.totals.failed, 0u);
    ASSERT_EQ(r.outputs.size(), 1u);
    const std::string pst = r.outputs[0];
    const std::string name = std::filesystem::path(pst).stem().string();
    EXPECT_EQ(name.rfind("names-Corvane-", 0), 0u) << name;
    EXPECT_TRUE(sink.Has("Please wait... Create PST File"));
    EXPECT_TRUE(sink.Has("Create PST File :" + pst));
    EXPECT_TRUE(sink.Has("Please wait... Create PST Folders :\\\\" + name + "\\Contacts\\"));
    EXPECT_EQ(sink.Count("Export Items: "), 210u);
    EXPECT_TRUE(sink.Has("Finish Conversion Process!"));
    EXPECT_EQ(sink.log.back().first, "Completed");
    EXPECT_EQ(sink.messages, std::vector<std::string>{"Conversion Completed Successfully!"});

    auto items = PffExportItems(pst, dir.Path().string());
    auto counts = CountByFolder(items);
    EXPECT_EQ(counts["People"], 69);
    EXPECT_EQ(counts["Contacts"], 69);
    EXPECT_EQ(counts["By Category"], 72);

    const PffItem* jane = ByFirstName(items, "Jane");
    ASSERT_TRUE(jane);
    EXPECT_EQ(jane->Text(0x3001), "Jane Q Doe");          // FullName
    const auto mail = jane->Text(0x8083);                 // Email1Address
    ASSERT_TRUE(mail && !mail->empty());
    EXPECT_EQ(jane->Text(0x8082), "SMTP");                // PidLidEmail1AddressType
    EXPECT_EQ(jane->Text(0x8084), *mail);                 // original display name
    EXPECT_EQ(jane->Text(0x8080), "Jane Q Doe (" + *mail + ")");
    ASSERT_TRUE(jane->values.count(0x8028));              // PidLidAddressBookProviderEmailList
    EXPECT_EQ(jane->values.at(0x8028).size() % 4, 0u);
    EXPECT_TRUE(jane->values.count(0x8029));
    EXPECT_TRUE(jane->values.count(0x3A42));              // Birthday, one date

    const PffItem* klaus = ByFirstName(items, "Klaus");
    ASSERT_TRUE(klaus);
    EXPECT_EQ(klaus->Text(0x8049), "Deutschland");        // OfficeCountry is the business country
    EXPECT_FALSE(klaus->values.count(0x3A5A)) << "the office country is not the home country";
    const PffItem* ingrid = ByFirstName(items, "Ingrid");
    ASSERT_TRUE(ingrid);
    EXPECT_EQ(ingrid->Text(0x3A5A), "Sverige");           // Country, home
    EXPECT_EQ(ingrid->Text(0x8049), "Norge");             // OfficeCountry, business
    const PffItem* robin = ByFirstName(items, "Robin");
    ASSERT_TRUE(robin);
    EXPECT_EQ(robin->Text(0x3A5C), "Vermont");            // State is the home state
    EXPECT_FALSE(robin->values.count(0x3A5D)) << "the state is not the street";
    const PffItem* hannah = ByFirstName(items, "Hannah");
    ASSERT_TRUE(hannah);
    EXPECT_FALSE(hannah->values.count(0x3A42)) << "two birthdays set no date, not the zero date";
    EXPECT_TRUE(ByFirstName(items, "太郎") || ByFirstName(items, "山田")) << "Japanese names survive";
    EXPECT_TRUE(ByFirstName(items, "Łukasz"));

    // pst-utils sees the same contacts.
    std::string out;
    ASSERT_EQ(RunTool("readpst -S -t c -o " + Quote(dir / "out") + " " + Quote(pst) + " >/dev/null", &out), 0) << out;
    EXPECT_EQ(LspstContacts(pst), 210);
}

TEST_F(ExportTest, SelectedPstTwiceGivesTwoFilesWithOneFolderOfTheTickedContacts) {
    ASSERT_TRUE(HaveTool("pffexport")) << "pff-tools is required";
    std::vector<std::string> psts;
    for (int run = 0; run < 2; ++run) {
        stop.store(1);  // a late stop request of an earlier run does not end this one
        ExportOutcome r = Selected(Options(OutputKind::Pst), "By Category", {1, 3, 7});
        ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
        EXPECT_EQ(r.totals.written, 3u);
        ASSERT_EQ(r.outputs.size(), 1u);
        psts.push_back(r.outputs[0]);
        auto items = PffExportItems(r.outputs[0], (std::filesystem::create_directories(dir.Path() / std::to_string(run)), (dir.Path() / std::to_string(run)).string()));
        auto counts = CountByFolder(items);
        EXPECT_EQ(counts.size(), 1u);
        EXPECT_EQ(counts["By Category"], 3);
    }
    EXPECT_NE(psts[0], psts[1]);
    EXPECT_TRUE(sink.Has("Please wait create pst file."));
    EXPECT_TRUE(sink.Has("Please wait create pst folder"));
    EXPECT_TRUE(sink.Has("Please wait export process has been started."));
}

TEST_F(ExportTest, AProfileFolderThatCannotBeFoundFailsEveryTickedContact) {
    // Browse replaced the profile path by a disk folder: no such store folder.
    ExportOutcome r = Selected(Options(OutputKind::Profile, "/some/disk/folder"), "Contacts", {0, 1, 2});
    EXPECT_EQ(r.totals.written, 0u);
    EXPECT_EQ(r.totals.failed, 3u);
    EXPECT_EQ(sink.Count("Export Items: "), 3u);
    EXPECT_EQ(sink.Count("Cannot find the folder /some/disk/folder"), 1u);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0], "Conversion Completed Successfully!");
    EXPECT_NE(sink.messages[0].find("3 contacts"), std::string::npos) << sink.messages[0];
}

TEST_F(ExportTest, ALogonFailureEndsTheExportWithItsMessage) {
    std::ofstream(dir / "blocker") << "x";
    setenv("FERRYWELL_PROFILE", (dir / "blocker/profile").c_str(), 1);  // no profile can be made there
    for (OutputKind kind : {OutputKind::Pst, OutputKind::Profile}) {
        sink.messages.clear();
        ExportOutcome r = Mailbox(Options(kind, kind == OutputKind::Pst ? "" : "\\\\Personal Folders"), Folders());
        EXPECT_EQ(r.end, ExportEnd::DestinationUnusable);
        EXPECT_EQ(sink.messages, std::vector<std::string>{"Unable to login outlook session!"});
        // The outcome and the log keep the cause after the product's text.
        EXPECT_EQ(r.error.rfind("Unable to login outlook session!", 0), 0u) << r.error;
        EXPECT_GT(r.error.size(), std::string("Unable to login outlook session!").size()) << r.error;
        EXPECT_TRUE(sink.Has(r.error));
        EXPECT_FALSE(sink.Has("Finish Conversion Process!"));
        sink.messages.clear();
        EXPECT_EQ(Selected(Options(kind), "Contacts", {1}).end, ExportEnd::DestinationUnusable);
        EXPECT_EQ(sink.messages, std::vector<std::string>{"Unable to login outlook session!"});
    }
    EXPECT_TRUE(std::filesystem::is_empty(Out()));
}

// A damaged PST elsewhere in the profile is named once and left out.
TEST_F(ExportTest, ProfileExportAddsTheFoldersBelowThePickedFolder) {
    const std::string damaged = dir / "damaged.pst";
    std::ofstream(damaged) << "not a PST";
    store::Profile::Update([&](store::Profile& p) {
        p.Add({"Damaged", damaged});
        return true;
    });
    ExportOutcome r = Mailbox(Options(OutputKind::Profile, "\\\\Personal Folders\\Imported"), Folders({"Contacts"}));
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(r.totals.written, 69u);
    EXPECT_EQ(sink.Count("The store Damaged (" + damaged + ") cannot be opened: "), 1u);
    store::Session session;
    session.Logon();
    EXPECT_EQ(session.GetFolderFromPath("\\\\Personal Folders\\Imported\\Contacts").GetItems().GetCount(), 69);
    session.Logoff();
}

TEST_F(ExportTest, SplitPartsStayWithinTheLimitAndHoldEveryContactOnce) {
    ASSERT_TRUE(HaveTool("pffinfo") && HaveTool("lspst"));
    ASSERT_TRUE(OpenLarge(2000));
    const ExportOptions o = SplitPst(1536 * 1024);
    ExportOutcome r = Mailbox(o, Folders({"Contacts"}));
    ASSERT_EQ(r.end, ExportEnd::Completed) << r.error;
    EXPECT_EQ(r.totals.written, 2000u);
    EXPECT_EQ(r.totals.failed, 0u);
    ASSERT_GE(r.outputs.size(), 3u);
    EXPECT_EQ(sink.Count("Please wait... Create PST File"), r.outputs.size());
    int total = 0;
    for (const auto& pst : r.outputs) {
        EXPECT_LE(std::filesystem::file_size(pst), o.splitSize) << pst;
        EXPECT_EQ(RunTool("pffinfo " + Quote(pst) + " >/dev/null"), 0) << pst;
        int n = LspstContacts(pst);
        EXPECT_GT(n, 0) << pst;
        total += n;
    }
    EXPECT_EQ(total, 2000);
}

// A full disk part way through a split export: the parts written stay, the
// one it ended in is named, no part made after it is left, and the counts
// say what the files hold.
TEST_F(ExportTest, AFullDiskEndsASplitPstExportWithCountsThatMatchTheFiles) {
    ASSERT_TRUE(HaveTool("lspst"));
    ASSERT_TRUE(OpenLarge(2000));
    const ExportOptions o = SplitPst(1536 * 1024);
    ExportOutcome r;
    {
        FileSizeLimit full(700 * 1024);  // the first part fills the disk before its split size
        r = Mailbox(o, Folders({"Contacts"}));
    }
    ASSERT_EQ(r.end, ExportEnd::DiskFull) << r.error;
    ASSERT_EQ(r.outputs.size(), 1u);
    EXPECT_EQ(r.fullDisk, r.outputs[0]);
    EXPECT_GT(r.totals.written, 0u);
    EXPECT_EQ(LspstContacts(r.outputs[0]), int(r.totals.written));
    EXPECT_EQ(r.totals.written + r.totals.failed + r.notReached, 2000u);
    EXPECT_EQ(sink.Count("The disk is full: "), 1u);
    EXPECT_EQ(sink.Count("Closing the store failed"), 0u);
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages.back(), "The disk is full: " + r.fullDisk + ". " + std::to_string(r.totals.written) +
                                        " contacts written, " + std::to_string(2000 - r.totals.written) + " not written.");
    size_t psts = 0;
    for (const auto& e : std::filesystem::directory_iterator(Out())) psts += e.path().extension() == ".pst";
    EXPECT_EQ(psts, 1u);
}
