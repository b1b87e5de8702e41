#include <notes/field_rules.h>

#include "support/open_database.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// The first contact of the sample whose FullName (or FirstName) is name.
LNDocument SampleContact(OpenDatabase& sample, const std::string& name) {
    LNDocumentArray docs = sample.Search("Form=\"Person\"");
    for (size_t i = 0; i < docs.GetCount(); ++i) {
        LNDocument d = docs[i];
        d.Open();
        if (notes::ReadItemText(d, "FullName") == name || notes::ReadItemText(d, "FirstName") == name)
            return d;
    }
    ADD_FAILURE() << "no contact " << name;
    return {};
}

}  // namespace

TEST(TextRule, GivesTheFirstValueOrTheCallersDefault) {
    OpenDatabase sample(SamplePath());
    LNDocument lena = SampleContact(sample, "Lena Fischer");
    LNDocument margarethe = SampleContact(sample, "Margarethe");
    struct Case {
        const LNDocument* doc;
        const char* item;
        std::string_view fallback;
        std::string expected;
    };
    const Case cases[] = {
        {&lena, "JobTitle", notes::kExporterDefault, " "},  // present but empty
        {&lena, "JobTitle", notes::kWindowDefault, ""},
        {&lena, "NoSuchItem", notes::kExporterDefault, " "},
        {&margarethe, "FullName", notes::kWindowDefault, ""},
        {&margarethe, "FirstName", notes::kWindowDefault, "Margarethe"},
    };
    for (const auto& c : cases) {
        std::string v = notes::ReadItemText(*c.doc, c.item, c.fallback);
        EXPECT_EQ(v, c.expected) << c.item;
    }
    LNDocument closed;
    EXPECT_EQ(notes::ReadItemText(closed, "FullName"), " ");
}

TEST(TextRule, TakesOnlyTheFirstValueAndCutsAtACharacterBoundary) {
    TempDir dir;
    std::string longValue;
    for (int i = 0; i < 1021; ++i) longValue += 'a';
    longValue += "\xF0\x9F\x98\x80\xC3\xA9tail";  // the emoji takes UTF-16 units 1022 and 1023
    std::string path = dir.Write("r.dxl", Dxl(Person("<item name='Cats'><textlist><text>One</text><text>Two</text></textlist></item>" +
                                                     Text("Comment", longValue))));
    OpenDatabase open(path);
    LNDocument doc = open.Search("@All")[0];
    doc.Open();
    EXPECT_EQ(notes::ReadItemText(doc, "Cats"), "One");
    std::string cut = notes::ReadItemText(doc, "Comment");
    EXPECT_EQ(cut, longValue.substr(0, 1021 + 4));
    EXPECT_EQ(notes::CutToChars("\xD0\x96\xD0\x96", 1), "\xD0\x96");

    // The cut counts UTF-16 units and never leaves half a character people see.
    const std::string acute = "e\xCC\x81", smile = "\xF0\x9F\x98\x80", zwj = "\xE2\x80\x8D",
                      family = smile + zwj + smile + zwj + smile;  // 8 units
    const struct {
        size_t as;
        std::string tail;
        size_t kept;  // bytes
    } cuts[] = {
        {1022, smile + "x", 1022},                      // a surrogate pair past the limit goes whole
        {1022, acute + "x", 1022},                      // the letter stays with its accent
        {1021, acute + "x", 1021 + 3},                  // both fit
        {1016, family, 1016},                           // a ZWJ sequence goes whole
        {1015, family + "x", 1015 + family.size()},     // or stays whole
        {0, std::string(2000, 'b'), 1023},
    };
    for (const auto& c : cuts) {
        const std::string value = std::string(c.as, 'a') + c.tail;
        EXPECT_EQ(notes::CutValue(value), value.substr(0, c.kept)) << c.as << " " << c.tail.size();
    }
    // A first cluster longer than the limit is cut at a character rather
    // than lost; bytes that are not UTF-8 are cut without reading past them.
    std::string marks = "e";
    for (int i = 0; i < 1100; ++i) marks += "\xCC\x81";
    EXPECT_EQ(notes::CutValue(marks), marks.substr(0, 1 + 1022 * 2));
    EXPECT_LE(notes::CutValue(std::string(3000, '\xCC')).size(), 2046u);
}

