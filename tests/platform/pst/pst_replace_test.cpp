// Items rewritten in place, reading a few properties of every item, the check
// of a store that is to be written again, and a writer killed while it
// replaces items.
#include "killed_child.h"
#include "outside_readers.h"
#include "pst_crafting.h"

#include <mapi/contact.h>
#include <mapi/source_identity.h>
#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

using namespace testsupport;

namespace {

const mapi::PropertyKey kEmail = mapi::InfoOf(mapi::ContactField::Email1Address).key;
const mapi::PropertyKey kBody = mapi::InfoOf(mapi::ContactField::Body).key;
const mapi::PropertyKey kFlags = mapi::PidTagMessageFlags.Key();

mapi::PropertyBag Contact(int n, const std::string& version, size_t bodySize = 10) {
    mapi::PropertyBag b;
    const std::string name = "person" + std::to_string(n);
    b.Set(mapi::PidTagMessageClass.Key(), std::string("IPM.Contact"));
    b.Set(mapi::InfoOf(mapi::ContactField::FullName).key, name + " " + version);
    b.Set(mapi::InfoOf(mapi::ContactField::Subject).key, name + " " + version);
    b.Set(mapi::PidLidFileUnder.Key(), name + " " + version);  // readpst's name for the card
    b.Set(kEmail, name + "@example.org");
    b.Set(kBody, version + std::string(bodySize, '.'));
    b.Set(kFlags, int32_t(mapi::kMsgFlagRead));
    mapi::SetSourceIdentity(b, {"replica:852571E80054A1B2", "UNID" + std::to_string(n), {1000}, 1});
    return b;
}

// Every item's e-mail address -> its full name, as pffexport reads them.
std::multimap<std::string, std::string> ByEmail(const std::vector<PffItem>& items) {
    std::multimap<std::string, std::string> out;
    for (const auto& item : items)
        out.emplace(item.Text(mapi::PidLidEmail1EmailAddress.lid).value_or(""),
                    item.Text(mapi::PidTagDisplayName.id).value_or(""));
    return out;
}

}  // namespace

TEST(PstReplace, ReplacedItemsKeepTheirPlaceAndEveryReaderSeesTheNewValues) {
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
    ASSERT_EQ(MissingNodeReaders(), "");
    TempDir dir;
    const std::string path = dir / "replace.pst";
    const int count = 12;
    std::vector<pst::Nid> nids;
    mapi::PropertyBag firstSaved;
    {
        auto f = pst::PstFile::Create(path, "Replace");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        auto other = f->CreateFolder(f->IpmSubtree(), "Other", "IPF.Contact");
        for (int i = 0; i < count; ++i) nids.push_back(f->AddMessage(c, Contact(i, "v1")));
        f->AddMessage(other, Contact(100, "v1"));
        f->Close();
        firstSaved = pst::PstFile::Open(path, false)->ReadMessage(nids[0]);
    }
    {
        // Small to small, small to a body in a subnode, and an item made unread.
        auto f = pst::PstFile::Open(path);
        f->ReplaceMessage(nids[0], Contact(0, "v2"));
        f->ReplaceMessage(nids[1], Contact(1, "v2", 20000));
        mapi::PropertyBag unread = Contact(2, "v2");
        unread.Set(kFlags, int32_t(0));
        f->ReplaceMessage(nids[2], unread);
        f->Close();
    }
    {
        // A session later: back from a subnode to a small item, and one item twice.
        auto f = pst::PstFile::Open(path);
        f->ReplaceMessage(nids[1], Contact(1, "v3"));
        f->ReplaceMessage(nids[3], Contact(3, "v2"));
        f->ReplaceMessage(nids[3], Contact(3, "v3"));
        EXPECT_THROW(f->ReplaceMessage(f->IpmSubtree(), Contact(9, "v9")), pst::PstError);  // a folder
        EXPECT_THROW(f->ReplaceMessage(nids.back() + 0x400, Contact(9, "v9")), pst::PstError);
        f->Close();
    }

    auto f = pst::PstFile::Open(path, false);
    const pst::Nid c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
    EXPECT_EQ(f->Messages(c), nids);
    EXPECT_EQ(f->Folder(c)->contentCount, count);
    EXPECT_EQ(f->Folder(c)->unreadCount, 1);
    const mapi::PropertyBag first = f->ReadMessage(nids[0]);
    EXPECT_EQ(first.GetString(mapi::InfoOf(mapi::ContactField::FullName).key), "person0 v2");
    EXPECT_EQ(first.GetTime(mapi::PidTagCreationTime.Key()), firstSaved.GetTime(mapi::PidTagCreationTime.Key()));
    EXPECT_EQ(*first.Find(mapi::PidTagSearchKey.Key()), *firstSaved.Find(mapi::PidTagSearchKey.Key()));
    EXPECT_EQ(f->ReadMessage(nids[1]).GetString(kBody), "v3..........");
    EXPECT_EQ(mapi::GetSourceIdentity(f->ReadMessage(nids[3]))->unid, "UNID3");

    // Every reader finds each contact once, with its latest version.
    const std::map<int, std::string> latest{{0, "v2"}, {1, "v3"}, {2, "v2"}, {3, "v3"}};
    auto expectedName = [&](int i) {
        auto it = latest.find(i);
        return "person" + std::to_string(i) + " " + (it == latest.end() ? "v1" : it->second);
    };
    ExtractorView view = ReadWithPstExtractor(path);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    EXPECT_EQ(view.folders["\\Top of Personal Folders\\Contacts"], count);
    std::map<std::string, int> seen;
    for (const auto& item : view.items) {
        if (item.folder != "\\Top of Personal Folders\\Contacts") continue;
        const std::string email = item.props.at("lid:8083");
        const int n = std::stoi(email.substr(6));
        EXPECT_EQ(item.props.at("3001"), expectedName(n)) << email;
        EXPECT_EQ(item.props.at("lid:0002"), "UNID" + std::to_string(n));  // our identity, as another reader sees it
        ++seen[email];
    }
    EXPECT_EQ(seen.size(), size_t(count));
    for (const auto& [email, times] : seen) EXPECT_EQ(times, 1) << email;

    auto pff = ByEmail(PffExportItems(path, dir.Path().string()));
    EXPECT_EQ(pff.size(), size_t(count + 1));
    for (int i = 0; i < count; ++i) {
        const std::string email = "person" + std::to_string(i) + "@example.org";
        ASSERT_EQ(pff.count(email), 1u) << email;
        EXPECT_EQ(pff.find(email)->second, expectedName(i));
    }

    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(path), &out), 0) << out;
    std::string cards;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path()))
        if (entry.path().filename() == "contacts") cards += ReadFile(entry.path());
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const std::string email = "person" + std::to_string(i) + "@example.org";
        size_t first = cards.find(email);
        ASSERT_NE(first, std::string::npos);
        EXPECT_EQ(cards.find(email, first + 1), std::string::npos);  // once
        EXPECT_NE(cards.find(expectedName(i)), std::string::npos);
    }
}

