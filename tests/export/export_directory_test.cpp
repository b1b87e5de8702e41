// samples/directory.dxl, people as a Domino Directory keeps them, through
// ferrywell-cli export and back through outside readers: each person shown
// by the common name and mailed at the Internet address, with the Notes
// name and routing address kept in the notes and nowhere else, and nothing
// of a repeated or blank-edged item lost.
#include "export_fixture.h"

#include <csv_readers.h>
#include <evolution_reader.h>
#include <support/time_zone.h>

#include <mapi/contact.h>
#include <mapi/tags.h>

#include <map>

using namespace exporttest;
using namespace testsupport;
using F = mapi::ContactField;

namespace {

const char* const kRouting = "Hana Canon/Ops/Orbis@Orbis";
const char* const kHanaNotes = "More from Notes:\nNotes name: CN=Hana Canon/OU=Ops/O=Orbis\nNotes mail address: Hana Canon/Ops/Orbis@Orbis";

// UTF-16 code units of UTF-8 text.
size_t Utf16Units(const std::string& text) {
    size_t units = 0;
    for (unsigned char c : text) units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    return units;
}

class Directory : public ExportTest {
protected:
    // The sample's Contacts view exported east of Greenwich, where its
    // 1601-01-01 birthday begins in 1600.
    CliRun Export(const std::string& kind) {
        ScopedTimeZone zone("Europe/Berlin");
        std::filesystem::create_directories(Out());
        CliRun r = Cli("export " + Quote(kSample) + " --as " + kind + " --folders Contacts --to " + Quote(Out()));
        EXPECT_EQ(r.code, 0) << r.Last();
        return r;
    }
    std::vector<std::string> FilesOf(const std::string& ext) const {
        std::vector<std::string> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(Out()))
            if (e.path().extension() == ext) files.push_back(e.path().string());
        return files;
    }

    const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/directory.dxl";
};

}  // namespace

TEST_F(Directory, PstReadersSeeCommonNamesInternetAddressesAndEveryValue) {
    ASSERT_EQ(MissingNodeReaders(), "");
    REQUIRE_TOOL("readpst");
    REQUIRE_TOOL("pffexport");
    const CliRun log = Export("pst");
    for (const char* line : {"Export Items: Hana Canon", "Cut to 1023 characters: Location of Ilse Bauer",
                             "Group \"Ops Team\": member \"CN=Sam Twin/O=Elsewhere\" names several people"})
        EXPECT_EQ(log.Count(line), 1u) << line;
    const std::string pst = FilesOf(".pst").at(0);

    const ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    std::map<std::string, const ExtractorItem*> people;
    for (const auto& item : view.items)
        if (item.props.count("3001") && item.props.at("3001") != "Ops Team") people[item.props.at("3001")] = &item;
    ASSERT_EQ(people.size(), 7u);  // two Sam Twins under one name
    auto prop = [](const ExtractorItem* item, const mapi::PropertyKey& key) {
        const auto it = item->props.find(ExtractorKey(key));
        return it == item->props.end() ? std::string() : it->second;
    };
    auto field = [&](const std::string& who, F f) { return prop(people.at(who), mapi::InfoOf(f).key); };
    for (const auto& [name, item] : people) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name.find('/'), std::string::npos);
        // The routing address is in the notes alone, never an address.
        for (const auto& [key, value] : item->props)
            if (key != ExtractorKey(mapi::InfoOf(F::Body).key)) {
                EXPECT_EQ(value.find("@Orbis"), std::string::npos) << key;
            }
    }
    const ExtractorItem* hana = people.at("Hana Canon");
    EXPECT_EQ(prop(hana, mapi::PidLidEmail1EmailAddress.Key()), "hana.canon@orbis.example");
    EXPECT_EQ(prop(hana, mapi::PidLidEmail1AddressType.Key()), "SMTP");
    EXPECT_EQ(field("Hana Canon", F::FirstName) + "|" + field("Hana Canon", F::LastName), "Hana|Canon");
    EXPECT_EQ(field("Hana Canon", F::Body), std::string(kHanaNotes) + "\nBirthday: 1601-01-01");
    EXPECT_EQ(field("Hana Canon", F::Birthday), "") << "no FILETIME before 1601";
    EXPECT_EQ(field("Ilse Bauer", F::Email1Address), "");
    const std::string office = field("Ilse Bauer", F::OfficeLocation);
    EXPECT_EQ(Utf16Units(office), 1022u);
    EXPECT_EQ(office.back(), 'x') << "the cut leaves no letter without its accent";
    EXPECT_EQ(prop(people.at("Eli Blank"), mapi::PidLidFileUnder.Key()), "Blank, Eli");
    EXPECT_EQ(field("Eli Blank", F::Email1Address), "eli@blank.example");
    EXPECT_EQ(field("Eli Blank", F::HomeTelephoneNumber), "+1 555 0320");
    EXPECT_EQ(field("Rita Repeat", F::Business2TelephoneNumber), "+1 555 0401");
    EXPECT_EQ(field("Rita Repeat", F::Body), "More from Notes:\nNotes name: CN=Rita Repeat/O=Orbis\nCompanyName: Orbis Labs");
    EXPECT_EQ(field("Otto Only", F::Email1Address), "otto@only.example");

    // readpst (which shows the File As text as FN) and pffexport agree.
    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
    const std::string cards = ReadFile(dir.Path() / std::filesystem::path(pst).stem() / "Contacts/contacts");
    for (const char* line : {"FN:Canon\\, Hana\nN:Canon;Hana;;;\nEMAIL:hana.canon@orbis.example\n", "FN:Blank\\, Eli\n"})
        EXPECT_NE(cards.find(line), std::string::npos) << line << cards;
    EXPECT_EQ(cards.find("BDAY:1601"), std::string::npos);
    EXPECT_EQ(cards.find("EMAIL:Hana Canon/"), std::string::npos);
    size_t named = 0;
    for (const auto& item : PffExportItems(pst, dir.Path().string())) {
        const std::string name = item.Text(0x3001).value_or("");
        EXPECT_EQ(name.rfind("CN=", 0), std::string::npos) << name;
        named += people.count(name);
    }
    EXPECT_EQ(named, 8u);
}

