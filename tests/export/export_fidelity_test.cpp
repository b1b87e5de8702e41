// samples/fidelity.dxl through ferrywell-cli export into each kind, read back
// by outside readers: every value of its four contacts where it means, and
// nothing where it does not.
#include "export_fixture.h"

#include <evolution_reader.h>
#include <msg_reader.h>
#include <support/time_zone.h>

#include <mapi/contact.h>
#include <mapi/dates.h>
#include <mapi/tags.h>

#include <ctime>
#include <map>
#include <set>
#include <sstream>

using namespace exporttest;
using namespace testsupport;
using F = mapi::ContactField;

namespace {

using Props = std::map<std::string, std::string>;
using Lists = std::map<std::string, std::vector<std::string>>;

// What a contact of the sample must hold.
struct Expected {
    std::map<F, std::string> texts;
    std::vector<std::string> children, categories;
    std::optional<mapi::CalendarDate> birthday, anniversary;
    std::string notes;
    int mailing = 0;  // PidLidPostalAddressId: 1 home, 2 business
    std::string Name() const { return texts.at(F::FullName); }
};

// The 1,500-character street as it is kept: 1,023 characters.
std::string CutStreet() {
    std::string s;
    for (int i = 0; i < 34; ++i) s += "Unit 4, Harbour Trade Centre, ";
    return s.substr(0, 1020) + "\xE6\xB8\xAF\xE6\xB9\xBE\xE5\xA4\xA7";  // 港湾大
}

const std::vector<Expected>& Sample() {
    static const std::vector<Expected> all = {
        {{{F::FullName, "Jane Q Doe"}, {F::Title, "Dr."}, {F::FirstName, "Jane"}, {F::MiddleName, "Q"},
          {F::LastName, "Doe"}, {F::Suffix, "Jr."}, {F::Initials, "jdoe"}, {F::NickName, "JD"},
          {F::CompanyName, "Acme Corporation"}, {F::JobTitle, "Vice President, Sales"}, {F::Department, "Sales"},
          {F::OfficeLocation, "Building 3, Room 301"}, {F::ManagerName, "Richard Roe"}, {F::AssistantName, "Peter Quincy"},
          {F::Spouse, "John Doe"}, {F::HomeAddressStreet, "42 Elm Street\nApartment 7"}, {F::HomeAddressCity, "Brookline"},
          {F::HomeAddressState, "MA"}, {F::HomeAddressPostalCode, "02445"}, {F::HomeAddressCountry, "United States"},
          {F::BusinessAddressStreet, "1 Main Street"}, {F::BusinessAddressCity, "Cambridge"},
          {F::BusinessAddressState, "MA"}, {F::BusinessAddressPostalCode, "02142"}, {F::BusinessAddressCountry, "USA"},
          {F::PrimaryTelephoneNumber, "+1 617 555 0100"}, {F::BusinessTelephoneNumber, "+1 617 555 0100"},
          {F::Business2TelephoneNumber, "+1 617 555 0102"}, {F::HomeTelephoneNumber, "+1 617 555 0123"},
          {F::Home2TelephoneNumber, "+1 617 555 0125"}, {F::MobileTelephoneNumber, "+1 617 555 0150"},
          {F::PagerNumber, "+1 617 555 0199"}, {F::BusinessFaxNumber, "+1 617 555 0180"},
          {F::HomeFaxNumber, "+1 617 555 0181"}, {F::AssistantTelephoneNumber, "+1 617 555 0110"},
          {F::CarTelephoneNumber, "+1 617 555 0160"}, {F::Email1Address, "jane.doe@acme.example"},
          {F::Email2Address, "jane@doe-family.example"}, {F::Email3Address, "jq@golfclub.example"},
          {F::PersonalHomePage, "https://jane.doe-family.example"}, {F::BusinessHomePage, "https://jane.doe-family.example"}},
         {"Emily", "Jack"},
         {"Business", "Golf, Tennis", "VIP"},
         mapi::CalendarDate{1976, 2, 29},
         mapi::CalendarDate{2001, 6, 15},
         "Card:\t[picture: picture-1.gif]\tscanned 2004\nPrice list\tby fax and at our site (https://acme.example/prices?year=2004&q=1)\n\n"
         "[attachment: card.txt] attached.\n\nMet at the Boston trade fair in 2004.\nPrefers e-mail over phone calls.\n\n"
         "More from Notes:\nFullName: CN=Jane Q Doe/OU=Sales/O=Acme\nAltFullName: CN=\xE3\x82\xB8\xE3\x82\xA7\xE3\x83\xBC\xE3\x83\xB3 "
         "\xE3\x83\x89\xE3\x82\xA6/O=Acme\nMailAddress: jane.doe@board.example\nInternetAddress: jdoe@acme-internet.example",
         2},
        {{{F::FullName, "Klaus W\xC3\xBCrzburger"}, {F::FirstName, "Klaus"}, {F::LastName, "W\xC3\xBCrzburger"},
          {F::CompanyName, "W\xC3\xBCrzburger Maschinenbau GmbH"}, {F::BusinessAddressStreet, "Industriestra\xC3\x9F" "e 12"},
          {F::BusinessAddressCity, "M\xC3\xBCnchen"}, {F::BusinessAddressPostalCode, "80331"},
          {F::BusinessAddressCountry, "Deutschland"}, {F::PrimaryTelephoneNumber, "+49 89 555 0123"},
          {F::BusinessTelephoneNumber, "+49 89 555 0123"}, {F::Email1Address, "k.wuerzburger@wmb.example.de"},
          {F::Email2Address, "klaus@privat.example.de"}, {F::Email3Address, "kw@verein.example.de"}},
         {},
         {"Suppliers"},
         mapi::CalendarDate{1965, 1, 1},
         std::nullopt,
         "",
         2},
        {{{F::FullName, "Robin Fairbanks"}, {F::FirstName, "Robin"}, {F::LastName, "Fairbanks"}, {F::HomeAddressState, "Vermont"}},
         {},
         {},
         std::nullopt,
         std::nullopt,
         "More from Notes:\nBirthday: 1980-01-01; 1981-02-02",
         1},
        {{{F::FullName, "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E"}, {F::Title, "\xE5\x8D\x9A\xE5\xA3\xAB"},
          {F::FirstName, "\xE5\xA4\xAA\xE9\x83\x8E"}, {F::LastName, "\xE5\xB1\xB1\xE7\x94\xB0"},
          {F::NickName, "\xE3\x82\xBF\xE3\x83\xAD\xE3\x83\xBC"}, {F::CompanyName, "\xE5\xB1\xB1\xE7\x94\xB0\xE5\x95\x86\xE4\xBA\x8B\xE6\xA0\xAA\xE5\xBC\x8F\xE4\xBC\x9A\xE7\xA4\xBE"},
          {F::JobTitle, "\xE5\x96\xB6\xE6\xA5\xAD\xE9\x83\xA8\xE9\x95\xB7"}, {F::Department, "\xE5\x96\xB6\xE6\xA5\xAD\xE9\x83\xA8"},
          {F::ManagerName, "\xE9\x88\xB4\xE6\x9C\xA8 \xE4\xB8\x80\xE9\x83\x8E"}, {F::Spouse, "\xE5\xB1\xB1\xE7\x94\xB0 \xE8\x8A\xB1\xE5\xAD\x90"},
          {F::HomeAddressStreet, CutStreet()}, {F::HomeAddressCity, "\xE6\xA8\xAA\xE6\xB5\x9C\xE5\xB8\x82"},
          {F::HomeAddressState, "\xE7\xA5\x9E\xE5\xA5\x88\xE5\xB7\x9D\xE7\x9C\x8C"}, {F::HomeAddressPostalCode, "220-0012"},
          {F::HomeAddressCountry, "\xE6\x97\xA5\xE6\x9C\xAC"}, {F::HomeTelephoneNumber, "+81 45 555 0123"},
          {F::MobileTelephoneNumber, "+81 90 5555 0123"}, {F::Email1Address, "taro.yamada@yamada-shoji.example.jp"}},
         {"\xE4\xB8\x80\xE9\x83\x8E", "\xE6\xAC\xA1\xE9\x83\x8E", "\xE4\xB8\x89\xE9\x83\x8E"},
         {"\xE5\x8F\x96\xE5\xBC\x95\xE5\x85\x88", "\xE5\x8F\x8B\xE4\xBA\xBA"},
         mapi::CalendarDate{1975, 3, 14},
         std::nullopt,
         "\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xB1\x95\xE7\xA4\xBA\xE4\xBC\x9A\xE3\x81\xA7\xE4\xBC\x9A\xE3\x81\xA3\xE3\x81\x9F\xE3\x80\x82\n"
         "\xE8\xB4\x88\xE7\xAD\x94\xE5\x93\x81\xE3\x81\xAF\xE3\x81\x8A\xE8\x8C\xB6\xE3\x81\x8C\xE5\xA5\xBD\xE3\x81\x8D\xE3\x80\x82",
         1},
    };
    return all;
}

std::string Key(F f) { return ExtractorKey(mapi::InfoOf(f).key); }

// Each text property holds its value and no other one has a value (the
// subject and the empty recipients, set for every item, aside); the notes,
// the lists and the mailing address likewise.
void ExpectProperties(const Expected& e, const Props& props, const Lists& lists) {
    SCOPED_TRACE(e.Name());
    for (const auto& info : mapi::ContactFields()) {
        if (info.key.type != mapi::PropType::Unicode) continue;
        if (info.field == F::Subject || info.field == F::ConversationTopic || info.field == F::To || info.field == F::CC ||
            info.field == F::BCC)
            continue;
        const auto it = props.find(ExtractorKey(info.key));
        const std::string expected = info.field == F::Body ? e.notes : e.texts.count(info.field) ? e.texts.at(info.field) : "";
        EXPECT_EQ(it == props.end() ? "" : it->second, expected) << info.name;
    }
    auto list = [&lists](F f) { return lists.count(Key(f)) ? lists.at(Key(f)) : std::vector<std::string>(); };
    EXPECT_EQ(list(F::Children), e.children);
    EXPECT_EQ(list(F::Categories), e.categories);
    const auto mailing = props.find(ExtractorKey(mapi::PidLidPostalAddressId.Key()));
    EXPECT_EQ(mailing == props.end() ? "" : mailing->second, std::to_string(e.mailing));
}

// The day a FILETIME falls on in this process's time zone, or in UTC.
std::string DayOf(const std::string& ticks, bool utc = false) {
    const time_t t = time_t(std::stoll(ticks) / 10000000 - 11644473600LL);
    std::tm tm{};
    if (utc) gmtime_r(&t, &tm);
    else localtime_r(&t, &tm);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    return buf;
}

std::string DayText(const std::optional<mapi::CalendarDate>& d) {
    if (!d) return "";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d->year, d->month, d->day);
    return buf;
}

