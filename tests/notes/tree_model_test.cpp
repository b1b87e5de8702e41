#include <notes/tree_model.h>

#include <gtest/gtest.h>

using notes::FolderTreeModel;

namespace {
std::vector<std::string> Texts(const FolderTreeModel& t, notes::TreeNodeId parent) {
    std::vector<std::string> out;
    for (auto c : t.Children(parent)) out.push_back(t.Get(c).text);
    return out;
}
}  // namespace

TEST(TreeModel, PathsShareTheirRootAndRegisterOnlyTheLeaves) {
    FolderTreeModel tree;
    notes::FolderStructureList records;
    tree.SelectFolder("Lotus Notes\\People\\", 3, records);
    tree.SelectFolder("Lotus Notes\\Contacts\\", 5, records);
    ASSERT_EQ(Texts(tree, notes::kTreeRoot), std::vector<std::string>{"Lotus Notes"});
    auto root = tree.Children(notes::kTreeRoot)[0];
    EXPECT_EQ(tree.Get(root).images.normal, 7);
    EXPECT_TRUE(tree.Get(root).hasChildrenButton);
    EXPECT_TRUE(tree.Get(root).expanded);
    EXPECT_EQ(Texts(tree, root), (std::vector<std::string>{"Contacts", "People"}));
    auto snapshot = records.Snapshot();
    ASSERT_EQ(snapshot.size(), 2u);
    EXPECT_EQ(snapshot[0].folderName, "People");
    EXPECT_EQ(snapshot[0].viewIndex, 3u);
    EXPECT_EQ(snapshot[1].folderName, "Contacts");
    EXPECT_EQ(snapshot[1].folderPath, "Lotus Notes\\Contacts\\");
    EXPECT_EQ(records.HasNode(snapshot[1].treeItem), 1);
    EXPECT_EQ(records.HasNode(root), 0);
}

TEST(TreeModel, ChecksFollowTheParentRules) {
    FolderTreeModel tree;
    notes::FolderStructureList records;
    tree.SelectFolder("Lotus Notes\\People\\", 1, records);
    auto contacts = tree.SelectFolder("Lotus Notes\\Contacts\\", 3, records);
    auto root = tree.Children(notes::kTreeRoot)[0];
    EXPECT_EQ(tree.GetCheck(root), 0);
    tree.ToggleCheck(root);  // ticking the root ticks every child
    for (auto c : tree.Children(root)) EXPECT_EQ(tree.GetCheck(c), 1);
    tree.ToggleCheck(contacts);  // unticking one child empties the root
    EXPECT_EQ(tree.GetCheck(root), 0);
    EXPECT_EQ(tree.GetCheck(contacts), 0);
    tree.ToggleCheck(contacts);  // all children full again: root full
    EXPECT_EQ(tree.GetCheck(root), 1);
    EXPECT_EQ(tree.GetCheck(12345), -1);
}

TEST(TreeModel, IconsByTextButChildSearchIsCaseSensitive) {
    FolderTreeModel tree;
    auto root = tree.InsertChildFolder("Mail", notes::kTreeRoot);
    auto inbox = tree.InsertChildFolder("Inbox", root);
    auto inbox2 = tree.InsertChildFolder("inbox", root);
    EXPECT_NE(inbox, inbox2);
    EXPECT_EQ(tree.InsertChildFolder("Inbox", root), inbox);
    EXPECT_EQ(tree.Get(inbox).images.normal, 0);
    EXPECT_EQ(tree.Get(inbox2).images.selected, 0);
    EXPECT_EQ(tree.Get(tree.InsertChildFolder("Other", root)).images.selected, 6);
    EXPECT_FALSE(tree.Get(inbox).hasChildrenButton);  // only top-level nodes get the button at once
    tree.DeleteAllItems();
    EXPECT_FALSE(tree.IsValid(inbox));
    EXPECT_NE(tree.InsertChildFolder("Mail", notes::kTreeRoot), root);  // handles are not reused
}
