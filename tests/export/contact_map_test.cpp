// The contact table on documents read from DXL: each value where it means
// and nowhere else, the e-mail slots, and what finds no property listed once.
#include <contacts/file_as.h>
#include <exporting/contact_item_fill.h>
#include <exporting/contact_map.h>

#include "person_record.h"

#include <open_database.h>
#include <temp_files.h>
#include <growth.h>
#include <time_zone.h>

#include <gtest/gtest.h>

#include <map>

using namespace exporting;
using namespace testsupport;
using F = mapi::ContactField;

namespace {

std::string List(const std::string& name, std::initializer_list<std::string> values, const char* kind = "text") {
    std::string out = "<item name='" + name + "'><" + kind + "list>";
    for (const auto& v : values) out += "<" + std::string(kind) + ">" + v + "</" + kind + ">";
    return out + "</" + kind + "list></item>";
}
std::string Date(const std::string& name, const std::string& value) {
    return "<item name='" + name + "'><datetime>" + value + "</datetime></item>";
}
std::string Rich(const std::string& name, const std::string& paragraph) {
    return "<item name='" + name + "'><richtext><pardef id='1'/><par def='1'>" + paragraph + "</par></richtext></item>";
}

// The one Person document of a database made of items.
ContactRecord Read(const std::string& items) { return exporttest::ReadPersonRecord(items); }

// The contact's texts as its Outlook item holds them, but for the subject,
// the body and the empty recipients.
std::map<F, std::string> Texts(const contacts::Contact& contact) {
    store::ContactItem item(nullptr);
    SetContactItem(item, contact);
    std::map<F, std::string> out;
    for (const auto& info : mapi::ContactFields()) {
        if (info.key.type != mapi::PropType::Unicode || info.field == F::Body) continue;
        if (std::string v = item.Get(info.field); !v.empty()) out.emplace(info.field, v);
    }
    return out;
}

std::string EmailSlot(const contacts::Contact& c, size_t k) { return k < c.emails.size() ? c.emails[k] : ""; }

}  // namespace

