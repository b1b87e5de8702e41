#include <registry/hive_document.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace registry;

namespace {

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-1-2-3-1000\n\n#arch=win64\n";

std::string HiveWith(const std::string& keyBody) {
    return kHeader + "\n[Software\\\\Test] 1700000000\n#time=1da1b2c3d4e5f60\n" + keyBody;
}

std::vector<uint8_t> Utf16Data(std::u16string_view text) {
    std::vector<uint8_t> data;
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

}  // namespace

TEST(HiveDocument, DecodesEveryValueForm) {
    struct Case {
        const char* record;
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"\"Dir\"=\"C:\\\\Lotus\\\\Notes\"\n", "Dir", kRegSz, Utf16Data(u"C:\\Lotus\\Notes")},
        {"\"Q\"=\"say \\\"hi\\\"\"\n", "Q", kRegSz, Utf16Data(u"say \"hi\"")},
        {"\"Esc\"=\"a\\tb\\nc\\033d\\x00e91\\xe9z\"\n", "Esc", kRegSz, Utf16Data(u"a\tb\nc\x1b" u"d\u00e9" u"1\u00e9z")},
        {"\"Raw\"=\"L\xC3\xB6tus\"\n", "Raw", kRegSz, Utf16Data(u"L\u00f6tus")},
        {"\"Old\"=str:\"x\"\n", "Old", kRegSz, Utf16Data(u"x")},
        {"\"Exp\"=str(2):\"%SystemRoot%\\\\a\"\n", "Exp", kRegExpandSz, Utf16Data(u"%SystemRoot%\\a")},
        {"\"Multi\"=str(7):\"a\"\n", "Multi", kRegMultiSz, Utf16Data(u"a")},
        {"\"N\"=dword:0000010a\n", "N", kRegDword, {0x0a, 0x01, 0, 0}},
        {"\"Bin\"=hex:00,ff,\\\n  10,\\\n  20\n", "Bin", kRegBinary, {0x00, 0xff, 0x10, 0x20}},
        {"\"Empty\"=hex:\n", "Empty", kRegBinary, {}},
        {"\"H2\"=hex(2):41,00,42,00,00,00\n", "H2", kRegExpandSz, {0x41, 0, 0x42, 0, 0, 0}},
        {"@=\"default\"\n", "", kRegSz, Utf16Data(u"default")},
        {"\"Name \\\"q\\\"\"=\"v\"\n", "Name \"q\"", kRegSz, Utf16Data(u"v")},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto doc = HiveDocument::Parse(HiveWith(c.record), error);
        ASSERT_TRUE(doc) << c.record << error;
        const auto value = doc->FindValue("software\\TEST", c.name);
        ASSERT_TRUE(value) << c.record;
        EXPECT_EQ(value->type, c.type) << c.record;
        EXPECT_EQ(value->data, c.data) << c.record;
        EXPECT_EQ(doc->Text().substr(value->begin, value->end - value->begin), c.record);
    }
}

