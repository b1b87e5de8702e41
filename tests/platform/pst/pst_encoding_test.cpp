// Byte-level encodings the PST writer relies on: its checksum and the UTF-16
// form of text values.
#include "crc.h"
#include "node_database.h"
#include "prop_value.h"
#include "test_files.h"

#include <pst/error.h>

#include <base/utf.h>

#include <gtest/gtest.h>

namespace {

uint32_t BytewiseCrc(const uint8_t* p, size_t n, uint32_t crc) {
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    return crc;
}

TEST(PstEncoding, ChecksumMatchesTheBitwiseDefinition) {
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 131 + 7);
    for (size_t offset : {0, 1, 3, 7}) {
        for (size_t len : {0, 1, 7, 8, 9, 63, 512, 991}) {
            SCOPED_TRACE(std::to_string(offset) + "+" + std::to_string(len));
            EXPECT_EQ(pst::Crc32(data.data() + offset, len), BytewiseCrc(data.data() + offset, len, 0));
            EXPECT_EQ(pst::Crc32(data.data() + offset, len, 0x12345678), BytewiseCrc(data.data() + offset, len, 0x12345678));
        }
    }
    // The standard CRC-32 of "123456789" is this variant with inverted ends.
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(~pst::Crc32(check, 9, 0xFFFFFFFFu), 0xCBF43926u);
}

// The PST and the MSG writer must give one contact the same text: both
// decode UTF-8 as base does, ill-formed parts included.
TEST(PstEncoding, TextBecomesTheUtf16OfBase) {
    const std::string cases[] = {
        "",
        "plain",
        "Жанна Ελένη 山田 é",
        "emoji \xF0\x9F\x98\x80!",
        "bad \xFF end",
        "cut \xE5\xB1",
        "cut before text \xE2\x82" "A",
        "surrogate \xED\xA0\x80",
        "overlong \xC0\xAF",
        "above the last plane \xF4\x90\x80\x80",
    };
    for (const auto& utf8 : cases) {
        SCOPED_TRACE(utf8);
        pst::TypedValue v{mapi::PropType::Unicode, utf8};
        pst::Bytes b = pst::Serialize(v);
        std::u16string got;
        for (size_t i = 0; i + 1 < b.size(); i += 2) got.push_back(char16_t(b[i] | b[i + 1] << 8));
        const std::u16string expected = base::Utf8ToUtf16(utf8);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(pst::SerializedSize(v), b.size());
        auto back = pst::Deserialize(mapi::PropType::Unicode, b.data(), b.size());
        EXPECT_EQ(std::get<std::string>(back.value), base::Utf16ToUtf8(expected));
    }
    EXPECT_EQ(pst::Serialize({mapi::PropType::Unicode, std::string("\xE2\x82" "A")}).size(), 4u);
}

// A long text is converted to its subnode's blocks a piece at a time: the
// blocks must be those of the whole text converted at once, whatever falls
// on the seams (characters of every length, ill-formed parts, a long run of
// stray continuation bytes).
TEST(PstEncoding, ALongTextIsStoredInTheBlocksOfItsWholeUtf16) {
    std::string text;
    for (int i = 0; text.size() < 60000; ++i) text += i % 7 ? "ab\xC3\xA9\xE5\xB1\xB1\xF0\x9F\x98\x80" : "\xFF\xE2\x82z";
    text += std::string(9000, '\x80') + "\xE5\xB1";
    TempDir dir;
    auto db = pst::NodeDatabase::Create((dir.Path() / "text.pst").string());
    for (size_t size : {size_t(0), size_t(1), size_t(4090), size_t(4097), size_t(8177), text.size()}) {
        SCOPED_TRACE(size);
        const std::string_view part = std::string_view(text).substr(0, size);
        pst::Bytes whole;
        base::AppendUtf16Le(whole, part);
        const auto expected = db->ReadDataTree(db->WriteDataTree(whole));
        const auto got = db->ReadDataTree(db->WriteTextTree(part));
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "block " << i;
    }
}

TEST(PstEncoding, MultiValuedBinaryIsCountOffsetsThenValues) {
    const mapi::MultiBinary values{{0xAA, 0xBB}, {}, {0xCC}};
    const pst::Bytes expected{3, 0, 0, 0, 16, 0, 0, 0, 18, 0, 0, 0, 18, 0, 0, 0, 0xAA, 0xBB, 0xCC};
    const pst::TypedValue v{mapi::PropType::MultipleBinary, values};
    EXPECT_EQ(pst::Serialize(v), expected);
    EXPECT_EQ(pst::SerializedSize(v), expected.size());
    EXPECT_EQ(std::get<mapi::MultiBinary>(pst::Deserialize(v.type, expected.data(), expected.size()).value), values);
    EXPECT_TRUE(std::get<mapi::MultiBinary>(pst::Deserialize(v.type, nullptr, 0).value).empty());

    // Counts, offsets or sizes that do not fit the bytes are damage, not values.
    auto with = [&](size_t at, uint8_t byte) {
        pst::Bytes b = expected;
        b[at] = byte;
        return b;
    };
    for (const pst::Bytes& bad : {pst::Bytes{1, 0}, with(3, 0x40), with(4, 2), with(8, 15), with(12, 0xFF), with(12, 16)})
        EXPECT_THROW(pst::Deserialize(v.type, bad.data(), bad.size()), pst::PstError);
}

TEST(PstEncoding, MultiValuedTextsKeepEveryValueAndDamagedOnesAreRefused) {
    const mapi::Strings values{"Golf, Club", "", "\xE5\x8F\x8B\xE4\xBA\xBA \xF0\x9F\x98\x80"};
    const pst::TypedValue v{mapi::PropType::MultipleUnicode, values};
    const pst::Bytes b = pst::Serialize(v);
    EXPECT_EQ(pst::SerializedSize(v), b.size());
    EXPECT_EQ(base::Get32(b.data()), 3u);
    EXPECT_EQ(base::Get32(b.data() + 4), 16u);  // after the count and three offsets
    EXPECT_EQ(std::get<mapi::Strings>(pst::Deserialize(mapi::PropType::MultipleUnicode, b.data(), b.size()).value), values);
    EXPECT_TRUE(std::get<mapi::Strings>(pst::Deserialize(mapi::PropType::MultipleUnicode, nullptr, 0).value).empty());

    struct Case {
        const char* what;
        std::vector<uint32_t> words;  // little-endian 32-bit words
    } damaged[] = {
        {"more values than offsets fit", {0x40000000, 8}},
        {"an offset inside the offsets", {2, 4, 12}},
        {"offsets going backwards", {2, 16, 12, 0}},
        {"an offset past the end", {1, 64}},
        {"no count", {}},
    };
    for (const auto& c : damaged) {
        pst::Bytes bytes;
        for (uint32_t w : c.words) base::Append32(bytes, w);
        if (c.words.empty()) bytes = {1, 0};
        EXPECT_THROW(pst::Deserialize(mapi::PropType::MultipleUnicode, bytes.data(), bytes.size()), pst::PstError) << c.what;
    }
}

TEST(PstEncoding, ValuesMustMatchTheirType) {
    EXPECT_THROW(pst::Serialize({mapi::PropType::Int32, std::string("x")}), pst::PstError);
    EXPECT_THROW(pst::Serialize({mapi::PropType::Unicode, int32_t(1)}), pst::PstError);
    EXPECT_THROW(pst::Deserialize(mapi::PropType::SysTime, nullptr, 0), pst::PstError);
}

}  // namespace
