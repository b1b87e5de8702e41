#include "recorders.h"
#include "support/open_database.h"
#include "support/temp_files.h"

#include <notes/contact_entries.h>
#include <notes/preview.h>

#include <gtest/gtest.h>

#include <set>

using namespace testsupport;

namespace {

struct Listed {
    notes::BrowseState state;
    RecordingAnalysisView analysis{state};
    RecordingListView list;
    explicit Listed(const std::string& path) {
        state.databasePath.set(path);
        notes::AnalyseContactViews(state, analysis);
    }
    void Fill(const std::string& folder) {
        for (const auto& r : state.folders.Snapshot())
            if (r.folderName == folder) notes::ListTreeFolder(state, list, r.treeItem);
    }
};

}  // namespace

TEST(ListFill, RowsCarryTheEntryIndexAndSkipCategoryEntries) {
    Listed l(SamplePath());
    l.Fill("By Category");
    ASSERT_FALSE(l.list.rows.empty());
    EXPECT_EQ(l.state.listedFolder.get(), "By Category");
    EXPECT_EQ(l.state.listedView.load(), 5u);
    // The first entry is a category: the first row's NO is 1, and NO values
    // outrun row positions.
    EXPECT_EQ(l.list.rows[0].no, "1");
    EXPECT_GT(std::stoi(l.list.rows.back().no), int(l.list.rows.size()) - 1);
    for (const auto& r : l.list.rows) EXPECT_EQ(r.viewIndex, "5");
    EXPECT_TRUE(l.list.treeEnabled);
    EXPECT_TRUE(l.list.exportEnabled);
    EXPECT_EQ(l.list.status, " ");
    EXPECT_EQ(l.list.progress, 0);

    l.Fill("Contacts");
    ASSERT_EQ(l.list.rows.size(), 69u);
    EXPECT_EQ(l.list.rows[0].no, "0");
    EXPECT_EQ(l.list.rows[0].fullName, "");  // a contact with FirstName but no FullName
    EXPECT_EQ(l.list.rows[0].firstName, "Margarethe");
}

TEST(ListFill, StopKeepsTheRowsSoFarAndRestoresTheWindow) {
    Listed l(SamplePath());
    l.list.onRow = [&](const notes::ListRow& row) {
        if (row.no == "2") l.state.stopRequest = 1;
    };
    l.Fill("Contacts");
    ASSERT_EQ(l.list.rows.size(), 4u);
    EXPECT_EQ(l.list.rows[3].fullName, "");  // stopped at its document: number columns only
    EXPECT_EQ(l.list.rows[3].no, "3");
    EXPECT_EQ(l.state.stopRequest.load(), 0);
    EXPECT_EQ(l.list.status, " ");
    EXPECT_TRUE(l.list.treeEnabled);
    EXPECT_EQ(l.list.progress, 0);
}

TEST(ListFill, AnEmptyViewAndTheRootGiveNoRows) {
    TempDir dir;
    Listed l(dir.Write("e.dxl", Dxl(View("Contacts", "SELECT Form = \"None\"") + Person(Text("FullName", "A")))));
    l.Fill("Contacts");
    EXPECT_TRUE(l.list.rows.empty());
    EXPECT_TRUE(l.list.treeEnabled);
    EXPECT_TRUE(l.list.exportEnabled);
    notes::ListTreeFolder(l.state, l.list, l.analysis.tree.Children(notes::kTreeRoot)[0]);
    EXPECT_TRUE(l.list.rows.empty());
}