class Fidelity : public ExportTest {
protected:
    // ferrywell-cli export of the sample's Contacts view; its log lines.
    std::vector<std::string> Export(const std::string& kind, const std::string& to) {
        std::filesystem::create_directories(to);
        std::string out;
        EXPECT_EQ(RunTool(Quote(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli") + " export " + Quote(kSample) + " --as " + kind +
                              " --folders Contacts --to " + Quote(to),
                          &out),
                  0)
            << out;
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The files of kind ext an export wrote, by the display name each holds
    // (the contacts' files are named by their subjects, not their names).
    std::map<std::string, std::string> FilesByName(const std::string& root, const std::string& ext) {
        static const std::map<std::string, std::string> names = {
            {"Jane--0", "Jane Q Doe"}, {"Klaus--1", "Klaus W\xC3\xBCrzburger"}, {"None Subject--2", "Robin Fairbanks"},
            {"\xE5\xA4\xAA\xE9\x83\x8E--3", "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E"},
            {"Jane0", "Jane Q Doe"}, {"Klaus1", "Klaus W\xC3\xBCrzburger"}, {"None Subject2", "Robin Fairbanks"},
            {"\xE5\xA4\xAA\xE9\x83\x8E" "3", "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E"}};
        std::map<std::string, std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.path().extension() == ext) out[names.at(e.path().stem().string())] = e.path().string();
        EXPECT_EQ(out.size(), Sample().size());
        return out;
    }

    const std::string kSample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/fidelity.dxl";
};

}  // namespace