TEST(PstReplace, ReadEachMessageHandsOutOnlyWhatIsAskedFor) {
    TempDir dir;
    const std::string path = dir / "read.pst";
    pst::Nid c = 0, damaged = 0;
    {
        auto f = pst::PstFile::Create(path, "Read");
        c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        auto other = f->CreateFolder(f->IpmSubtree(), "Other", "IPF.Contact");
        for (int i = 0; i < 5; ++i) f->AddMessage(c, Contact(i, "v1", i == 4 ? 20000 : 10));
        mapi::PropertyBag foreign = Contact(5, "v1");
        for (const auto& key : mapi::SourceIdentityKeys()) foreign.Erase(key);
        foreign.Set(mapi::InfoOf(mapi::ContactField::FullName).key, std::string("DAMAGEME"));
        damaged = f->AddMessage(c, foreign);
        f->AddMessage(other, Contact(6, "v1"));
        f->Close();
    }
    const std::vector<mapi::PropertyKey> keys{
        mapi::PidLidFerrywellSourceUnid.Key(), kBody,
        mapi::PropertyKey::Tag(mapi::PidTagSubject.id, mapi::PropType::Int32),  // stored as text: left out
        mapi::PropertyKey::Named(mapi::kPsetidAddress, 0x8999, mapi::PropType::Unicode)};  // never mapped
    std::map<pst::Nid, mapi::PropertyBag> got;
    pst::PstFile::Open(path, false)->ReadEachMessage(c, keys, [&](pst::Nid nid, const mapi::PropertyBag* props) {
        EXPECT_NE(props, nullptr);
        got[nid] = *props;
        return true;
    });
    ASSERT_EQ(got.size(), 6u);
    for (const auto& [nid, props] : got) {
        if (nid == damaged) {
            EXPECT_EQ(props.All().size(), 1u);  // the body only
            continue;
        }
        EXPECT_EQ(props.All().size(), 2u);
        EXPECT_TRUE(props.GetString(mapi::PidLidFerrywellSourceUnid.Key()));
    }
    EXPECT_EQ(got.rbegin()->second.GetString(kBody)->size() + got.begin()->second.GetString(kBody)->size(),
              std::string("v1").size() * 2 + 10 + 10);

    int visits = 0;
    pst::PstFile::Open(path, false)->ReadEachMessage(c, {}, [&](pst::Nid, const mapi::PropertyBag*) { return ++visits < 2; });
    EXPECT_EQ(visits, 2);  // stopped when asked

    // One damaged item is reported as unreadable; the others still read.
    std::string bytes = ReadFile(path);
    const std::string marker{'D', 0, 'A', 0, 'M', 0, 'A', 0, 'G', 0, 'E', 0};
    size_t at = bytes.find(marker);
    ASSERT_NE(at, std::string::npos);
    bytes[at] = 'X';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    int unreadable = 0, readable = 0;
    pst::PstFile::Open(path, false)->ReadEachMessage(c, keys, [&](pst::Nid nid, const mapi::PropertyBag* props) {
        (props ? readable : unreadable) += 1;
        if (!props) {
            EXPECT_EQ(nid, damaged);
        }
        return true;
    });
    EXPECT_EQ(unreadable, 1);
    EXPECT_EQ(readable, 5);
}

