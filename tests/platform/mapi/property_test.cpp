#include <mapi/contact.h>
#include <mapi/property.h>

#include <gtest/gtest.h>

#include <set>

using namespace mapi;

TEST(Guid, ParsesToLittleEndianWireLayout) {
    Guid g = GuidFromString("00062004-0000-0000-C000-000000000046");
    Guid expected{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    EXPECT_EQ(g, expected);
    EXPECT_THROW(GuidFromString("123"), std::invalid_argument);
}

TEST(FileTime, RoundTripsOleDatesIncludingBeforeTheEpoch) {
    struct Case { double ole; int64_t ticks; };
    // 1899-12-30 is 109205 days after 1601-01-01.
    const Case cases[] = {
        {0.0, 109205LL * 864000000000LL},
        {1.5, 109206LL * 864000000000LL + 432000000000LL},
        {-1.25, 109204LL * 864000000000LL + 216000000000LL},  // 29 Dec 1899 06:00
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileTimeFromOleDate(c.ole).ticks, c.ticks) << c.ole;
        EXPECT_DOUBLE_EQ(OleDateFromFileTime(FileTime{c.ticks}), c.ole) << c.ole;
    }
}

TEST(Utf, ConvertsBothWaysAndReplacesInvalidBytes) {
    std::string text = "Zo\xC3\xAB \xD0\x96 \xE6\x9D\xB1 \xF0\x9F\x98\x80";
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text)), text);
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
    EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong '/'
    EXPECT_EQ(Utf8ToUtf16("\xE6\x9D"), u"\uFFFD");       // truncated
}

TEST(ContactFields, EveryNameMapsToOneDistinctProperty) {
    std::set<PropertyKey> keys;
    for (const auto& f : ContactFields()) {
        EXPECT_EQ(FindContactField(f.name), &f);
        keys.insert(f.key);
    }
    EXPECT_EQ(keys.size(), ContactFields().size());
    EXPECT_TRUE(InfoOf(ContactField::Email1Address).key.IsNamed());
    EXPECT_EQ(InfoOf(ContactField::Birthday).key.type, PropType::SysTime);
}