TEST(ContactTable, EachValueLandsInThePropertyOfItsMeaningAndNowhereElse) {
    const ContactRecord c = Read(
        Text("Title", "Dr.") + Text("FirstName", "Jane") + Text("MiddleInitial", "Q") + Text("LastName", "Doe") +
        Text("Suffix", "Jr.") + List("FullName", {"Jane Q Doe", "CN=Jane Q Doe/O=Acme"}) + Text("ShortName", "jdoe") +
        Text("nickname", "JD") + Text("CompanyName", "Acme") + Text("JobTitle", "VP") + Text("Department", "Sales") +
        Text("Location", "Room 301") + Text("Manager", "CN=Richard Roe/OU=Sales/O=Acme") + Text("Assistant", "Peter Quincy") +
        Text("Spouse", " ") + List("Children", {"Emily", "Jack"}) + List("Categories", {"Business", "Golf, Tennis"}) +
        Text("StreetAddress", "42 Elm Street") + Text("City", "Brookline") + Text("State", "MA") + Text("Zip", "02445") +
        Text("Country", "United States") + Text("OfficeStreetAddress", "1 Main Street") + Text("OfficeCity", "Cambridge") +
        Text("OfficeState", "NY") + Text("OfficeZip", "02142") + Text("OfficeCountry", "USA") +
        Text("OfficePhoneNumber", "100") + Text("PhoneNumber", "123") + Text("CellPhoneNumber", "150") +
        Text("PersPager", "199") + Text("OfficeFAXPhoneNumber", "180") + Text("HomeFAXPhoneNumber", "181") +
        Text("Work2Phone", "102") + Text("Home2Phone", "125") + Text("AssistantPhone", "110") + Text("CarPhone", "160") +
        Text("MailAddress", "jane@acme.example") + Text("WebSite", "https://jane.example") + Text("JobTitle", "Second") +
        Date("Birthday", "19760229") + Date("Anniversary", "20010522T103636,81-04"));
    const contacts::Contact p = MapContact(c);
    const std::map<F, std::string> expected{
        {F::Title, "Dr."}, {F::FirstName, "Jane"}, {F::MiddleName, "Q"}, {F::LastName, "Doe"}, {F::Suffix, "Jr."},
        {F::FullName, "Jane Q Doe"}, {F::Initials, "jdoe"}, {F::NickName, "JD"}, {F::CompanyName, "Acme"},
        {F::JobTitle, "VP"}, {F::Department, "Sales"}, {F::OfficeLocation, "Room 301"}, {F::ManagerName, "Richard Roe"},
        {F::AssistantName, "Peter Quincy"}, {F::HomeAddressStreet, "42 Elm Street"}, {F::HomeAddressCity, "Brookline"},
        {F::HomeAddressState, "MA"}, {F::HomeAddressPostalCode, "02445"}, {F::HomeAddressCountry, "United States"},
        {F::BusinessAddressStreet, "1 Main Street"}, {F::BusinessAddressCity, "Cambridge"},
        {F::BusinessAddressState, "NY"}, {F::BusinessAddressPostalCode, "02142"}, {F::BusinessAddressCountry, "USA"},
        {F::PrimaryTelephoneNumber, "100"}, {F::BusinessTelephoneNumber, "100"}, {F::HomeTelephoneNumber, "123"},
        {F::MobileTelephoneNumber, "150"}, {F::PagerNumber, "199"}, {F::BusinessFaxNumber, "180"},
        {F::HomeFaxNumber, "181"}, {F::Business2TelephoneNumber, "102"}, {F::Home2TelephoneNumber, "125"},
        {F::AssistantTelephoneNumber, "110"}, {F::CarTelephoneNumber, "160"}, {F::Email1Address, "jane@acme.example"},
        {F::PersonalHomePage, "https://jane.example"}, {F::BusinessHomePage, "https://jane.example"},
    };
    // Exactly these: no profession, telex, company main number, other
    // address, and no blank spouse.
    EXPECT_EQ(Texts(p), expected);
    EXPECT_EQ(p.children, (std::vector<std::string>{"Emily", "Jack"}));
    EXPECT_EQ(p.categories, (std::vector<std::string>{"Business", "Golf, Tennis"}));
    EXPECT_EQ(p.birthday, (contacts::CalendarDay{1976, 2, 29}));
    EXPECT_EQ(p.anniversary, (contacts::CalendarDay{2001, 5, 22}));
    // The second JobTitle item is the same item; the alternate name is kept.
    // A second JobTitle item is no longer lost.
    EXPECT_EQ(p.notes.moreFromSource, (std::vector<std::string>{"FullName: CN=Jane Q Doe/O=Acme", "JobTitle: Second"}));
    EXPECT_EQ(c.DisplayName(), "Jane Q Doe");
}

