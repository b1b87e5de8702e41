#include "recorders.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

struct AnalysisRun {
    notes::BrowseState state;
    RecordingAnalysisView view{state};
    notes::AnalysisOutcome outcome;
    explicit AnalysisRun(const std::string& path) {
        state.databasePath.set(path);
        outcome = notes::AnalyseContactViews(state, view);
    }
    std::vector<std::string> Records() const {
        std::vector<std::string> out;
        for (const auto& r : state.folders.Snapshot())
            out.push_back(r.folderName + "|" + r.folderPath + "|" + std::to_string(r.viewIndex));
        return out;
    }
};

const std::string kPerson = Person(Text("FullName", "A"));

}  // namespace

TEST(Analysis, TheSampleGivesItsThreeContactViewsUnderOneRoot) {
    AnalysisRun run(SamplePath());
    EXPECT_EQ(run.outcome.result, notes::AnalysisResult::Completed);
    EXPECT_EQ(run.Records(), (std::vector<std::string>{"People|Lotus Notes\\People\\|1",
                                                       "Contacts|Lotus Notes\\Contacts\\|3",
                                                       "By Category|Lotus Notes\\By Category\\|5"}));
    const auto& top = run.view.tree.Children(notes::kTreeRoot);
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(run.view.tree.Get(top[0]).text, "Lotus Notes");
    std::vector<std::string> leaves;
    for (auto c : run.view.tree.Children(top[0])) leaves.push_back(run.view.tree.Get(c).text);
    EXPECT_EQ(leaves, (std::vector<std::string>{"By Category", "Contacts", "People"}));
    EXPECT_EQ(run.view.messages, std::vector<std::string>{notes::kAnalysisCompleted});
    EXPECT_EQ(run.view.progress.back(), 0);
    EXPECT_TRUE(run.view.exportEnabled);
}

TEST(Analysis, RefusesDatabasesWithoutContactsAndExplainsOpenFailures) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string content;
        notes::AnalysisResult result;
        std::string message;
    };
    const Case cases[] = {
        {"groups.dxl", Dxl(View("Contacts", "SELECT @All") + Person(Text("FullName", "G"), "Group")),
         notes::AnalysisResult::NotContactDatabase, notes::kNotContactFile},
        {"noviews.dxl", Dxl(View("contacts", "SELECT @All") + View("Contacts ", "SELECT @All") + kPerson),
         notes::AnalysisResult::Completed, notes::kAnalysisCompleted},
        {"binary.nsf", std::string("\0\1\2\3", 4), notes::AnalysisResult::OpenFailed, "export it to DXL"},
        {"badformula.dxl", Dxl(View("Contacts", "SELECT @Contains(Form; \"P\")") + kPerson),
         notes::AnalysisResult::Completed, notes::kAnalysisCompleted},
    };
    for (const auto& c : cases) {
        AnalysisRun run(dir.Write(c.name, c.content));
        EXPECT_EQ(run.outcome.result, c.result) << c.name;
        EXPECT_TRUE(run.Records().empty()) << c.name;
        ASSERT_EQ(run.view.messages.size(), 1u) << c.name;
        EXPECT_NE(run.view.messages[0].find(c.message), std::string::npos) << run.view.messages[0];
    }
}

TEST(Analysis, StopEndsTheWalkAndClearsTheRequest) {
    TempDir dir;
    std::string path = dir.Write("s.dxl", Dxl(View("($People)", "SELECT @All") + View("Contacts", "SELECT @All") +
                                              View("By Category", "SELECT @All") + kPerson));
    notes::BrowseState state;
    state.databasePath.set(path);
    RecordingAnalysisView view(state);
    // The user presses Stop while the second view is handled.
    view.onStatus = [&](const std::string& t) {
        if (t == " " && state.folders.Snapshot().size() == 2) state.stopRequest = 1;
    };
    auto outcome = notes::AnalyseContactViews(state, view);
    EXPECT_EQ(outcome.result, notes::AnalysisResult::Stopped);
    EXPECT_EQ(state.folders.Snapshot().size(), 2u);
    EXPECT_EQ(view.status, notes::kProcessAborted);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(state.stopRequest.load(), 0);
    EXPECT_TRUE(view.exportEnabled);
}

TEST(Analysis, ASecondDatabaseReplacesTheFirst) {
    TempDir dir;
    notes::BrowseState state;
    RecordingAnalysisView view(state);
    state.databasePath.set(SamplePath());
    notes::AnalyseContactViews(state, view);
    state.databasePath.set(dir.Write("one.dxl", Dxl(View("Contacts", "SELECT @All") + kPerson)));
    notes::AnalyseContactViews(state, view);
    auto records = state.folders.Snapshot();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].viewIndex, 0u);
    EXPECT_EQ(view.tree.Children(view.tree.Children(notes::kTreeRoot)[0]).size(), 1u);
}