TEST_F(Directory, VCardsShowTheCommonNameToEvolutionAndVobject) {
    Export("vcf");
    std::map<std::string, std::map<std::string, std::string>> cards;
    for (const auto& file : FilesOf(".vcf")) {
        auto card = ReadWithEvolution(file);
        cards[card["full-name"]] = card;
    }
    ASSERT_TRUE(cards.count("Hana Canon"));
    for (const auto& [name, card] : cards) EXPECT_EQ(name.find("CN="), std::string::npos) << name;
    auto& hana = cards.at("Hana Canon");
    EXPECT_EQ(hana["name"], "Canon|Hana|||");
    EXPECT_EQ(hana["email-1"], "hana.canon@orbis.example");
    EXPECT_EQ(hana["note"], std::string(kHanaNotes) + "\nBirthday: 1601-01-01");
    EXPECT_FALSE(hana.count("birth-date"));
    EXPECT_EQ(cards.at("Otto Only")["email-1"], "otto@only.example");

    // vobject: the short name in X-INITIALS, each number once.
    std::string all;
    for (const auto& file : FilesOf(".vcf")) all += (all.empty() ? "" : " ") + Quote(file);
    const ToolResult r = RunPython(R"(
import sys, vobject
for path in sys.argv[1:]:
    c = vobject.readOne(open(path, encoding='utf-8').read())
    if c.fn.value != 'Hana Canon' and c.fn.value != 'Rita Repeat': continue
    print(c.fn.value, [e.value for e in c.contents.get('email', [])], c.contents['x-initials'][0].value if 'x-initials' in c.contents else '-')
    for tel in c.contents['tel']: print(' TEL', ','.join(sorted(tel.params['TYPE'])), tel.value)
)", all);
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("Hana Canon ['hana.canon@orbis.example'] hcanon\n TEL PREF,VOICE,WORK +1 555 0100\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Rita Repeat ['rita@orbis.example'] -\n TEL PREF,VOICE,WORK +1 555 0400\n TEL VOICE,WORK +1 555 0401\n"),
              std::string::npos)
        << r.out;
}

TEST_F(Directory, CalcReadsTheInternetAddressAndTheCommonNameInTheCsv) {
    Export("csv");
    CsvRows rows;
    ASSERT_TRUE(ReadCsvWithCalc(FilesOf(".csv").at(0), CalcImport::AllText, &rows));
    ASSERT_EQ(rows.size(), 9u);  // the header and eight people; the group has no row
    std::map<std::string, std::vector<std::string>> byName;
    const auto& header = rows[0];
    const size_t fullName = std::find(header.begin(), header.end(), "FullName") - header.begin();
    const size_t mail = std::find(header.begin(), header.end(), "MailAddress") - header.begin();
    for (size_t i = 1; i < rows.size(); ++i) byName[rows[i].at(fullName)] = rows[i];
    EXPECT_EQ(byName.at("Hana Canon").at(mail), "hana.canon@orbis.example");
    EXPECT_EQ(byName.at("Otto Only").at(mail), "otto@only.example");
    EXPECT_EQ(byName.at("Ilse Bauer").at(mail), "");
    EXPECT_EQ(byName.at("Eli Blank").at(mail), "eli@blank.example");
    for (const auto& [name, row] : byName)
        for (const auto& cell : row) EXPECT_EQ(cell.find("CN="), std::string::npos) << name;
}