TEST(ContactTable, EmptyEmailSlotsTakeTheFurtherAddressesThatDiffer) {
    const struct {
        const char* what;
        std::string items;
        std::vector<std::string> slots, unplaced;
    } cases[] = {
        {"four addresses and an Internet address",
         List("MailAddress", {"a@x.example", "b@x.example", "c@x.example", "d@x.example"}) + Text("InternetAddress", "i@x.example"),
         {"a@x.example", "b@x.example", "c@x.example"}, {"MailAddress: d@x.example", "InternetAddress: i@x.example"}},
        {"the slots' own items; the Internet address repeats the first in other case",
         Text("MailAddress", "a@x.example") + Text("MiscPhone1", "m1@x.example") + Text("MiscPhone2", "m2@x.example") + Text("InternetAddress", "A@X.EXAMPLE"),
         {"a@x.example", "m1@x.example", "m2@x.example"}, {}},
        {"an Internet address alone", Text("InternetAddress", "i@x.example"), {"i@x.example", "", ""}, {}},
        {"a gap between the slots' items", List("MailAddress", {"a@x.example", "b@x.example"}) + Text("MiscPhone2", "m2@x.example"),
         {"a@x.example", "b@x.example", "m2@x.example"}, {}},
        {"a repeated address and blanks", List("MailAddress", {"a@x.example", " ", "a@x.example"}) + Text("MiscPhone1", " ") + Text("InternetAddress", "i@x.example"),
         {"a@x.example", "i@x.example", ""}, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        const contacts::Contact p = MapContact(Read(t.items));
        std::vector<std::string> slots;
        for (size_t k = 0; k < 3; ++k) slots.push_back(EmailSlot(p, k));
        EXPECT_EQ(slots, t.slots);
        EXPECT_EQ(p.notes.moreFromSource, t.unplaced);
    }
}

TEST(ContactTable, ADirectoryPersonIsShownByItsCommonNameAndMailedAtItsInternetAddress) {
    const struct {
        const char* what;
        std::string items;
        std::string fullName, fileAs, email1;
        std::vector<std::string> notes;
    } cases[] = {
        {"a canonical name and a routing address",
         List("FullName", {"CN=Hana Canon/OU=Ops/O=Orbis", "Hana Canon", "HC"}) +
             Text("MailAddress", "Hana Canon/Ops/Orbis@Orbis") + Text("InternetAddress", "hana@orbis.example"),
         "Hana Canon", "Canon, Hana", "hana@orbis.example",
         {"Notes name: CN=Hana Canon/OU=Ops/O=Orbis", "Notes mail address: Hana Canon/Ops/Orbis@Orbis", "FullName: HC"}},
        {"an abbreviated name, names kept by a further MailAddress",
         Text("FullName", "Ilse Bauer/Ops/Orbis") + Text("LastName", "Bauer") +
             List("MailAddress", {"Ilse Bauer@Orbis", "ilse@orbis.example"}),
         "Ilse Bauer", "Bauer", "ilse@orbis.example", {"Notes name: Ilse Bauer/Ops/Orbis", "Notes mail address: Ilse Bauer@Orbis"}},
        {"an Internet address alone", Text("FullName", "Jo Plain") + Text("InternetAddress", "jo@plain.example"), "Jo Plain",
         "Jo Plain", "jo@plain.example", {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        const ContactRecord record = Read(t.items);
        const contacts::Contact c = MapContact(record);
        EXPECT_EQ(c.fullName, t.fullName);
        EXPECT_EQ(contacts::FileAs(c), t.fileAs);
        EXPECT_EQ(EmailSlot(c, 0), t.email1);
        EXPECT_EQ(c.notes.moreFromSource, t.notes);
        EXPECT_EQ(record.DisplayName(), t.fullName);  // the log's name
        EXPECT_EQ(CsvValues(c).at("FullName"), t.fullName);
        EXPECT_EQ(CsvValues(c).at("MailAddress"), t.email1);
    }
}

TEST(ContactTable, WhatFindsNoPropertyIsListedOnceAfterTheRichTextAndTheComment) {
    const ContactRecord c = Read(
        Text("FullName", "Jane Doe") + Text("CellPhoneNumber", "150") + Text("dspCellPhone", "150") +
        Text("Work3Phone", "103") + Text("PhoneNumber_6", "150") + Text("AltFullName", "CN=ジェーン/O=Acme") +
        Text("City", "Brookline") + Text("HomeAddress", "Brookline MA") + Text("BusinessAddress", "1 Main Street") +
        "<item name='ContactRating'><number>5</number></item>" + List("Extensions", {"100", "101"}, "number") +
        Date("BestTimeToCall", "T093000,00") + Text("Empty", "") + Text("Blank", " ") +
        // Notes' own: never shown.
        Text("Form", "Person") + Text("Type", "Person") + Text("$Conflict", "1") + Text("_AddressFormat", "0") +
        List("DocAuthors", {"CN=Jane Doe/O=Acme", "[Editor]"}) + Text("Certificate", "0301 A3F2") + Text("MailSystem", "1") +
        Text("Subject", "Card of Jane") + Rich("Comment", "Met in 2004.") +
        Rich("Body", "Card:<tab/><picture width='1px' height='1px'><gif>R0lGOD==</gif></picture> <urllink href='https://a.example'><run>site</run></urllink>"));
    const contacts::Contact p = MapContact(c);
    const std::vector<std::string> unplaced{"Work3Phone: 103", "AltFullName: CN=ジェーン/O=Acme",
                                            "BusinessAddress: 1 Main Street", "ContactRating: 5",
                                            "Extensions: 100; 101", "BestTimeToCall: 09:30:00"};
    EXPECT_EQ(p.notes.moreFromSource, unplaced);
    std::string more = "More from Notes:";
    for (const auto& line : unplaced) more += "\n" + line;
    EXPECT_EQ(contacts::NotesText(p.notes), "Card:\t[picture: picture-1.gif] site (https://a.example)\n\nMet in 2004.\n\n" + more);
    // A record given to be taken makes the same contact, its texts and
    // files moved out of it; what is read of it afterwards stays.
    ContactRecord taken = c;
    EXPECT_EQ(MapContact(std::move(taken)), p);
    EXPECT_TRUE(taken.body.empty() && taken.comment.empty() && taken.attachments.empty() && !taken.photo);
    EXPECT_EQ(taken.DisplayName(), c.DisplayName());
    EXPECT_EQ(taken.items.size(), c.items.size());
    for (auto name : {"Form", "$Conflict", "_AddressFormat", "DocAuthors", "Certificate", "MailSystem"})
        EXPECT_TRUE(IsBookkeepingItem(name)) << name;
    for (auto name : {"Comment", "Work3Phone", "MailServer", "Formula", "Owners"}) EXPECT_FALSE(IsBookkeepingItem(name)) << name;
}

TEST(ContactTable, ItemNamesMatchIgnoringCaseAndTheFirstOfTwoWins) {
    const std::string longName(40, 'x'), otherLong = std::string(39, 'x') + "y";
    ContactRecord c;
    c.items = {{"LASTNAME", {"Roe"}}, {"LastName", {"Doe"}}, {otherLong, {"other"}}, {longName, {"long"}},
               {"firstname", {"Ann"}}, {"Zip", {"02446"}}, {"zip", {"99999"}}};
    const contacts::Contact p = MapContact(c);
    const auto texts = Texts(p);
    EXPECT_EQ(texts.at(F::LastName), "Roe");
    EXPECT_EQ(texts.at(F::FirstName), "Ann");
    EXPECT_EQ(texts.at(F::HomeAddressPostalCode), "02446");
    const std::vector<std::string> unplaced{"LastName: Doe", otherLong + ": other", longName + ": long", "zip: 99999"};
    EXPECT_EQ(p.notes.moreFromSource, unplaced);
}

TEST(ContactTable, OnlyOneDayIsABirthday) {
    const struct {
        std::string birthday;
        std::optional<contacts::CalendarDay> day;
        std::vector<std::string> unplaced;
    } cases[] = {
        {Date("Birthday", "19750314"), contacts::CalendarDay{1975, 3, 14}, {}},
        {Date("Birthday", "19750314T235900,00+01"), contacts::CalendarDay{1975, 3, 14}, {}},
        {List("Birthday", {"19800101", "19810202"}, "datetime"), std::nullopt, {"Birthday: 1980-01-01; 1981-02-02"}},
        {Date("Birthday", "T093000,00"), std::nullopt, {"Birthday: 09:30:00"}},  // a time is no day
        {Date("Birthday", "15000101"), std::nullopt, {"Birthday: 1500-01-01"}},  // before what the stores hold
        {Text("Birthday", "14 March"), std::nullopt, {"Birthday: 14 March"}},     // text where a date belongs
        {Date("Birthday", "16010102"), contacts::CalendarDay{1601, 1, 2}, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.birthday);
        const contacts::Contact p = MapContact(Read(Text("FullName", "A") + t.birthday));
        EXPECT_EQ(p.birthday, t.day);
        EXPECT_EQ(p.notes.moreFromSource, t.unplaced);
    }
    // The first day the stores hold begins before 1601 east of Greenwich:
    // there it sets nothing, and is listed, as earlier days are.
    for (const char* zone : {"UTC", "America/New_York", "Europe/Berlin"}) {
        testsupport::ScopedTimeZone tz(zone);
        const contacts::Contact p = MapContact(Read(Text("FullName", "A") + Date("Birthday", "16010101")));
        EXPECT_EQ(p.birthday.has_value(), std::string(zone) != "Europe/Berlin") << zone;
        EXPECT_EQ(p.notes.moreFromSource.size(), p.birthday ? 0u : 1u) << zone;
    }
}

TEST(ContactRecord, KeepsTheTextRuleForTheCsvAndNamesTheContact) {
    std::string longStreet(1100, 'a');
    const ContactRecord c = Read(Text("FirstName", "Jane") + Text("JobTitle", "") + Text("StreetAddress", longStreet) +
                                 Text("NotACsvColumn", "x") + Date("Birthday", "19750314") + Text("From", "CN=Editor/O=Acme") +
                                 Text("Manager", "CN=Richard Roe/OU=Sales/O=Acme") + Text("Assistant", "Peter Quincy/Acme"));
    const ContactValues csv = CsvValues(MapContact(c));
    EXPECT_EQ(csv.at("FirstName"), "Jane");
    // People in the columns by their common name, as the contact item holds them.
    EXPECT_EQ(csv.at("Manager"), "Richard Roe");
    EXPECT_EQ(csv.at("Assistant"), "Peter Quincy/Acme");
    EXPECT_FALSE(csv.count("JobTitle"));  // present but empty
    EXPECT_EQ(csv.at("StreetAddress").size(), notes::kMaxValueChars);
    EXPECT_EQ(csv.at("Birthday"), "1975-03-14");
    EXPECT_FALSE(csv.count("NotACsvColumn"));
    EXPECT_EQ(c.Value("NotACsvColumn"), "x");
    EXPECT_EQ(c.Value("LastName"), "");
    EXPECT_EQ(c.from, "CN=Editor/O=Acme");
    EXPECT_EQ(c.cutItems, std::vector<std::string>{"StreetAddress"});
    // From belongs to the document, not the person.
    EXPECT_EQ(MapContact(c).notes.moreFromSource, std::vector<std::string>{"NotACsvColumn: x"});

    const struct {
        std::string items, name;
    } names[] = {
        {Text("FullName", "Jane Q Doe") + Text("FirstName", "J"), "Jane Q Doe"},
        {Text("FullName", " ") + Text("Title", "Dr.") + Text("FirstName", "Jane") + Text("LastName", "Doe"), "Dr. Jane Doe"},
        {Text("CompanyName", "Acme") + Text("MailAddress", "a@x"), "Acme"},
        {Text("InternetAddress", "i@x"), "i@x"},
        {Text("JobTitle", "VP"), ""},
    };
    for (const auto& n : names) EXPECT_EQ(Read(n.items).DisplayName(), n.name) << n.items;
}

TEST(ContactRecord, AnItemRepeatedUnderOneNameGivesEveryValueInOrderTrimmed) {
    // Names ignore case; a repeated item adds its values to the first of its
    // name; the rich text's first item is the one read.
    const ContactRecord c = Read(Text("FullName", "A") + Text("Nick", " n1\t") + Text("NICK", "n2\n") + Rich("Body", "first") +
                                 Rich("body", "second") + Date("Birthday", "19750314") + Date("BIRTHDAY", "19800101") +
                                 Text("fullname", "B"));
    std::vector<std::string> names;
    for (const auto& item : c.items) names.push_back(item.name);
    EXPECT_EQ(names, (std::vector<std::string>{"FullName", "Nick", "Birthday"}));
    EXPECT_EQ(*c.Values("nick"), (std::vector<std::string>{"n1", "n2"}));
    EXPECT_EQ(c.Value("FULLNAME"), "A");
    EXPECT_EQ(c.body, "first");
    // Two birthdays are no one day: both kept as the Notes items hold them.
    const contacts::Contact p = MapContact(c);
    EXPECT_FALSE(p.birthday);
    EXPECT_EQ(CsvValues(p).at("Birthday"), "1975-03-14;1980-01-01");
    EXPECT_EQ(p.notes.moreFromSource, (std::vector<std::string>{"FullName: B", "Nick: n1; n2", "Birthday: 1975-03-14; 1980-01-01"}));
    // Blank-edged values, a blank first phone and repeated phones in a whole
    // export: Directory.PstReadersSeeCommonNamesInternetAddressesAndEveryValue.
}

TEST(ContactTable, ManyItemsAndValuesTakeTimeInProportion) {
    // Reading each item by name and listing each value once must not take
    // time that grows with the square of their number.
    auto readAndMap = [](int many) {
        std::string items = Text("FullName", "Many");
        for (int i = 0; i < many; ++i) items += Text("X" + std::to_string(i), "v" + std::to_string(i));
        items += Text("x7", "a second item of the name");
        std::string mail = "<item name='MailAddress'><textlist>";
        for (int i = 0; i < many; ++i) mail += "<text>m" + std::to_string(i % (many / 2)) + "@x.example</text>";
        const ContactRecord c = Read(items + mail + "</textlist></item>");
        const contacts::Contact p = MapContact(c);
        ASSERT_EQ(p.notes.moreFromSource.size(), size_t(many) + 1);
        EXPECT_EQ(p.notes.moreFromSource[7], "X7: v7; a second item of the name");  // names ignore case
        std::string lastMail = "MailAddress: m3@x.example";
        for (int i = 4; i < many / 2; ++i) lastMail += "; m" + std::to_string(i) + "@x.example";
        EXPECT_EQ(p.notes.moreFromSource.back(), lastMail);  // each address once
    };
    EXPECT_LT(testsupport::GrowthRatio(readAndMap, 25000, 100000), testsupport::LinearGrowthBound(25000, 100000));
}

TEST(ContactTable, FilesAreNamedAsTheirItemsAreFiledUnder) {
    // File As naming takes the text from the contact; the saved item derives
    // its own: both must agree.
    const struct {
        std::string items, subject, fileAs;
    } cases[] = {
        {Text("FirstName", "Jane") + Text("LastName", "Doe") + Text("FullName", "Dr. Jane Doe"), "Card", "Doe, Jane"},
        {Text("Title", "Dr.") + Text("MiddleInitial", "Q"), "", "Dr. Q"},
        {Text("LastName", " ") + Text("CompanyName", "Acme"), "Card", "Acme"},
        {Text("Nickname", "JD"), "Card", "Card"},
        {Text("Nickname", "JD"), "", ""},
    };
    for (const auto& c : cases) {
        const contacts::Contact contact = MapContact(Read(c.items), c.subject);
        store::ContactItem item(nullptr);
        SetContactItem(item, contact);
        EXPECT_EQ(contacts::FileAs(contact), c.fileAs) << c.items;
        EXPECT_EQ(item.FileAs(), c.fileAs) << c.items;
    }
}

TEST(ContactTable, AnItemCarriesTheOriginOfItsContactOrList) {
    // What a later run finds an item by comes with the model, for contacts
    // and lists alike; a contact of no known origin carries none.
    const contacts::Origin origin{"replica:852571E80054A1B2", "0123456789ABCDEF0123456789ABCDEF", 133000000000000000, 7};
    contacts::Contact contact = MapContact(Read(Text("FullName", "Jane Doe")), "Card");
    store::ContactItem plain(nullptr);
    SetContactItem(plain, contact);
    EXPECT_FALSE(mapi::GetSourceIdentity(plain.Properties()));
    contact.origin = origin;
    store::ContactItem item(nullptr);
    SetContactItem(item, contact);
    contacts::DistributionList list{"Team", "", {{"Jane Doe", "jane@example.com", contacts::MemberKind::Address}}, origin};
    store::DistListItem listItem(nullptr);
    SetDistListItem(listItem, list);
    for (const mapi::PropertyBag& properties : {item.Properties(), listItem.Properties()}) {
        const auto identity = mapi::GetSourceIdentity(properties);
        ASSERT_TRUE(identity);
        EXPECT_EQ(OriginOf(*identity), origin);
    }
}
