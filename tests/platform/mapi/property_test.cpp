#include <mapi/contact.h>
#include <mapi/property.h>
#include <mapi/tags.h>

#include <gtest/gtest.h>

#include <set>

using namespace mapi;

TEST(Guid, ParsesToLittleEndianWireLayout) {
    Guid g = GuidFromString("00062004-0000-0000-C000-000000000046");
    Guid expected{0x04, 0x20, 0x06, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    EXPECT_EQ(g, expected);
    EXPECT_THROW(GuidFromString("123"), std::invalid_argument);
}

TEST(PropertyKey, OrdersFixedIdsFirstThenBySetBytesIdNameAndType) {
    // A store numbers named properties in the order of a bag's keys: this
    // order is part of what is written.
    Guid low{}, high{}, lastByte{};
    high[0] = 0x01;  // the first byte outweighs every later one
    lastByte[15] = 0xFF;
    const std::vector<PropertyKey> ordered{
        PropertyKey::Tag(0x0037, PropType::Int32),
        PropertyKey::Tag(0x0037, PropType::Unicode),
        PropertyKey::Tag(0x8001, PropType::Unicode),
        PropertyKey::NamedString(low, "Alpha", PropType::Unicode),  // names have id 0
        PropertyKey::NamedString(low, "alpha", PropType::Unicode),
        PropertyKey::Named(low, 2, PropType::Unicode),
        PropertyKey::Named(lastByte, 1, PropType::Unicode),
        PropertyKey::Named(high, 0, PropType::Int32),
        PropertyKey::Named(high, 0, PropType::Unicode),
    };
    for (size_t i = 0; i < ordered.size(); ++i)
        for (size_t k = 0; k < ordered.size(); ++k) {
            EXPECT_EQ(ordered[i] < ordered[k], i < k) << i << " against " << k;
            EXPECT_EQ(ordered[i] == ordered[k], i == k) << i << " against " << k;
        }
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

TEST(Tags, ContactEmailPropertiesHaveTheirPublishedIdsAndTypes) {
    struct Case { AddressLid lid; uint32_t expected; PropType type; };
    const Case cases[] = {
        {PidLidEmail1DisplayName, 0x8080, PropType::Unicode},
        {PidLidEmail1AddressType, 0x8082, PropType::Unicode},
        {PidLidEmail1EmailAddress, 0x8083, PropType::Unicode},
        {PidLidEmail1OriginalDisplayName, 0x8084, PropType::Unicode},
        {PidLidEmail2DisplayName, 0x8090, PropType::Unicode},
        {PidLidEmail2AddressType, 0x8092, PropType::Unicode},
        {PidLidEmail2EmailAddress, 0x8093, PropType::Unicode},
        {PidLidEmail2OriginalDisplayName, 0x8094, PropType::Unicode},
        {PidLidEmail3DisplayName, 0x80A0, PropType::Unicode},
        {PidLidEmail3AddressType, 0x80A2, PropType::Unicode},
        {PidLidEmail3EmailAddress, 0x80A3, PropType::Unicode},
        {PidLidEmail3OriginalDisplayName, 0x80A4, PropType::Unicode},
        {PidLidAddressBookProviderEmailList, 0x8028, PropType::MultipleInt32},
        {PidLidAddressBookProviderArrayType, 0x8029, PropType::Int32},
        {PidLidHomeAddress, 0x801A, PropType::Unicode},
        {PidLidWorkAddress, 0x801B, PropType::Unicode},
        {PidLidOtherAddress, 0x801C, PropType::Unicode},
        {PidLidPostalAddressId, 0x8022, PropType::Int32},
        {PidLidWorkAddressCountry, 0x8049, PropType::Unicode},
        {PidLidBirthdayLocal, 0x80DE, PropType::SysTime},
        {PidLidWeddingAnniversaryLocal, 0x80DF, PropType::SysTime},
    };
    std::set<uint32_t> seen;
    for (const auto& c : cases) {
        EXPECT_EQ(c.lid.lid, c.expected);
        EXPECT_EQ(c.lid.type, c.type) << std::hex << c.expected;
        const PropertyKey key = c.lid.Key();
        ASSERT_TRUE(key.IsNamed());
        EXPECT_EQ(key.Name().propertySet, kPsetidAddress);
        EXPECT_EQ(key.Name().lid, c.expected);
        EXPECT_EQ(key.type, c.type);
        EXPECT_TRUE(seen.insert(c.lid.lid).second) << std::hex << c.expected;
    }
}

TEST(Tags, CategoriesAreAMultiValuedTextNamedKeywordsInThePublicStrings) {
    const PropertyKey key = PidNameKeywords.Key();
    ASSERT_TRUE(key.IsNamed());
    EXPECT_TRUE(key.Name().IsString());
    EXPECT_EQ(key.Name().name, "Keywords");
    EXPECT_EQ(key.Name().propertySet, kPsPublicStrings);
    EXPECT_EQ(key.type, PropType::MultipleUnicode);
    EXPECT_NE(key, PropertyKey::Named(kPsPublicStrings, 0, PropType::MultipleUnicode));  // not the numeric name 0
    EXPECT_EQ(PidTagChildrensNames.Tag(), 0x3A58101Fu);
}

TEST(Tags, TagValuesPutTheIdAboveTheType) {
    EXPECT_EQ(PidTagMessageClass.Tag(), 0x001A001Fu);
    EXPECT_EQ(PidTagMessageFlags.Tag(), 0x0E070003u);
    EXPECT_EQ(PidTagStoreSupportMask.Tag(), 0x340D0003u);
    EXPECT_EQ(PidTagMessageFlags.Key(), PropertyKey::Tag(0x0E07, PropType::Int32));
}