TEST_F(Fidelity, PstHoldsEveryValueWhereItMeansForEveryReader) {
    ASSERT_EQ(MissingNodeReaders(), "");
    REQUIRE_TOOL("readpst");
    REQUIRE_TOOL("pffexport");
    const auto log = Export("pst", Out());
    // Each contact is logged by its name; the cut street is logged too.
    for (const auto& e : Sample()) EXPECT_EQ(std::count(log.begin(), log.end(), "Export Items: " + e.Name()), 1) << e.Name();
    EXPECT_EQ(std::count(log.begin(), log.end(), "Cut to 1023 characters: StreetAddress of " + Sample()[3].Name()), 1);
    std::string pst;
    for (const auto& e : std::filesystem::directory_iterator(Out())) pst = e.path().string();

    // pst-extractor reads every property, the named ones included.
    const ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), Sample().size());
    EXPECT_EQ(view.output.find("\tid:"), std::string::npos) << "a named property the reader cannot map";
    for (const auto& e : Sample()) {
        const ExtractorItem* item = nullptr;
        for (const auto& i : view.items)
            if (i.props.count("3001") && i.props.at("3001") == e.Name()) item = &i;
        ASSERT_TRUE(item) << e.Name();
        ExpectProperties(e, item->props, item->lists);
        auto day = [&](F f, bool utc) {
            const std::string key = utc ? ExtractorKey(*mapi::LocalDayKey(f)) : Key(f);
            return item->props.count(key) ? DayOf(item->props.at(key), utc) : "";
        };
        EXPECT_EQ(day(F::Birthday, false), DayText(e.birthday)) << e.Name();
        EXPECT_EQ(day(F::Birthday, true), DayText(e.birthday)) << e.Name();
        EXPECT_EQ(day(F::Anniversary, false), DayText(e.anniversary)) << e.Name();
        EXPECT_EQ(day(F::Anniversary, true), DayText(e.anniversary)) << e.Name();
        if (e.texts.count(F::Email1Address)) {
            EXPECT_EQ(item->props.at(ExtractorKey(mapi::PidLidEmail1DisplayName.Key())), e.Name() + " (" + e.texts.at(F::Email1Address) + ")");
        }
        EXPECT_FALSE(item->props.count(ExtractorKey(mapi::PidLidOtherAddress.Key()))) << "no other address";
    }
    const Props& jane = view.items[0].props;
    EXPECT_EQ(jane.at(ExtractorKey(mapi::PidLidWorkAddress.Key())), "1 Main Street\r\nCambridge, MA  02142\r\nUSA");
    EXPECT_EQ(jane.at(ExtractorKey(mapi::PidLidHomeAddress.Key())), "42 Elm Street\r\nApartment 7\r\nBrookline, MA  02445\r\nUnited States");

    // readpst and pffexport put the same values in the same places.
    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
    const std::string cards = ReadFile(dir.Path() / std::filesystem::path(pst).stem() / "Contacts/contacts");
    for (const char* line : {"N:Doe;Jane;Q;Dr.;Jr.\n", "ADR;TYPE=work:;;1 Main Street;Cambridge;MA;02142;USA\n",
                             "ADR;TYPE=home:;;42 Elm Street\\nApartment 7;Brookline;MA;02445;United States\n",
                             "TEL;TYPE=pager:+1 617 555 0199\n", "TEL;TYPE=cell,voice:+1 617 555 0150\n",
                             "ADR;TYPE=home:;;;;Vermont;;\n", "ADR;TYPE=work:;;Industriestra\xC3\x9F" "e 12;M\xC3\xBCnchen;;80331;Deutschland\n"})
        EXPECT_NE(cards.find(line), std::string::npos) << line << cards;
    EXPECT_EQ(cards.find("TEL;TYPE=cell,voice:+1 617 555 0199"), std::string::npos) << "the pager is not the mobile";
    for (const auto& item : PffExportItems(pst, dir.Path().string())) {
        const auto name = item.Text(0x3001);
        ASSERT_TRUE(name);
        for (const auto& e : Sample()) {
            if (e.Name() != *name) continue;
            for (F f : {F::PagerNumber, F::MobileTelephoneNumber, F::HomeAddressStreet, F::BusinessAddressCity, F::Suffix,
                        F::TelexNumber, F::Profession, F::CompanyMainTelephoneNumber, F::OtherAddressCity})
                EXPECT_EQ(item.Text(mapi::InfoOf(f).key.IsNamed() ? mapi::InfoOf(f).key.Name().lid : mapi::InfoOf(f).key.TagId())
                              .value_or(""),
                          e.texts.count(f) ? e.texts.at(f) : "")
                    << e.Name() << " " << mapi::InfoOf(f).name;
        }
    }
}

