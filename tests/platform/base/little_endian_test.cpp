#include <base/little_endian.h>

#include <gtest/gtest.h>

namespace {

TEST(LittleEndian, WritesTheLowByteFirstAndReadsItBack) {
    std::string s(14, '\0');
    base::Put16(s, 0, 0xA1B2);
    base::Put32(s, 2, 0xC1D2E3F4);
    base::Put64(s, 6, 0x0102030405060708);
    EXPECT_EQ(s, std::string("\xB2\xA1\xF4\xE3\xD2\xC1\x08\x07\x06\x05\x04\x03\x02\x01", 14));
    EXPECT_EQ(base::Get16(s, 0), 0xA1B2);
    EXPECT_EQ(base::Get32(s, 2), 0xC1D2E3F4u);
    EXPECT_EQ(base::Get64(s, 6), 0x0102030405060708u);

    base::Bytes b;
    base::Append16(b, 0xA1B2);
    base::Append32(b, 0xC1D2E3F4);
    base::Append64(b, 0x0102030405060708);
    ASSERT_EQ(b.size(), s.size());
    EXPECT_EQ(std::string(b.begin(), b.end()), s);
    EXPECT_EQ(base::Get32(b.data() + 2), 0xC1D2E3F4u);
    EXPECT_EQ(base::Get64(b.data() + 6), 0x0102030405060708u);
}

}  // namespace
