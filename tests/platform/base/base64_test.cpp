#include <base/base64.h>

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Base64, EncodesAndDecodesTheVectorsOfRfc4648) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [bytes, text] : vectors) {
        EXPECT_EQ(base::Base64Encode(bytes), text) << bytes;
        EXPECT_EQ(base::Base64Decode(text), bytes) << text;
    }
}

TEST(Base64, BreaksLinesAndReadsPastWhatIsNotOfTheAlphabet) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += char(i);
    const std::string lines = base::Base64Encode(bytes, 76);
    // 344 characters: four full lines and one of 40, each ended by CRLF.
    ASSERT_EQ(lines.size(), 344u + 5 * 2);
    for (size_t at : {76u, 154u, 232u, 310u, 352u}) EXPECT_EQ(lines.substr(at, 2), "\r\n") << at;
    EXPECT_EQ(lines.find('\n', 354), std::string::npos);
    EXPECT_EQ(base::Base64Encode("", 76), "");
    EXPECT_EQ(base::Base64Encode("foobar", 4), "Zm9v\r\nYmFy\r\n");
    for (size_t n = 0; n <= 9; ++n)
        for (size_t line : {0u, 4u, 76u}) EXPECT_EQ(base::Base64Size(n, line), base::Base64Encode(bytes.substr(0, n), line).size());

    EXPECT_EQ(base::Base64Decode(lines), bytes);
    EXPECT_EQ(base::Base64Decode(" Zm9v\n\tYm\r\nFy "), "foobar");
    EXPECT_EQ(base::Base64Decode("Zm9vYg=="), "foob");
    EXPECT_EQ(base::Base64Decode("Zm9vYg"), "foob");  // padding left out
}

}  // namespace
