// Whole exports of the sample databases into every kind, compared with the
// results stored in tests/golden/: what a user gets must not change unless
// a change means it to. Each result is stored as a digest of every file
// (<kind>.digest); those of samples/fidelity.dxl, whose contacts hold every
// value the contact table places and odd ones, and of samples/directory.dxl,
// whose people are kept as a Domino Directory keeps them, also whole
// (<kind>.txt) for the kinds that show the values differently, so that a
// change shows where it is. FERRYWELL_UPDATE_GOLDEN=1 stores the results of this run instead
// (review the difference before committing it).
#include "export_fixture.h"
#include "golden_dump.h"

#include <support/time_zone.h>

#include <fstream>

using namespace exporttest;

namespace {

using exporting::OutputKind;

struct GoldenCase {
    const char* database;  // in samples/
    const char* folder;    // the folder exported; empty: every folder
    OutputKind kind;
    const char* naming;  // empty: the default
    bool whole = false;  // the dump is stored whole besides its digest
};

// Where the two texts first part, with the lines there.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    const auto want = Lines(expected), got = Lines(actual);
    for (size_t i = 0; i < std::max(want.size(), got.size()); ++i) {
        const std::string w = i < want.size() ? want[i] : "<end>", g = i < got.size() ? got[i] : "<end>";
        if (w != g) return "line " + std::to_string(i + 1) + "\n  expected: " + w + "\n  actual:   " + g;
    }
    return "the same lines, different line ends";
}

std::string GoldenPath(const GoldenCase& c, const char* extension) {
    std::string name = std::string(exporting::ModeString(c.kind));
    if (*c.naming) name += "-file-as";
    return std::string(FERRYWELL_SOURCE_DIR) + "/tests/golden/" + c.database + "/" + name + extension;
}

// Compares text with the stored file at path, or stores it when updating.
void CompareOrStore(const std::string& text, const std::string& path, bool update) {
    if (update) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return;
    }
    const std::string golden = testsupport::ReadFile(path);
    ASSERT_FALSE(golden.empty()) << path << ": no stored result; run with FERRYWELL_UPDATE_GOLDEN=1";
    EXPECT_TRUE(text == golden) << path << ": " << FirstDifference(golden, text);
}

std::vector<GoldenCase> Cases() {
    const OutputKind kinds[] = {OutputKind::Msg, OutputKind::Html, OutputKind::Txt, OutputKind::Doc, OutputKind::Rtf,
                                OutputKind::Mhtml, OutputKind::Vcf, OutputKind::Pdf, OutputKind::Csv, OutputKind::Pst};
    std::vector<GoldenCase> cases;
    for (OutputKind kind : kinds) {
        const bool shownApart = kind == OutputKind::Msg || kind == OutputKind::Txt || kind == OutputKind::Vcf ||
                                kind == OutputKind::Csv || kind == OutputKind::Pst;
        cases.push_back({"fidelity", "", kind, "", shownApart});
        cases.push_back({"names", "People", kind, ""});
        cases.push_back({"groups", "", kind, ""});
        cases.push_back({"directory", "", kind, "", shownApart});
        cases.push_back({"attachments", "", kind, "", kind == OutputKind::Pst || kind == OutputKind::Txt});
    }
    cases.push_back({"fidelity", "", OutputKind::Vcf, "File As", true});
    cases.push_back({"groups", "", OutputKind::Txt, "File As"});
    return cases;
}

// One test a sample database, so that the three run side by side.
class Golden : public ExportTest, public testing::WithParamInterface<std::string> {};

TEST_P(Golden, EveryKindIsWrittenAsBefore) {
    testsupport::ScopedTimeZone zone("Europe/Berlin");
    const bool update = std::getenv("FERRYWELL_UPDATE_GOLDEN") != nullptr;
    int n = 0;
    for (const GoldenCase& c : Cases()) {
        if (c.database != GetParam()) continue;
        SCOPED_TRACE(GoldenPath(c, ""));
        Open(std::string(FERRYWELL_SOURCE_DIR) + "/samples/" + c.database + ".dxl");
        const std::filesystem::path out = dir.Path() / ("golden" + std::to_string(++n));
        std::filesystem::create_directories(out);
        exporting::ExportOptions options = Options(c.kind, out.string());
        if (*c.naming) {
            options.namingOn = true;
            options.naming = c.naming;
        }
        const exporting::ExportOutcome outcome =
            *c.folder ? Mailbox(options, Folders({c.folder})) : Mailbox(options, Folders());
        EXPECT_EQ(outcome.totals.failed, 0u) << outcome.error;
        const std::string dump = DumpExport(out);
        CompareOrStore(DigestOfDump(dump), GoldenPath(c, ".digest"), update);
        if (c.whole) CompareOrStore(dump, GoldenPath(c, ".txt"), update);
    }
    EXPECT_GT(n, 0);
}

INSTANTIATE_TEST_SUITE_P(Samples, Golden, testing::Values("fidelity", "names", "groups", "directory", "attachments"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
