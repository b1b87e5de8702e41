// Every folder's tables must list exactly its sub-folders and items, with the
// values lists show, across commits and reopening.
#include "folder_tables.h"
#include "node_database.h"

#include "outside_readers.h"

#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

mapi::PropertyBag Item(const std::string& subject, bool read) {
    mapi::PropertyBag b;
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    b.Set(mapi::PidTagSubject.Key(), subject);
    b.Set(mapi::PidTagMessageFlags.Key(), int32_t(read ? 1 : 8));
    return b;
}

template <class T>
T Cell(const pst::PropMap& cells, uint16_t id) {
    auto it = cells.find(id);
    if (it == cells.end()) return T{};
    return std::get<T>(it->second.value);
}

void CheckFolder(const pst::PstFile& f, const pst::NodeDatabase& db, pst::Nid folder) {
    SCOPED_TRACE(f.Folder(folder)->name);
    const pst::NodeEntry* h = db.FindNode(pst::TableNid(folder, pst::nid::kTypeHierarchyTable));
    const pst::NodeEntry* c = db.FindNode(pst::TableNid(folder, pst::nid::kTypeContentsTable));
    const pst::NodeEntry* a = db.FindNode(pst::TableNid(folder, pst::nid::kTypeAssocContentsTable));
    ASSERT_TRUE(h && c && a);

    auto hier = pst::ReadTable(db, *h);
    auto subs = f.Subfolders(folder);
    ASSERT_EQ(hier.rows.size(), subs.size());
    for (size_t i = 0; i < subs.size(); ++i) {
        const auto& cells = hier.rows[i].cells;
        EXPECT_EQ(hier.rows[i].rowId, subs[i].nid);
        EXPECT_EQ(Cell<std::string>(cells, 0x3001), subs[i].name);
        EXPECT_EQ(Cell<int32_t>(cells, 0x3602), subs[i].contentCount);
        EXPECT_EQ(Cell<int32_t>(cells, 0x3603), subs[i].unreadCount);
        EXPECT_EQ(Cell<bool>(cells, 0x360A), subs[i].hasSubfolders);
    }

    auto contents = pst::ReadTable(db, *c);
    auto items = f.Messages(folder);
    ASSERT_EQ(contents.rows.size(), items.size());
    EXPECT_EQ(f.Folder(folder)->contentCount, int32_t(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(contents.rows[i].rowId, items[i]);
        auto item = f.ReadMessage(items[i]);
        EXPECT_EQ(Cell<std::string>(contents.rows[i].cells, 0x0037), *item.GetString(mapi::PidTagSubject.Key()));
        EXPECT_EQ(Cell<std::string>(contents.rows[i].cells, 0x001A), "IPM.Contact");
        EXPECT_EQ(Cell<int32_t>(contents.rows[i].cells, 0x0E07), *item.GetInt32(mapi::PidTagMessageFlags.Key()));
    }
    EXPECT_TRUE(pst::ReadTable(db, *a).rows.empty());
}

TEST(PstTables, StayInStepWithFoldersAndItems) {
    TempDir dir;
    std::string path = dir / "tables.pst";
    {
        auto f = pst::PstFile::Create(path, "Tables");
        auto a = f->CreateFolder(f->IpmSubtree(), "A", "IPF.Contact");
        f->CreateFolder(a, "B", "IPF.Contact");
        auto c = f->CreateFolder(f->IpmSubtree(), "C", "IPF.Contact");
        for (int i = 0; i < 3; ++i) f->AddMessage(a, Item("a" + std::to_string(i), i != 1));
        f->Commit();
        for (int i = 0; i < 400; ++i) f->AddMessage(c, Item("c" + std::to_string(i) + std::string(40, 'x'), true));
        f->Close();
    }
    {
        auto f = pst::PstFile::Open(path);
        auto a = *f->FindSubfolder(f->IpmSubtree(), "A");
        auto c = *f->FindSubfolder(f->IpmSubtree(), "C");
        f->AddMessage(a, Item("a3", false));
        f->AddMessage(c, Item("c400", true));
        f->CreateFolder(c, "D");
        f->Close();
    }
    auto f = pst::PstFile::Open(path, false);
    auto db = pst::NodeDatabase::Open(path, false);
    std::vector<pst::Nid> all{f->RootFolder()};
    for (size_t i = 0; i < all.size(); ++i)
        for (const auto& s : f->Subfolders(all[i])) all.push_back(s.nid);
    EXPECT_EQ(all.size(), 8u);  // root, top, search root, deleted items, A, C, B, D
    for (auto folder : all) CheckFolder(*f, *db, folder);
    auto a = f->Folder(*f->FindSubfolder(f->IpmSubtree(), "A"));
    EXPECT_EQ(a->contentCount, 4);
    EXPECT_EQ(a->unreadCount, 2);
}

}  // namespace

TEST(PstItems, TheCallersValuesWinOneValuePerIdAndTheSizeIsTheStores) {
    TempDir dir;
    auto f = pst::PstFile::Create(dir / "items.pst", "Items");
    const pst::Nid folder = f->CreateFolder(f->IpmSubtree(), "A", "IPF.Contact");
    const auto subjectAsNumber = mapi::PropertyKey::Tag(mapi::PidTagSubject.id, mapi::PropType::Int32);
    mapi::PropertyBag bag;
    bag.Set(subjectAsNumber, int32_t(5));                         // the same id as the text below,
    bag.Set(mapi::PidTagSubject.Key(), std::string("the text"));  // which comes later and is kept
    bag.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    bag.Set(mapi::PidTagImportance.Key(), int32_t(2));
    bag.Set(mapi::PidTagMessageSize.Key(), int32_t(12345));  // the store's own count replaces it
    bag.Set(mapi::PropertyKey::Tag(0x6601, mapi::PropType::Boolean), true);
    const mapi::PropertyBag back = f->ReadMessage(f->AddMessage(folder, bag));
    EXPECT_FALSE(back.Has(subjectAsNumber));
    EXPECT_EQ(back.GetString(mapi::PidTagSubject.Key()), "the text");
    EXPECT_EQ(back.GetString(mapi::PidTagMessageClass.Key()), "IPM.Contact");
    EXPECT_EQ(back.GetInt32(mapi::PidTagImportance.Key()), 2);
    EXPECT_EQ(back.GetInt32(mapi::PidTagSensitivity.Key()), 0);
    const auto size = back.GetInt32(mapi::PidTagMessageSize.Key());
    ASSERT_TRUE(size.has_value());
    EXPECT_NE(*size, 12345);
    EXPECT_GT(*size, 0);
    const mapi::PropertyValue* flag = back.Find(mapi::PropertyKey::Tag(0x6601, mapi::PropType::Boolean));
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(*flag, mapi::PropertyValue(true));

    mapi::PropertyBag wrong;
    wrong.Set(mapi::PidTagImportance.Key(), std::string("high"));  // a text where a number belongs
    EXPECT_THROW(f->AddMessage(folder, wrong), pst::PstError);
    f->Close();
}
