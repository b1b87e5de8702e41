#include <exporting/csv_file.h>

#include <outside_tool.h>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace exporting;

namespace {

std::vector<std::string> Fields(const std::string& row) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t p; (p = row.find(',', start)) != std::string::npos; start = p + 1) out.push_back(row.substr(start, p - start));
    return out;
}

}  // namespace

TEST(CsvHeader, IsTheFortyNamesEachFollowedByACommaThenCrLf) {
    const std::string expected =
        "FirstName,ShortName,LastName,Title,OfficePhoneNumber,PhoneNumber,CellPhoneNumber,CompanyName,JobTitle,Location,"
        "Department,OfficeZip,OfficeCountry,Work2Phone,Work3Phone,OfficeFAXPhoneNumber,MailAddress,MiscPhone1,MiscPhone2,"
        "HomeFAXPhoneNumber,Home2Phone,StreetAddress,MiddleInitial,AssistantName,NameDisplayPref,Spouse,Phone,OfficeCity,"
        "Anniversary,Birthday,Manager,Nickname,WebSite,HomeAddressCountry,Zip,State,HomeAddressCity,FullName,"
        "OfficeStreetAddress,OfficeCity,\r\n";
    EXPECT_EQ(CsvHeader(), expected);
    EXPECT_EQ(CsvHeaderPieces()[0].substr(CsvHeaderPieces()[0].size() - 12), "MailAddress,");
    EXPECT_EQ(CsvHeaderPieces()[1].substr(0, 11), "MiscPhone1,");
    EXPECT_EQ(CsvHeaderPieces()[2].substr(0, 8), "Manager,");
    std::string names;
    for (auto n : CsvColumnNames()) names += std::string(n) + ",";
    EXPECT_EQ(names + "\r\n", expected);
}

TEST(CsvRow, EachColumnHoldsTheItemLinedUpWithItsName) {
    ContactValues v;
    for (auto source : CsvColumnSources()) v[std::string(source)] = "<" + std::string(source) + ">";
    std::string row = CsvRow(v);
    ASSERT_EQ(row.back(), '\n');
    auto fields = Fields(row);
    const char* expected[40] = {
        "FirstName", "ShortName", "LastName", "Title", "OfficePhoneNumber", "PhoneNumber", "PersPager", "CompanyName",
        "JobTitle", "Location", "Department", "OfficeZip", "OfficeCountry", "OfficePhoneNumber", "CellPhoneNumber",
        "OfficeFAXPhoneNumber", "MailAddress", "MiscPhone1", "MiscPhone2", "HomeFAXPhoneNumber",
        // 21-40
        "PhoneNumber", "State", "MiddleInitial", "Assistant", "Title", "Spouse", "OfficePhoneNumber", "OfficeCity",
        "Anniversary", "Birthday", "Manager", "Nickname", "WebSite", "Country", "Zip", "State", "City", "FullName",
        "OfficeStreetAddress", "OfficeCity"};
    ASSERT_EQ(fields.size(), 40u);
    for (size_t i = 0; i < 40; ++i) EXPECT_EQ(fields[i], "<" + std::string(expected[i]) + ">") << "column " << i + 1;
}

TEST(CsvRow, ValuesAreWrittenWithoutBreakingTheRow) {
    struct Case { const char* what; std::string value; std::string field; };
    const Case cases[] = {
        {"plain", "Anna", "Anna,"},
        {"comma next to a blank", "Smith, John", "Smith  John,"},
        {"missing item", "", " ,"},
        {"present but empty item (one blank)", " ", " ,"},
        {"CR LF inside", "a\r\nb", "a b,"},
        {"lone LF and CR", "a\nb\rc", "a b c,"},
        {"non-ASCII", "Zo\xC3\xAB \xE6\x9D\xB1", "Zo\xC3\xAB \xE6\x9D\xB1,"},
        {"longer than 200 bytes", std::string(450, 'w'), std::string(450, 'w') + ","},
    };
    for (const auto& c : cases) {
        ContactValues v;
        if (!c.value.empty()) v["FirstName"] = c.value;
        std::string row = CsvRow(v);
        EXPECT_EQ(row.substr(0, c.field.size()), c.field) << c.what;
        EXPECT_EQ(std::count(row.begin(), row.end(), '\n'), 1) << c.what;
        EXPECT_EQ(row.find('\r'), std::string::npos) << c.what;
        EXPECT_EQ(std::count(row.begin(), row.end(), ','), 40) << c.what;
    }
    EXPECT_EQ(CsvRow({}), [] {
        std::string empty;
        for (int i = 0; i < 40; ++i) empty += " ,";
        return empty + "\n";
    }());
}

TEST(CsvFile, RunsAppendHeaderAndRowsAfterWhatIsThere) {
    format_check::ScratchDir dir;
    std::string path = dir / "People.csv";
    ContactValues anna{{"FirstName", "Anna"}, {"Birthday", "18.02.1982"}};
    ContactValues ben{{"FirstName", "Ben"}};
    for (int run = 0; run < 2; ++run) {
        CsvAppender out(path);
        EXPECT_TRUE(out.AppendHeader());
        EXPECT_TRUE(out.AppendRow(anna));
        EXPECT_TRUE(out.AppendRow(ben));
    }
    const std::string one = CsvHeader() + CsvRow(anna) + CsvRow(ben);
    EXPECT_EQ(format_check::ReadFile(path), one + one);
    EXPECT_TRUE(WriteCsvFile1(path, "tail"));
    EXPECT_EQ(format_check::ReadFile(path), one + one + "tail");
}

TEST(CsvFile, UnwritableFileLosesThePieceAndTheNextPieceTriesAgain) {
    format_check::ScratchDir dir;
    EXPECT_FALSE(WriteCsvFile1(dir / "missing/x.csv", "x"));
    std::string path = dir / "x.csv";
    CsvAppender out(path);
    std::filesystem::create_directory(path);  // a folder where the file should be
    EXPECT_FALSE(out.AppendHeader());
    std::filesystem::remove(path);
    EXPECT_TRUE(out.AppendRow({{"FirstName", "Anna"}}));
    EXPECT_EQ(format_check::ReadFile(path), CsvRow({{"FirstName", "Anna"}}));
}