TEST(TextRule, EveryValueTheCommentAndTheCommonNameOfTheFidelityContacts) {
    OpenDatabase fidelity(std::string(FERRYWELL_SOURCE_DIR) + "/samples/fidelity.dxl");
    LNDocument jane = SampleContact(fidelity, "Jane Q Doe");
    LNDocument taro = SampleContact(fidelity, "\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E");
    bool cut = true;
    EXPECT_EQ(notes::ReadTextValues(jane, "MailAddress", &cut),
              (std::vector<std::string>{"jane.doe@acme.example", "jane@doe-family.example", "jq@golfclub.example",
                                        "jane.doe@board.example"}));
    EXPECT_FALSE(cut);
    EXPECT_EQ(notes::ReadTextValues(jane, "Categories"), (std::vector<std::string>{"Business", "Golf, Tennis", "VIP"}));
    EXPECT_TRUE(notes::ReadTextValues(jane, "NoSuchItem").empty());
    EXPECT_EQ(notes::ReadTextValues(jane, "Birthday"), (std::vector<std::string>{"1976-02-29"}));  // any item reads as text
    const auto street = notes::ReadTextValues(taro, "StreetAddress", &cut);
    ASSERT_EQ(street.size(), 1u);
    EXPECT_TRUE(cut);
    EXPECT_EQ(street[0], notes::CutToChars(street[0], notes::kMaxValueChars));
    EXPECT_EQ(notes::ReadRichText(jane, "Comment"), "Met at the Boston trade fair in 2004.\nPrefers e-mail over phone calls.");
    EXPECT_EQ(notes::ReadRichText(jane, "Spouse"), "John Doe");  // a text item reads too
    EXPECT_EQ(notes::ReadRichText(jane, "NoSuchItem"), "");
    LNDocument closed;
    EXPECT_TRUE(notes::ReadTextValues(closed, "MailAddress").empty());
    EXPECT_EQ(notes::ReadRichText(closed, "Comment"), "");

    struct Case {
        const char* name;
        const char* common;
    } names[] = {
        {"CN=Richard Roe/OU=Sales/O=Acme", "Richard Roe"},
        {"cn=Richard Roe", "Richard Roe"},
        {" CN=\xE9\x88\xB4\xE6\x9C\xA8 \xE4\xB8\x80\xE9\x83\x8E/O=\xE5\xB1\xB1\xE7\x94\xB0 ", "\xE9\x88\xB4\xE6\x9C\xA8 \xE4\xB8\x80\xE9\x83\x8E"},
        {"Richard Roe/Sales/Acme", "Richard Roe/Sales/Acme"},  // abbreviated: a plain value may hold a slash too
        {"Peter Quincy", "Peter Quincy"},
        {"CN=", "CN="},
        {"", ""},
    };
    for (const auto& n : names) EXPECT_EQ(notes::CommonName(n.name), n.common) << n.name;
}

TEST(Dates, TextAndParserAgree) {
    struct Case {
        const char* text;
        bool valid;
        double value;
    };
    const Case cases[] = {
        {"1975-03-14", true, 27467.0},
        {"2001-05-22 10:36:36", true, 37033.0 + (10 * 3600 + 36 * 60 + 36) / 86400.0},
        {"12:00:00", true, 0.5},
        {"1975-03-14;2001-05-22", false, 0.0},  // two dates do not parse
        {"2001-02-30", false, 0.0},
        {"", false, 0.0},
        {"yesterday", false, 0.0},
    };
    for (const auto& c : cases) {
        notes::OleDate d = notes::ConvertString2Date(c.text);
        EXPECT_EQ(d.valid, c.valid) << c.text;
        EXPECT_NEAR(d.value, c.value, 1e-6) << c.text;
    }
    notes::OleDate start{100.0, true}, end{200.5, true};
    EXPECT_TRUE(notes::InBetween({100.0, true}, start, end));
    EXPECT_TRUE(notes::InBetween({200.5, true}, start, end));
    EXPECT_FALSE(notes::InBetween({200.6, true}, start, end));
    EXPECT_FALSE(notes::InBetween(notes::ConvertString2Date("x"), start, end));
}

TEST(Dates, TheSamplesDateListsReadAsTextThatParsesWhenSingle) {
    OpenDatabase sample(SamplePath());
    LNDocument paolo = SampleContact(sample, "Paolo Rossi");
    std::string anniversary = notes::ReadDateListText(paolo, "Anniversary");
    EXPECT_NE(anniversary.find(';'), std::string::npos) << anniversary;
    EXPECT_FALSE(notes::ConvertString2Date(anniversary).valid);
    std::string birthday = notes::ReadDateListText(paolo, "Birthday");
    EXPECT_TRUE(notes::ConvertString2Date(birthday).valid) << birthday;
    EXPECT_EQ(notes::ReadDateListText(paolo, "NoSuchItem"), "");
}
