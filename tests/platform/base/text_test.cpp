#include <base/ascii.h>
#include <base/html.h>
#include <base/utf.h>

#include <gtest/gtest.h>

namespace {

TEST(Utf, RoundTripsEveryPlane) {
    const std::string text = "Zo\xC3\xAB \xD0\x96 \xE6\x9D\xB1 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF";
    EXPECT_EQ(base::Utf16ToUtf8(base::Utf8ToUtf16(text)), text);
    EXPECT_EQ(base::ValidUtf8(text), text);
    EXPECT_TRUE(base::IsValidUtf8(text));
    EXPECT_EQ(base::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(base::Utf16Length(text), base::Utf8ToUtf16(text).size());
}

TEST(Utf, EachIllFormedPartBecomesOneReplacement) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"stray byte", "a\xFF" "b", u"a\uFFFDb"},
        {"lone continuation", "\x80x", u"\uFFFDx"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"truncated at the end", "\xE6\x9D", u"\uFFFD"},
        {"truncated before text", "\xE6\x9Dz", u"\uFFFDz"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"five-byte lead", "\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"empty", "", u""},
        {"a replacement written as such", "\xEF\xBF\xBD\xC3", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(base::Utf8ToUtf16(c.utf8), c.utf16) << c.name;
        EXPECT_EQ(base::ValidUtf8(c.utf8), base::Utf16ToUtf8(c.utf16)) << c.name;
        EXPECT_EQ(base::IsValidUtf8(c.utf8), base::ValidUtf8(c.utf8) == c.utf8) << c.name;
        EXPECT_EQ(base::Utf16Length(c.utf8), c.utf16.size()) << c.name;
    }
}

TEST(Utf, LittleEndianBytesMatchTheUnitsAtEveryAlignment) {
    // ASCII is taken eight bytes at a time: other text at each position of
    // such a run, and at its ends, must come out the same.
    for (const std::string odd : {"\xC3\xAB", "\xF0\x9F\x98\x80", "\xFF", "\xE6\x9D"}) {
        for (size_t at = 0; at <= 17; ++at) {
            const std::string text = std::string(at, 'a') + odd + std::string(17 - at, 'z');
            const std::u16string units = base::Utf8ToUtf16(text);
            std::vector<uint8_t> bytes{0x42};  // appended after what is there
            base::AppendUtf16Le(bytes, text);
            ASSERT_EQ(bytes.size(), 1 + 2 * units.size()) << at;
            EXPECT_EQ(bytes[0], 0x42);
            for (size_t i = 0; i < units.size(); ++i)
                EXPECT_EQ(bytes[1 + 2 * i] | bytes[2 + 2 * i] << 8, units[i]) << "unit " << i << " of text " << at;
            EXPECT_EQ(base::Utf16Length(text), units.size()) << at;
            EXPECT_EQ(base::ValidUtf8(text), base::Utf16ToUtf8(units)) << at;
        }
    }
}

TEST(Utf, UnpairedSurrogatesBecomeReplacements) {
    EXPECT_EQ(base::Utf16ToUtf8(std::u16string(1, char16_t(0xD83D)) + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(base::Utf16ToUtf8(u"x" + std::u16string(1, char16_t(0xDE00))), "x\xEF\xBF\xBD");
    EXPECT_EQ(base::Utf16ToUtf8(std::u16string{char16_t(0xDE00), char16_t(0xD83D)}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Ascii, FoldsOnlyTheAsciiLetters) {
    EXPECT_EQ(base::AsciiLower("FullName \xC3\x84 [Z]@"), "fullname \xC3\x84 [z]@");
    EXPECT_TRUE(base::EqualsIgnoringAsciiCase("Contacts", "CONTACTS"));
    EXPECT_FALSE(base::EqualsIgnoringAsciiCase("Contacts", "Contact"));
    EXPECT_FALSE(base::EqualsIgnoringAsciiCase("\xC3\x84", "\xC3\xA4"));  // Ä and ä differ beyond ASCII
    EXPECT_EQ(base::CompareIgnoringAsciiCase("abc", "ABC"), 0);
    EXPECT_LT(base::CompareIgnoringAsciiCase("Apple", "banana"), 0);
    EXPECT_LT(base::CompareIgnoringAsciiCase("ab", "ABC"), 0);
    EXPECT_GT(base::CompareIgnoringAsciiCase("\xC3\x84", "z"), 0);  // bytes compare unsigned
}

TEST(Html, EscapesMarkupAndQuotesWithTheChosenLineBreaks) {
    const std::string text = "<b>\"Tom\" & 'Jerry'</b>\nnext";
    EXPECT_EQ(base::HtmlEscaped(text), "&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;&lt;/b&gt;\nnext");
    EXPECT_EQ(base::HtmlEscaped(text, base::LineBreaks::ToBrTags),
              "&lt;b&gt;&quot;Tom&quot; &amp; &#39;Jerry&#39;&lt;/b&gt;<br>next");
    for (auto breaks : {base::LineBreaks::Keep, base::LineBreaks::ToBrTags})
        EXPECT_EQ(base::HtmlEscapedSize(text, breaks), base::HtmlEscaped(text, breaks).size());
    std::string out = "x";
    base::AppendHtmlEscaped(out, "\xE6\x9D\xB1&");
    EXPECT_EQ(out, "x\xE6\x9D\xB1&amp;");
}

}  // namespace
