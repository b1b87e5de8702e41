// A folder's list of items long enough to be written by pieces: rows added
// and replaced across commits and sessions read back the same through our
// reader and the outside ones.
#include "folder_tables.h"
#include "growing_table.h"
#include "node_database.h"
#include "outside_readers.h"

#include <mapi/contact.h>
#include <mapi/tags.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace testsupport;

namespace {

mapi::PropertyBag Item(int n, const std::string& subject, bool read) {
    mapi::PropertyBag b;
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    b.Set(mapi::PidTagSubject.Key(), subject);
    b.Set(mapi::PidTagDisplayName.Key(), subject);
    b.Set(mapi::InfoOf(mapi::ContactField::Email1Address).key, "person" + std::to_string(n) + "@example.org");
    b.Set(mapi::PidTagMessageFlags.Key(), int32_t(read ? mapi::kMsgFlagRead : 0));
    return b;
}

struct Expected {
    std::vector<pst::Nid> nids;
    std::map<pst::Nid, std::pair<std::string, bool>> items;  // subject, read
    void Add(pst::PstFile& f, pst::Nid folder, const std::string& subject, bool read = true) {
        const int n = int(nids.size());
        nids.push_back(f.AddMessage(folder, Item(n, subject, read)));
        items[nids.back()] = {subject, read};
    }
    void Replace(pst::PstFile& f, int n, const std::string& subject, bool read) {
        f.ReplaceMessage(nids[size_t(n)], Item(n, subject, read));
        items[nids[size_t(n)]] = {subject, read};
    }
    int Unread() const {
        int count = 0;
        for (const auto& [nid, item] : items) count += !item.second;
        return count;
    }
};

template <class T>
T Cell(const pst::PropMap& cells, mapi::PropTag tag) {
    auto it = cells.find(tag.id);
    return it == cells.end() ? T{} : std::get<T>(it->second.value);
}

}  // namespace

TEST(PstLongList, RowsAddedAndReplacedByPiecesReadBackEverywhere) {
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
    ASSERT_EQ(MissingNodeReaders(), "");
    TempDir dir;
    const std::string path = dir / "long.pst";
    Expected want;
    const std::string large(5000, 'L');  // a subject too large for the table's heap
    {
        auto f = pst::PstFile::Create(path, "Long");
        const pst::Nid c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < 1500; ++i) want.Add(*f, c, i == 7 ? large : "s" + std::to_string(i), i % 97 != 0);
        f->Commit();
        for (int i = 1500; i < 2200; ++i) want.Add(*f, c, "s" + std::to_string(i));
        // A row in a full block, one in the last block twice, and one not
        // written yet; read and unread both ways.
        want.Replace(*f, 5, "r5", false);
        want.Replace(*f, 97, "r97", true);
        want.Replace(*f, 1600, "r1600a", false);
        want.Replace(*f, 1600, "r1600b", true);
        want.Replace(*f, 2199, large + "r", true);
        f->Commit();
        want.Replace(*f, 2150, "r2150", false);
        want.Add(*f, c, "s2200");
        f->Close();
    }
    // A later session takes the list over where it lies, as long as it is
    // laid out as this store writes it; and again after that session.
    auto adoptable = [&] {
        auto db = pst::NodeDatabase::Open(path, false);
        auto file = pst::PstFile::Open(path, false);
        const pst::Nid c = *file->FindSubfolder(file->IpmSubtree(), "Contacts");
        auto table = pst::GrowingTable::Adopt(*db, pst::TableNid(c, pst::nid::kTypeContentsTable), pst::ContentsColumns());
        std::vector<uint32_t> ids(want.nids.begin(), want.nids.end());
        std::sort(ids.begin(), ids.end());
        return table && table->Size() == ids.size() && table->HasRowsOf(ids);
    };
    EXPECT_TRUE(adoptable());
    {
        // A later session reads the list once and goes on by pieces.
        auto f = pst::PstFile::Open(path);
        const pst::Nid c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
        want.Replace(*f, 10, "r10", false);
        for (int i = 2201; i < 2500; ++i) want.Add(*f, c, "s" + std::to_string(i));
        f->Commit();
        want.Replace(*f, 2300, "r2300", true);
        want.Replace(*f, 6, "r6", false);
        f->Close();
    }
    ASSERT_NO_THROW(pst::NodeDatabase::Open(path, true));  // no block listed twice or overlapping
    EXPECT_TRUE(adoptable());

    auto f = pst::PstFile::Open(path, false);
    auto db = pst::NodeDatabase::Open(path, false);
    const pst::Nid c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
    EXPECT_EQ(f->Messages(c), want.nids);
    EXPECT_EQ(f->Folder(c)->contentCount, int32_t(want.nids.size()));
    EXPECT_EQ(f->Folder(c)->unreadCount, want.Unread());
    const auto table = pst::ReadTable(*db, *db->FindNode(pst::TableNid(c, pst::nid::kTypeContentsTable)));
    ASSERT_EQ(table.rows.size(), want.nids.size());
    for (size_t i = 0; i < table.rows.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& row = table.rows[i];
        ASSERT_EQ(row.rowId, want.nids[i]);  // in the order they were added
        const auto& [subject, read] = want.items.at(row.rowId);
        EXPECT_EQ(Cell<std::string>(row.cells, mapi::PidTagSubject), subject);
        EXPECT_EQ(Cell<std::string>(row.cells, mapi::PidTagMessageClass), "IPM.Contact");
        EXPECT_EQ(Cell<int32_t>(row.cells, mapi::PidTagMessageFlags), read ? int32_t(mapi::kMsgFlagRead) : 0);
        EXPECT_EQ(*f->ReadMessage(row.rowId).GetString(mapi::PidTagSubject.Key()), subject);
    }

    // Outside readers find each item once, with its latest subject.
    const size_t count = want.nids.size();
    ExtractorView view = ReadWithPstExtractor(path);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    EXPECT_EQ(view.folders["\\Top of Personal Folders\\Contacts"], int(count));
    std::map<std::string, int> seen;
    for (const auto& item : view.items) {
        if (item.folder != "\\Top of Personal Folders\\Contacts") continue;
        const int n = std::stoi(item.props.at("lid:8083").substr(6));
        EXPECT_EQ(item.props.at("3001"), want.items.at(want.nids[size_t(n)]).first) << n;
        ++seen[item.props.at("lid:8083")];
    }
    EXPECT_EQ(seen.size(), count);
    for (const auto& [email, times] : seen) EXPECT_EQ(times, 1) << email;

    std::map<std::string, int> pff;
    for (const auto& item : PffExportItems(path, dir.Path().string())) ++pff[item.Text(mapi::PidLidEmail1EmailAddress.lid).value_or("")];
    EXPECT_EQ(pff.size(), count);
    for (const auto& [email, times] : pff) EXPECT_EQ(times, 1) << email;

    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(path), &out), 0) << out;
    std::string cards;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
        if (entry.path().filename() == "contacts") cards += ReadFile(entry.path());
    size_t found = 0;
    for (size_t at = cards.find("@example.org"); at != std::string::npos; at = cards.find("@example.org", at + 1)) ++found;
    EXPECT_EQ(found, count);
}
