// Naming of exported files and the contact table, without writing anything.
#include <exporting/contact_map.h>
#include <exporting/ensure_path.h>
#include <exporting/naming.h>

#include "outside_readers.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace exporting;

TEST(Naming, SubjectTextPrefersShortCompanyThenFirstThenLastName) {
    EXPECT_EQ(SubjectText("Acme", "Bartholomew", "Kent"), "Acme");
    EXPECT_EQ(SubjectText("Barnes & Noble", "Anna", "Smith"), "Anna");
    EXPECT_EQ(SubjectText("Barnes & Noble", "Bartholomew", "Kent"), "Kent");
    EXPECT_EQ(SubjectText("Überg", "x", "y"), "Überg");  // five characters, more bytes
    EXPECT_EQ(SubjectText("", "Anna", "Smith"), "");
}

TEST(Naming, PatternsComposeCleanAndFallBack) {
    struct Case {
        std::string subject, from, date, fileAs;
        bool on;
        std::string pattern, expected;
    };
    const Case cases[] = {
        {"A/B: C?", "", "", "", false, "Date+Subject", "AB C"},
        {"A/B: C?", "", "", "", true, "Subject", "AB C"},
        // An empty or blank part goes with its separator; "/" still becomes "-".
        {"A/B: C?", "", "", "", true, "Date+Subject", "A-B C"},
        {"Acme", "Jo/e", "", "", true, "From+Date+Subject", "Jo-e - Acme"},
        {"Acme", "Joe", "", "", true, "Subject+Date+From", "Acme - Joe"},
        {"Acme", "", "", "", true, "Subject+Date", "Acme"},
        {"Acme", " ", "  ", "", true, "From+Date+Subject", "Acme"},
        {" ", "", "", "", true, "Date+Subject", " "},
        {"Acme", "Joe", "5/22/2001", "", true, "From+Date+Subject", "Joe - 5-22-2001 - Acme"},
        {"Acme", "Joe", "5/22/2001", "", true, "Subject+Date", "Acme - 5-22-2001"},
        {"", "Joe", "", "", true, "Subject+Date+From", "None Subject"},
        {"a\\b*c\"d<e>f|g", "", "", "", false, "Subject", "abcdefg"},
        // File As: the contact's File As text alone, cleaned like a subject.
        {"Acme", "Joe", "", "Farrow, Jane", true, "File As", "Farrow, Jane"},
        {"", "", "", "O'Hara/Ng: Kim?", true, "File As", "O'HaraNg Kim"},
        {"Acme", "", "", "", true, "File As", "None Subject"},
        {"Acme", "", "", "Farrow, Jane", false, "File As", "Acme"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BaseName(c.subject, c.from, c.date, c.fileAs, c.on, c.pattern), c.expected) << c.pattern << " " << c.subject;
}

TEST(Naming, PathsCarryTheIndexAndKeepTheLengthRules) {
    EXPECT_EQ(ItemFilePath("/o", "None Subject", 3, OutputKind::Msg), "/o/None Subject3.msg");
    EXPECT_EQ(ItemFilePath("/o", "Acme", 7, OutputKind::Html), "/o/Acme--7.html");
    const std::string longBase(230, 'x');
    // MSG: over 200 characters cuts the base to 50; other kinds: over 250 to 15.
    EXPECT_EQ(ItemFilePath("/o", longBase, 1, OutputKind::Msg), "/o/" + std::string(50, 'x') + "1.msg");
    EXPECT_EQ(ItemFilePath("/o", longBase, 1, OutputKind::Pdf), "/o/" + longBase + "--1.pdf");
    EXPECT_EQ(ItemFilePath("/o", longBase + "yyyyyyyyyyyyyyyyyyyyyyy", 1, OutputKind::Pdf), "/o/" + std::string(15, 'x') + "--1.pdf");
}

TEST(Naming, NamesStayOneComponentWithin255Bytes) {
    std::string cjk;
    for (int i = 0; i < 300; ++i) cjk += "\xE5\xB1\xB1";  // 山
    for (OutputKind kind : {OutputKind::Msg, OutputKind::Html, OutputKind::Vcf}) {
        // A short directory keeps the characters under the path-length limits, so
        // only the byte cut applies.
        for (const std::string& base : {cjk.substr(0, 3 * 190), BaseName("../x", "", "", "", false, ""), std::string("a\tb\nc\x01")}) {
            std::string path = ItemFilePath("/o", base, 12, kind);
            ASSERT_EQ(path.rfind("/o/", 0), 0u);
            std::string name = path.substr(3);
            EXPECT_LE(name.size(), kMaxNameBytes) << name;
            EXPECT_EQ(name.find('/'), std::string::npos) << name;
            for (unsigned char c : name) EXPECT_GE(c, 0x20) << name;
            EXPECT_EQ(mapi::Utf16ToUtf8(mapi::Utf8ToUtf16(name)), name) << "cut inside a character";
        }
    }
    EXPECT_EQ(CutToBytes("a\xE5\xB1\xB1", 3), "a");
    EXPECT_EQ(SafeComponent(".."), "_");
    EXPECT_EQ(SafeComponent(" ../x\t "), "..x");
    EXPECT_EQ(SafeComponent(cjk).size(), 255u);
}

TEST(Naming, NextFreePathAndEnsurePathExists) {
    testsupport::TempDir dir;
    std::string f = dir / "names.pst";
    EXPECT_EQ(NextFreePath(f, false), f);
    std::ofstream(f) << "x";
    EXPECT_EQ(NextFreePath(f, false), dir / "names (2).pst");
    std::string d = dir / "RecoverData123";
    std::filesystem::create_directory(d);
    EXPECT_EQ(NextFreePath(d, true), dir / "RecoverData123 (2)");
    // The number fits within 255 bytes, cut before it at a character boundary.
    const std::string full = std::string(1, 'a') + [] { std::string s; for (int i = 0; i < 83; ++i) s += "\xE5\xB1\xB1"; return s; }() + "b.msg";
    ASSERT_EQ(full.size(), 255u);
    const std::string numbered = NextFreePath("/o/" + full, false, [&](const std::string& p) { return p == "/o/" + full; });
    EXPECT_EQ(numbered, "/o/" + full.substr(0, 247) + " (2).msg");

    EXPECT_TRUE(EnsurePathExists(dir / "a/b/c/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
    EXPECT_FALSE(EnsurePathExists(f + "/sub"));  // a file in the way
}