TEST_F(Fidelity, MsgFilesHoldTheSameValuesForMsgreaderAndOlefile) {
    ASSERT_EQ(MissingNodeReaders(), "");
    Export("msg", Out());
    for (const auto& [name, path] : FilesByName(Out(), ".msg")) {
        const Expected* e = nullptr;
        for (const auto& s : Sample())
            if (s.Name() == name) e = &s;
        ASSERT_TRUE(e);
        const ToolResult r = testsupport::RunMsgReader(path);
        ASSERT_EQ(r.exitCode, 0) << r.out;
        ExpectProperties(*e, testsupport::ReaderProps(r.out), testsupport::ReaderLists(r.out));
    }
    // olefile sees the pager in its own stream and no telex or other address.
    const ToolResult r = RunPython(R"(
import sys, olefile
o = olefile.OleFileIO(sys.argv[1])
for tag in ('3A21', '3A1C', '3A2C', '3A46', '3A5F'):
    name = '__substg1.0_%s001F' % tag
    print(tag, o.openstream(name).read().decode('utf-16-le') if o.exists(name) else '-')
)", Quote(FilesByName(Out(), ".msg").at("Jane Q Doe")));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "3A21 +1 617 555 0199\n3A1C +1 617 555 0150\n3A2C -\n3A46 -\n3A5F -\n");
}