TEST(HiveDocument, RejectsTruncatedOrGarbledTextNamingTheLine) {
    struct Case {
        std::string text;
        const char* error;
    };
    const Case cases[] = {
        {"", "the file is empty"},
        {HiveWith("\"PATH\"=str(2):\"C:\\\\A;C:"), "truncated"},
        {"WINE REGISTRY Version 1\n", "line 1: not a Wine registry file"},
        {"\x7f" "ELF\x02\x01\x01\n", "line 1: not a Wine registry file"},
        {kHeader + "\n[Software\\\\Test 1700000000\n", "line 6: key name without closing bracket"},
        {kHeader + "\n[Software] 17x\n", "line 6: text after a key name"},
        {HiveWith("\"A\"=\"open\n"), "line 8: string value without closing quote"},
        {HiveWith("\"A\"=\"x\" junk\n"), "line 8: text after the closing quote"},
        {HiveWith("\"A=\"x\"\n"), "line 8: value name without '='"},
        {HiveWith("\"A\n"), "line 8: value name without closing quote"},
        {HiveWith("\"A\"=dword:1234\n"), "line 8: dword value without 8 hex digits"},
        {HiveWith("\"A\"=hex:0g,11\n"), "line 8: malformed hex data"},
        {HiveWith("\"A\"=hex:00,11,\\\n"), "line 8: hex data continued past the end of the file"},
        {HiveWith("\"A\"=hex(zz):00\n"), "line 8: malformed hex(...) type"},
        {HiveWith("\"A\"=float:1.0\n"), "line 8: unknown value type"},
        {kHeader + "\"A\"=\"x\"\n", "line 5: value outside of any key"},
        {HiveWith("garbage here\n"), "line 8: unrecognised line"},
        {HiveWith(std::string("\"A\"=\"x\0y\"\n", 10)), "line 8: NUL byte"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(HiveDocument::Parse(c.text, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << "got: " << error << "\nwanted: " << c.error;
    }
}

TEST(HiveDocument, WritesStringsThatReadBackUnchanged) {
    struct Case {
        std::string text;
        uint32_t type;
        const char* record;  // what Wine itself would write
    };
    const Case cases[] = {
        {"C:\\Lotus\\Notes", kRegSz, "\"V\"=\"C:\\\\Lotus\\\\Notes\"\n"},
        {"%PATH%;C:\\Notes", kRegExpandSz, "\"V\"=str(2):\"%PATH%;C:\\\\Notes\"\n"},
        {"say \"hi\" [x]", kRegSz, "\"V\"=\"say \\\"hi\\\" [x]\"\n"},
        {"tab\there\nnl", kRegSz, "\"V\"=\"tab\\there\\nnl\"\n"},
        {"\x01" "7\x01" "x", kRegSz, "\"V\"=\"\\0017\\1x\"\n"},
        {"L\xC3\xB6tus \xC3\xA9" "1", kRegSz, "\"V\"=\"L\\xf6tus \\x00e91\"\n"},
        {"\xF0\x9F\x98\x80", kRegSz, "\"V\"=\"\\xd83d\\xde00\"\n"},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto doc = HiveDocument::Parse(HiveWith(""), error);
        ASSERT_TRUE(doc) << error;
        const std::string written = doc->WithStringValue("Software\\Test", "V", c.type, c.text, 0);
        EXPECT_EQ(written, HiveWith(c.record)) << c.text;
        const auto back = HiveDocument::Parse(written, error);
        ASSERT_TRUE(back) << error;
        const auto value = back->FindValue("Software\\Test", "v");
        ASSERT_TRUE(value);
        EXPECT_EQ(value->type, c.type);
        EXPECT_EQ(ValueAsString(*value), c.text);
    }
}

TEST(HiveDocument, PlacesAChangeWithoutTouchingOtherBytes) {
    const std::string before = kHeader +
                                "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n\"Path\"=\"C:\\\\A\"\n\"TEMP\"=\"C:\\\\T\"\n"
                                "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000001\n\"VDIR_INI\"=\"C:\\\\Notes\"\n";
    struct Case {
        const char* key;
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        // Replaced in place; the stored spelling of the name is not kept, as Wine does not keep it either.
        {"ENVIRONMENT", "PATH", kHeader +
                                    "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n\"PATH\"=\"x\"\n\"TEMP\"=\"C:\\\\T\"\n"
                                    "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000001\n\"VDIR_INI\"=\"C:\\\\Notes\"\n"},
        // A new value goes after the key's last line, before the blank line.
        {"Environment", "NEW", kHeader +
                                   "\n[Environment] 1700000000\n#time=1d9f0a1b2c3d4e5\n\"Path\"=\"C:\\\\A\"\n\"TEMP\"=\"C:\\\\T\"\n"
                                   "\"NEW\"=\"x\"\n"
                                   "\n[Software\\\\Lotus\\\\Notes\\\\Installer] 1700000001\n\"VDIR_INI\"=\"C:\\\\Notes\"\n"},
        // A missing key, even one that only exists as a parent, is appended with its time stamp.
        {"Software\\Lotus", "V", before + "\n[Software\\\\Lotus] 1700000100\n#time=1da17480207ca00\n\"V\"=\"x\"\n"},
    };
    std::string error;
    const auto doc = HiveDocument::Parse(before, error);
    ASSERT_TRUE(doc) << error;
    EXPECT_TRUE(doc->HasKey("software\\lotus"));
    EXPECT_FALSE(doc->HasKey("Software\\Lot"));
    for (const auto& c : cases) {
        EXPECT_EQ(doc->WithStringValue(c.key, c.name, kRegSz, "x", 1700000100), c.expected) << c.key << " " << c.name;
    }
}
