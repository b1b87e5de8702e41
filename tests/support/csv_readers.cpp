#include "csv_readers.h"

#include "test_files.h"
#include "tool_runner.h"

#include <filesystem>
#include <sstream>

namespace testsupport {

namespace {

// Each record as "R" and a blank before each field's UTF-8 bytes in hex, so
// that any value passes one line intact.
constexpr const char* kDumpScript = R"(import csv, sys
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for row in csv.reader(f, strict=True):
        print('R' + ''.join(' ' + x.encode('utf-8').hex() for x in row))
)";

std::string FromHex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

}  // namespace

::testing::AssertionResult ReadCsvWithPython(const std::string& path, CsvRows* rows) {
    ToolResult r = RunPython(kDumpScript, Quote(path));
    if (r.exitCode != 0) return ::testing::AssertionFailure() << "Python's csv cannot read " << path << ":\n" << r.out;
    rows->clear();
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] != 'R') return ::testing::AssertionFailure() << "unexpected output: " << line;
        std::vector<std::string> fields;
        size_t at = 1;
        while (at < line.size()) {
            const size_t next = line.find(' ', at + 1);
            fields.push_back(FromHex(line.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1)));
            at = next == std::string::npos ? line.size() : next;
        }
        rows->push_back(std::move(fields));
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult ReadCsvWithCalc(const std::string& path, CalcImport how, CsvRows* rows) {
    if (!HaveTool("soffice")) return ::testing::AssertionFailure() << "soffice (Debian package libreoffice-calc-nogui) is required";
    TempDir work;
    // Import: comma, double quote, UTF-8 (76), from line 1; then the column
    // formats, the language, quoted fields as text and special numbers off,
    // and token 13, formula evaluation.
    std::string formats;
    if (how == CalcImport::AllText)
        for (int column = 1; column <= 64; ++column) formats += (column > 1 ? "/" : "") + std::to_string(column) + "/2";
    const std::string in = "CSV:44,34,76,1," + formats + ",1033,false,false,false,false,false,false," +
                           (how == CalcImport::EvaluateFormulas ? "true" : "false");
    // Export: the same separators and charset, every text cell quoted, values
    // rather than formulas.
    const std::string out = "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false";
    const std::string copy = work / "in.csv";
    ToolResult c = Run("cp " + Quote(path) + " " + Quote(copy) + " && soffice -env:UserInstallation=file://" +
                       (work.Path() / "profile").string() + " --headless --infilter=" + Quote(in) + " --convert-to " +
                       Quote(out) + " --outdir " + Quote(work / "out") + " " + Quote(copy));
    const std::string converted = work / "out/in.csv";
    if (c.exitCode != 0 || !std::filesystem::exists(converted))
        return ::testing::AssertionFailure() << "LibreOffice did not convert " << path << ":\n" << c.out;
    return ReadCsvWithPython(converted, rows);
}

}  // namespace testsupport
