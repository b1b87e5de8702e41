// Log text is always one line, whatever a contact's values carry.
#include <exporting/log_text.h>

#include <gtest/gtest.h>

using exporting::OneLogLine;

TEST(LogText, ControlsAreShownEscapedAndEverythingElseAsItIs) {
    const struct {
        std::string text, shown;
    } cases[] = {
        {"Export Items: Acme", "Export Items: Acme"},
        {"Cannot write \\\\Store\\Contacts", "Cannot write \\\\Store\\Contacts"},
        {"Zo\xC3\xAB \xE5\xB1\xB1\xE7\x94\xB0 \xF0\x9F\x99\x82", "Zo\xC3\xAB \xE5\xB1\xB1\xE7\x94\xB0 \xF0\x9F\x99\x82"},
        {"Ann\nWritten: 0, skipped: 0, failed: 0", "Ann\\nWritten: 0, skipped: 0, failed: 0"},
        {"a\r\nb\tc", "a\\r\\nb\\tc"},
        {std::string("nul\0end", 7), "nul\\x00end"},
        {"\x1B[2K\x1B[1Agone", "\\x1B[2K\\x1B[1Agone"},
        {"del\x7F", "del\\x7F"},
        {"next line \xC2\x85 csi \xC2\x9B", "next line \\u0085 csi \\u009B"},
        {"line\xE2\x80\xA8para\xE2\x80\xA9", "line\\u2028para\\u2029"},
        {"bad \xFF\xC3 \xE5\xB1 end", "bad \\xFF\\xC3 \\xE5\\xB1 end"},   // not UTF-8, cut characters
        {"overlong \xC0\x8A \xE0\x80\x8A", "overlong \\xC0\\x8A \\xE0\\x80\\x8A"},  // LF in disguise
        {"surrogate \xED\xA0\x80", "surrogate \\xED\\xA0\\x80"},
    };
    for (const auto& c : cases) EXPECT_EQ(OneLogLine(c.text), c.shown) << c.text;
}

TEST(LogText, CountsAreGroupedInThrees) {
    for (const auto& [n, shown] : std::vector<std::pair<uint64_t, std::string>>{
             {0, "0"}, {999, "999"}, {1000, "1,000"}, {99999, "99,999"}, {100000, "100,000"},
             {18446744073709551615ull, "18,446,744,073,709,551,615"}})
        EXPECT_EQ(GroupedDigits(n), shown);
}