TEST(ListFill, AFileChangedWhileListedStopsTheFillWithItsReason) {
    TempDir dir;
    std::string body = View("Contacts", "SELECT Form = \"Person\"");
    for (int i = 0; i < 50; ++i) body += Person(Text("FullName", "Name " + std::to_string(100 + i)));
    const std::string content = Dxl(body);
    const std::string path = dir.Write("c.dxl", content);
    Listed l(path);
    l.list.onRow = [&](const notes::ListRow& row) {
        if (row.no != "1") return;
        std::string changed = content;
        changed[changed.find("Name 1")] = 'X';
        std::ofstream(path, std::ios::binary | std::ios::in) << changed;
    };
    l.Fill("Contacts");
    ASSERT_EQ(l.list.rows.size(), 2u);  // no row of empty values after the change
    EXPECT_EQ(l.list.rows[1].fullName, "Name 101");
    EXPECT_NE(l.list.failure.find("changed"), std::string::npos) << l.list.failure;
    EXPECT_NE(l.list.failure.find(path), std::string::npos) << l.list.failure;
    EXPECT_TRUE(l.list.treeEnabled);
    EXPECT_TRUE(l.list.exportEnabled);

    // Listed again, the file is read anew.
    l.list.onRow = nullptr;
    l.list.failure.clear();
    l.Fill("Contacts");
    ASSERT_EQ(l.list.rows.size(), 50u);
    EXPECT_EQ(l.list.rows[0].fullName, "Xame 100");
    EXPECT_EQ(l.list.failure, "");
}

TEST(ListFill, RowsAreTheContactEntriesTheExportsAndTheCommandLineTake) {
    Listed l(SamplePath());
    for (const auto& r : l.state.folders.Snapshot()) {
        l.Fill(r.folderName);
        std::set<uint32_t> rows;
        for (const auto& row : l.list.rows) rows.insert(uint32_t(std::stoul(row.no)));
        EXPECT_EQ(notes::ContactEntries(SamplePath(), r.viewIndex), rows) << r.folderName;
    }
    EXPECT_TRUE(notes::ContactEntries(SamplePath(), 999).empty());
    EXPECT_TRUE(notes::ContactEntries("/nonexistent/names.dxl", 1).empty());
}

TEST(ListFill, AGroupsRowShowsItsListNameAndIsMarkedAsAGroup) {
    const std::string groups = std::string(FERRYWELL_SOURCE_DIR) + "/samples/groups.dxl";
    Listed l(groups);
    l.Fill("Contacts");
    ASSERT_EQ(l.list.rows.size(), 17u);
    std::set<std::string> listNames;
    for (const auto& row : l.list.rows) {
        EXPECT_FALSE(row.fullName.empty()) << row.no;
        if (!row.group) continue;
        listNames.insert(row.fullName);
        EXPECT_EQ(row.firstName + row.lastName + row.mailAddress, "") << row.fullName;
    }
    EXPECT_EQ(listNames, (std::set<std::string>{"Newsletter", "Setzerei", "Lektorat", "Alle", "Ringelreihen", "Kreis A",
                                                "Kreis B", "Unbekannt", "Leer", "Grosser Verteiler"}));
    std::set<uint32_t> rows;
    for (const auto& row : l.list.rows) rows.insert(uint32_t(std::stoul(row.no)));
    EXPECT_EQ(notes::ContactEntries(groups, l.state.listedView.load()), rows);
}

TEST(ListFill, ADirectoryPersonIsListedAndPreviewedByCommonNameAndInternetAddress) {
    const std::string directory = std::string(FERRYWELL_SOURCE_DIR) + "/samples/directory.dxl";
    Listed l(directory);
    l.Fill("Contacts");
    std::set<std::string> rows;
    for (const auto& r : l.list.rows) rows.insert(r.fullName + " <" + r.mailAddress + ">");
    EXPECT_TRUE(rows.count("Hana Canon <hana.canon@orbis.example>"));
    EXPECT_TRUE(rows.count("Ilse Bauer <Ilse Bauer/Ops/Orbis@Orbis>"));  // no Internet address to show instead
    for (const auto& row : rows) EXPECT_EQ(row.find("CN="), std::string::npos) << row;

    OpenDatabase open(directory);
    LNDocument hana = open.Search("ShortName = \"hcanon\"")[0];
    hana.Open();
    for (const auto& v : notes::ReadPreviewValues(hana))
        if (notes::kPreviewFields[v.number - 1] == "FullName") {
            EXPECT_EQ(v.value, "Hana Canon");
        }
}
