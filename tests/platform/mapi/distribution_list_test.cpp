// One-off entry IDs and the member properties of distribution lists.
#include <mapi/distribution_list.h>

#include <gtest/gtest.h>

#include <cstring>

using namespace mapi;

namespace {

Binary Bytes(const std::string& s) { return Binary(s.begin(), s.end()); }

std::vector<OneOffRecipient> People(size_t n) {
    std::vector<OneOffRecipient> out;
    for (size_t i = 0; i < n; ++i)
        out.push_back({"Reader " + std::to_string(i), "SMTP", "reader" + std::to_string(i) + "@example.org"});
    return out;
}

}  // namespace

TEST(OneOffEntryId, HasTheUnicodeMimeLayout) {
    const Binary id = EncodeOneOffEntryId({"Zo\xC3\xAB", "SMTP", "z@x.io"});
    const Binary head{0, 0, 0, 0, 0x81, 0x2B, 0x1F, 0xA4, 0xBE, 0xA3, 0x10, 0x19, 0x9D, 0x6E, 0x00, 0xDD,
                      0x01, 0x0F, 0x54, 0x02, 0x00, 0x00, 0x01, 0x80};
    ASSERT_GE(id.size(), head.size());
    EXPECT_EQ(Binary(id.begin(), id.begin() + 24), head);
    const Binary strings{'Z', 0, 'o', 0, 0xEB, 0, 0, 0, 'S', 0, 'M', 0, 'T', 0, 'P', 0, 0, 0,
                         'z', 0, '@', 0, 'x', 0, '.', 0, 'i', 0, 'o', 0, 0, 0};
    EXPECT_EQ(Binary(id.begin() + 24, id.end()), strings);
}

TEST(OneOffEntryId, ReadsBackWhatItWritesAndRefusesWhatItIsNot) {
    for (const OneOffRecipient& r : {OneOffRecipient{"\xE6\x9D\xB1 \xF0\x9F\x98\x80", "SMTP", "a@b.c"},
                                     OneOffRecipient{"", "", ""}, OneOffRecipient{"Name only", "SMTP", ""}})
        EXPECT_EQ(DecodeOneOffEntryId(EncodeOneOffEntryId(r)), r) << r.displayName;
    // A NUL inside a text would end it early: it is left out.
    EXPECT_EQ(DecodeOneOffEntryId(EncodeOneOffEntryId({std::string("a\0b", 3), "SMTP", "x@y.z"}))->displayName, "ab");

    // The 8-bit form: texts end with one zero byte.
    Binary ansi = EncodeOneOffEntryId({"", "", ""});
    ansi.resize(24);
    ansi[23] = 0x00;
    for (const char* s : {"J\xE9r\xF4me", "SMTP", "j@x.fr"}) {
        ansi.insert(ansi.end(), s, s + std::strlen(s));
        ansi.push_back(0);
    }
    EXPECT_EQ(DecodeOneOffEntryId(ansi), (OneOffRecipient{"J\xC3\xA9r\xC3\xB4me", "SMTP", "j@x.fr"}));

    const Binary good = EncodeOneOffEntryId({"A", "SMTP", "a@b.c"});
    Binary otherProvider = good;
    otherProvider[5] ^= 1;
    Binary unterminated = good;
    unterminated.resize(unterminated.size() - 2);
    for (const Binary& bad : {Binary{}, Binary(good.begin(), good.begin() + 23), otherProvider, unterminated})
        EXPECT_FALSE(DecodeOneOffEntryId(bad)) << bad.size();
}

TEST(DistributionList, ChecksumIsTheUninvertedCrcOverEveryMemberInTurn) {
    // The IEEE polynomial from seed 0 without inversion: not zlib's CRC-32
    // (0xCBF43926 for these bytes), and the same whichever way the bytes are split.
    EXPECT_EQ(DistributionListChecksum({Bytes("123456789")}), 0x2DFD2D88u);
    EXPECT_EQ(DistributionListChecksum({Bytes("12345"), Binary{}, Bytes("6789")}), 0x2DFD2D88u);
    EXPECT_EQ(DistributionListChecksum({}), 0u);
}

TEST(DistributionList, ShortListsUseTheTwoListsLongOnesTheStream) {
    for (size_t n : {size_t(0), size_t(3), size_t(2000)}) {
        SCOPED_TRACE(n);
        PropertyBag props;
        props.Set(PidLidDistributionListStream.Key(), Binary{1, 2, 3});  // replaced whichever form is used
        const auto people = People(n);
        SetDistributionListMembers(props, people);
        EXPECT_EQ(DistributionListMembers(props), people);
        const MultiBinary* members = props.GetMultiBinary(PidLidDistributionListMembers.Key());
        const MultiBinary* oneOffs = props.GetMultiBinary(PidLidDistributionListOneOffMembers.Key());
        if (n < 100) {
            ASSERT_TRUE(members && oneOffs);
            EXPECT_EQ(*members, *oneOffs);
            EXPECT_EQ(members->size(), n);
            EXPECT_EQ(props.GetInt32(PidLidDistributionListChecksum.Key()), int32_t(DistributionListChecksum(*members)));
            EXPECT_FALSE(props.Has(PidLidDistributionListStream.Key()));
        } else {
            EXPECT_FALSE(members || oneOffs || props.Has(PidLidDistributionListChecksum.Key()));
            const Binary* stream = props.GetBinary(PidLidDistributionListStream.Key());
            ASSERT_TRUE(stream);
            auto entries = DecodeDistributionListStream(stream->data(), stream->size());
            ASSERT_TRUE(entries);
            ASSERT_EQ(entries->size(), n);
            EXPECT_EQ((*entries)[7].entryId, EncodeOneOffEntryId(people[7]));
            EXPECT_EQ((*entries)[7].oneOff, (*entries)[7].entryId);
            // Header: version 1, then the count and the two totals of the entries' sizes.
            EXPECT_EQ((*stream)[0], 1);
            EXPECT_EQ(uint32_t((*stream)[12] | (*stream)[13] << 8), n);
        }
    }
}

TEST(DistributionList, DamagedStreamsAreRefusedAndTheListsReadInstead) {
    const Binary good = EncodeDistributionListStream(std::vector<MemberEntry>{{Bytes("id"), Bytes("oneoff")}});
    ASSERT_TRUE(DecodeDistributionListStream(good.data(), good.size()));
    Binary hugeCount = good;
    hugeCount[15] = 0x7F;
    Binary longEntry = good;
    longEntry[28] = 0xFF;  // the first entry's size runs past the end
    Binary wrongVersion = good;
    wrongVersion[0] = 2;
    for (const Binary& bad : {Binary(good.begin(), good.begin() + 27), hugeCount, longEntry, wrongVersion})
        EXPECT_FALSE(DecodeDistributionListStream(bad.data(), bad.size())) << bad.size();

    PropertyBag props;
    const auto people = People(2);
    SetDistributionListMembers(props, people);
    props.Set(PidLidDistributionListStream.Key(), hugeCount);
    props.Set(PidLidDistributionListOneOffMembers.Key(), MultiBinary{Bytes("not an entry id")});
    EXPECT_EQ(DistributionListMembers(props), people);  // from the member list
}