TEST(PstReplace, CheckFoldersFindsADamagedFolderTable) {
    TempDir dir;
    const std::string good = dir / "good.pst", subfolders = dir / "subfolders.pst", items = dir / "items.pst";
    pstcraft::WritePlainStore(good);
    pstcraft::WriteMisplacedTableBlock(subfolders, 0x200);  // the top folder's list of sub-folders
    {
        auto f = pst::PstFile::Create(items, "Items");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        mapi::PropertyBag b = Contact(1, "v1");
        b.Set(mapi::PidTagSubject.Key(), std::string("TABLEMARK"));
        f->AddMessage(c, b);
        f->Close();
        // The subject's last copy is the row of the folder's list of items.
        std::string bytes = ReadFile(items);
        const std::string mark{'T', 0, 'A', 0, 'B', 0, 'L', 0, 'E', 0, 'M', 0, 'A', 0, 'R', 0, 'K', 0};
        bytes[bytes.rfind(mark)] = 'X';
        std::ofstream(items, std::ios::binary | std::ios::trunc) << bytes;
    }
    EXPECT_NO_THROW(pst::PstFile::Open(good, false)->CheckFolders());
    for (const auto& [path, folder] : {std::pair{subfolders, "Top of Personal Folders"}, std::pair{items, "Contacts"}}) {
        SCOPED_TRACE(path);
        auto f = pst::PstFile::Open(path, false);  // opening alone does not read folder tables
        try {
            f->CheckFolders();
            ADD_FAILURE() << "a damaged folder table must be found";
        } catch (const pst::PstError& e) {
            EXPECT_EQ(e.Kind(), pst::ErrorKind::BadFormat);
            EXPECT_NE(std::string(e.what()).find(folder), std::string::npos) << e.what();
        }
    }
}

TEST(PstReplace, KilledWhileReplacingLeavesEveryItemOnce) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    TempDir dir;
    const std::string path = dir / "killed.pst";
    const int count = 300;
    std::vector<pst::Nid> nids;
    {
        auto f = pst::PstFile::Create(path, "Killed");
        auto c = f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        for (int i = 0; i < count; ++i) nids.push_back(f->AddMessage(c, Contact(i, "v0")));
        f->Close();
    }
    // Each round kills the writer at another moment: mid-item, mid-commit.
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(RunAndKill(
            [&](const std::function<void()>& ready) {
                auto f = pst::PstFile::Open(path);
                for (int i = 0;; ++i) {
                    // Items of every size, so replacements move between heap and subnodes.
                    f->ReplaceMessage(nids[i % count], Contact(i % count, "r" + std::to_string(round) + "-" + std::to_string(i),
                                                                size_t(i % 7) * 1500));
                    if (i % 37 == 36) f->Commit();
                    if (i == 400) ready();
                }
            },
            std::chrono::milliseconds(round * 7)));

        auto f = pst::PstFile::Open(path);  // for writing: the whole index is checked
        f->CheckFolders();
        auto c = *f->FindSubfolder(f->IpmSubtree(), "Contacts");
        EXPECT_EQ(f->Messages(c), nids);
        EXPECT_EQ(f->Folder(c)->contentCount, count);
        std::set<std::string> emails;
        for (pst::Nid nid : nids) emails.insert(*f->ReadMessage(nid).GetString(kEmail));
        EXPECT_EQ(emails.size(), size_t(count));
        f->Abandon();
        std::string out;
        EXPECT_EQ(RunTool("pffinfo " + Quote(path), &out), 0) << out;
    }
}
