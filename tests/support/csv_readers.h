// CSV files as their readers see them: Python's csv module (strict) and
// LibreOffice Calc (a headless conversion, then Python). A missing reader
// fails the calling test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testsupport {

using CsvRows = std::vector<std::vector<std::string>>;

// Every record of the UTF-8 file at path as csv.reader(strict=True) gives it.
::testing::AssertionResult ReadCsvWithPython(const std::string& path, CsvRows* rows);

// How LibreOffice Calc is to read a CSV file: every column as text (what a
// user does to keep values such as "02142" whole), or with formulas
// evaluated (the import option a formula in the file would need to run).
enum class CalcImport { AllText, EvaluateFormulas };

// The file as Calc reads it (UTF-8, comma, double quote): each cell as Calc
// shows it (a formula's result, not its text), saved again as CSV by Calc
// and read back by Python. Calc keeps a line break inside a cell as LF.
::testing::AssertionResult ReadCsvWithCalc(const std::string& path, CalcImport how, CsvRows* rows);

}  // namespace testsupport