TEST_F(Fidelity, VCardsAreTypedForEvolutionAndVobject) {
    Export("vcf", Out());
    const std::map<F, std::string> fields = {
        {F::FullName, "full-name"}, {F::FirstName, "given-name"}, {F::LastName, "family-name"}, {F::NickName, "nickname"},
        {F::CompanyName, "org"}, {F::Department, "org-unit"}, {F::OfficeLocation, "office"}, {F::JobTitle, "title"},
        {F::ManagerName, "manager"}, {F::AssistantName, "assistant"}, {F::Spouse, "spouse"},
        {F::PrimaryTelephoneNumber, "primary-phone"}, {F::BusinessTelephoneNumber, "business-phone"},
        {F::Business2TelephoneNumber, "business-phone-2"}, {F::HomeTelephoneNumber, "home-phone"},
        {F::Home2TelephoneNumber, "home-phone-2"}, {F::MobileTelephoneNumber, "mobile-phone"}, {F::PagerNumber, "pager"},
        {F::BusinessFaxNumber, "business-fax"}, {F::HomeFaxNumber, "home-fax"}, {F::AssistantTelephoneNumber, "assistant-phone"},
        {F::CarTelephoneNumber, "car-phone"}, {F::Email1Address, "email-1"}, {F::Email2Address, "email-2"},
        {F::Email3Address, "email-3"}, {F::PersonalHomePage, "homepage-url"}};
    const auto files = FilesByName(Out(), ".vcf");
    for (const auto& e : Sample()) {
        SCOPED_TRACE(e.Name());
        auto v = [&e](F f) { return e.texts.count(f) ? e.texts.at(f) : ""; };
        std::map<std::string, std::string> expected;
        for (const auto& [f, name] : fields)
            if (e.texts.count(f)) expected[name] = e.texts.at(f);
        expected["name"] = v(F::LastName) + "|" + v(F::FirstName) + "|" + v(F::MiddleName) + "|" + v(F::Title) + "|" + v(F::Suffix);
        expected["file-as"] = expected["name-or-org"] = v(F::LastName) + ", " + v(F::FirstName);
        auto address = [&](F street, F city, F state, F code, F country) {
            const std::string a = "||" + v(street) + "|" + v(city) + "|" + v(state) + "|" + v(code) + "|" + v(country);
            return a == "||||||" ? std::string() : a;
        };
        if (auto a = address(F::HomeAddressStreet, F::HomeAddressCity, F::HomeAddressState, F::HomeAddressPostalCode,
                             F::HomeAddressCountry); !a.empty())
            expected["address-home"] = a;
        if (auto a = address(F::BusinessAddressStreet, F::BusinessAddressCity, F::BusinessAddressState,
                             F::BusinessAddressPostalCode, F::BusinessAddressCountry); !a.empty())
            expected["address-work"] = a;
        if (!e.notes.empty()) expected["note"] = e.notes;
        if (e.birthday) expected["birth-date"] = DayText(e.birthday);
        if (e.anniversary) expected["anniversary"] = DayText(e.anniversary);
        std::string categories;
        for (const auto& c : e.categories) categories += (categories.empty() ? "" : "|") + c;
        if (!categories.empty()) expected["category-list"] = categories;
        EXPECT_EQ(ReadWithEvolution(files.at(e.Name())), expected);
    }
    // vobject reads the types: each phone once with the type of its meaning.
    const ToolResult r = RunPython(R"(
import sys, vobject
c = vobject.readOne(open(sys.argv[1], encoding='utf-8').read())
for tel in c.contents['tel']: print('TEL', ','.join(sorted(tel.params['TYPE'])), tel.value)
for adr in c.contents['adr']: print('ADR', ','.join(adr.params['TYPE']), adr.value.city)
for mail in c.contents['email']: print('EMAIL', mail.value)
print('CATEGORIES', '|'.join(c.categories.value))
print('N', c.n.value.suffix, c.n.value.prefix)
)", Quote(files.at("Jane Q Doe")));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out,
              "TEL PREF,VOICE,WORK +1 617 555 0100\nTEL VOICE,WORK +1 617 555 0102\n"
              "TEL X-EVOLUTION-ASSISTANT +1 617 555 0110\nTEL HOME,VOICE +1 617 555 0123\nTEL HOME,VOICE +1 617 555 0125\n"
              "TEL CELL,VOICE +1 617 555 0150\nTEL CAR +1 617 555 0160\nTEL PAGER +1 617 555 0199\n"
              "TEL FAX,WORK +1 617 555 0180\nTEL FAX,HOME +1 617 555 0181\n"
              "ADR WORK Cambridge\nADR HOME Brookline\n"
              "EMAIL jane.doe@acme.example\nEMAIL jane@doe-family.example\nEMAIL jq@golfclub.example\n"
              "CATEGORIES Business|Golf, Tennis|VIP\nN Jr. Dr.\n");
}

TEST_F(Fidelity, RenderingsShowEachValueUnderItsLabel) {
    const struct {
        const char* kind;
        const char* toText;  // prints the file named by $1 as text
    } kinds[] = {
        {"txt", "cat \"$1\""},
        {"html", "/usr/bin/python3 -c 'import sys,html,re; print(html.unescape(re.sub(\"<[^>]*>\", \"\\n\", open(sys.argv[1]).read())))' \"$1\""},
        {"rtf", "unrtf --text \"$1\""},
        {"pdf", "pdftotext -enc UTF-8 \"$1\" -"},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind);
        const std::string to = dir / k.kind;
        Export(k.kind, to);
        std::string text;
        ASSERT_EQ(RunTool("sh -c " + Quote(k.toText) + " - " + Quote(FilesByName(to, std::string(".") + k.kind).at("Jane Q Doe")), &text), 0) << text;
        for (const char* shown : {"Suffix", "Jr.", "Pager", "+1 617 555 0199", "Car Phone", "Business City", "Cambridge",
                                  "Richard Roe", "Golf, Tennis", "More from Notes:", "jane.doe@board.example",
                                  "our site (https://acme.example/prices?year=2004&q=1)", "Emily", "Jack"})
            EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
        for (const char* absent : {"Telex", "Profession", "Other", "Company Main", "CN=Richard", "R0lGOD"})
            EXPECT_EQ(text.find(absent), std::string::npos) << absent << "\n" << text;
    }
}

TEST_F(Fidelity, EachZoneReadsBackTheDayOfTheSource) {
    ASSERT_EQ(MissingNodeReaders(), "");
    for (const char* zone : {"America/Los_Angeles", "Asia/Tokyo"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);  // the export and the readers run in it
        const std::string to = dir / zone;
        Export("pst", to + "/pst");
        Export("msg", to + "/msg");
        Export("vcf", to + "/vcf");
        std::string pst;
        for (const auto& e : std::filesystem::directory_iterator(to + "/pst")) pst = e.path().string();
        const ExtractorView view = ReadWithPstExtractor(pst);
        ASSERT_EQ(view.exitCode, 0) << view.output;
        const auto msgs = FilesByName(to + "/msg", ".msg");
        const auto cards = FilesByName(to + "/vcf", ".vcf");
        for (const auto& e : Sample()) {
            if (!e.birthday) continue;
            SCOPED_TRACE(e.Name());
            for (const auto& item : view.items)
                if (item.props.at("3001") == e.Name()) {
                    EXPECT_EQ(DayOf(item.props.at(Key(F::Birthday))), DayText(e.birthday));
                }
            // olefile: the birthday's FILETIME in the MSG's property stream.
            ToolResult r = RunPython(R"(
import sys, struct, olefile, datetime
data = olefile.OleFileIO(sys.argv[1]).openstream('__properties_version1.0').read()
for at in range(32, len(data), 16):
    tag, flags, value = struct.unpack_from('<IIq', data, at)
    if tag == 0x3A420040:
        print(datetime.datetime.fromtimestamp(value / 1e7 - 11644473600).date())
)", Quote(msgs.at(e.Name())));
            EXPECT_EQ(r.out, DayText(e.birthday) + "\n");
            r = RunPython("import sys, vobject\nprint(vobject.readOne(open(sys.argv[1], encoding='utf-8').read()).bday.value)",
                          Quote(cards.at(e.Name())));
            EXPECT_EQ(r.out, DayText(e.birthday) + "\n");
        }
    }
}
