// What earlier exports saved, read back from a store folder and from MSG
// files; items replaced in place through the session; existing PST files
// opened to be continued, and the choice among them.
#include "outside_readers.h"
#include "profile_session.h"
#include "pst_crafting.h"

#include <store/msg_file.h>
#include <store/profile.h>
#include <store/saved_items.h>
#include <store/session.h>

#include <pst/pst_file.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string kDbA = "replica:852571E80054A1B2", kDbB = "replica:0000000000000001";

mapi::SourceIdentity Identity(const std::string& database, int n, int64_t modified = 1000, uint32_t sequence = 1) {
    char unid[33];
    std::snprintf(unid, sizeof unid, "%032X", n);
    return {database, unid, mapi::FileTime{modified}, sequence};
}

void SaveContact(store::ContactItem item, const std::string& email, const std::optional<mapi::SourceIdentity>& id) {
    item.Set(mapi::ContactField::FirstName, email.substr(0, email.find('@')));
    item.Set(mapi::ContactField::Email1Address, email);
    if (id) store::SetSourceIdentity(item, *id);
    item.Save();
}

class SavedItemsTest : public testsupport::ProfileSessionTest {};

TEST_F(SavedItemsTest, ListsEachDocumentOnceAndReplacesOnlyWhatItIsAskedTo) {
    store::Folder folder = session.EnsureFolderPath("\\\\Personal Folders\\Contacts");
    store::Items items = folder.GetItems();
    for (int i = 0; i < 5; ++i) SaveContact(items.Add("IPM.Contact"), "a" + std::to_string(i) + "@example.org", Identity(kDbA, i));
    SaveContact(items.Add("IPM.Contact"), "a1-older@example.org", Identity(kDbA, 1, 500));  // an older copy of a1
    SaveContact(items.Add("IPM.Contact"), "b0@example.org", Identity(kDbB, 0));            // same unid, other database
    SaveContact(items.Add("IPM.Contact"), "none@example.org", std::nullopt);               // not ours
    session.EnsureFolderPath("\\\\Personal Folders\\Other").GetItems().Add("IPM.Contact").Save();

    store::SavedItems saved = store::ListSavedItems(folder);
    EXPECT_EQ(saved.Size(), 6u);  // a0..a4 and b0
    EXPECT_EQ(saved.Superseded(), 1u);
    EXPECT_EQ(saved.Foreign(), 1u);
    struct Case {
        mapi::SourceIdentity current;
        mapi::SavedState state;
    } cases[] = {
        {Identity(kDbA, 0), mapi::SavedState::Unchanged},
        {Identity(kDbA, 1), mapi::SavedState::Unchanged},  // the newer of its two items counts
        {Identity(kDbA, 2, 1001), mapi::SavedState::Changed},
        {Identity(kDbA, 3, 1000, 2), mapi::SavedState::Changed},
        {Identity(kDbA, 9), mapi::SavedState::NotSaved},
        {Identity(kDbB, 0), mapi::SavedState::Unchanged},
        {Identity(kDbB, 1), mapi::SavedState::NotSaved},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.current.database + " " + c.current.unid);
        EXPECT_EQ(saved.StateOf(c.current), c.state);
    }

    // Replacing a2 rewrites that item; the others, b0 with the same unid
    // among them, stay as they were.
    const uint32_t a2 = saved.Find(kDbA, Identity(kDbA, 2).unid)->where;
    SaveContact(items.Replace(a2), "a2-changed@example.org", Identity(kDbA, 2, 1001));
    EXPECT_THROW(SaveContact(items.Replace(a2 + 0x400000), "x@example.org", Identity(kDbA, 7)), store::StoreError);
    session.Logoff();
    session.Logon();
    folder = session.GetFolderFromPath("\\\\Personal Folders\\Contacts");
    EXPECT_EQ(folder.GetItems().GetCount(), 8);
    saved = store::ListSavedItems(folder);
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 2).unid)->where, a2);
    EXPECT_EQ(saved.StateOf(Identity(kDbA, 2, 1001)), mapi::SavedState::Unchanged);

    ASSERT_EQ(MissingNodeReaders(), "");
    ExtractorView view = ReadWithPstExtractor(session.Stores()[0].GetPath());
    ASSERT_EQ(view.exitCode, 0) << view.output;
    std::multiset<std::string> emails;
    for (const auto& item : view.items)
        if (item.folder == "\\Top of Personal Folders\\Contacts") emails.insert(item.props.at("lid:8083"));
    EXPECT_EQ(emails, (std::multiset<std::string>{"a0@example.org", "a1@example.org", "a1-older@example.org",
                                                  "a2-changed@example.org", "a3@example.org", "a4@example.org",
                                                  "b0@example.org", "none@example.org"}));
}

TEST_F(SavedItemsTest, ADocumentWrittenTwiceHasTwoPlacesAndAListIsReplacedInPlace) {
    store::Folder folder = session.EnsureFolderPath("\\\\Personal Folders\\By Category");
    store::Items items = folder.GetItems();
    auto saveList = [](store::DistListItem list, const std::string& name, const mapi::SourceIdentity& id) {
        list.SetName(name);
        list.AddMember(name + " member", "m@example.org");
        store::SetSourceIdentity(list, id);
        list.Save();
    };
    saveList(items.AddDistList(), "Team", Identity(kDbA, 7));
    saveList(items.AddDistList(), "Team", Identity(kDbA, 7));  // listed under two categories
    SaveContact(items.Add("IPM.Contact"), "a0@example.org", Identity(kDbA, 0));

    store::SavedItems saved = store::ListSavedItems(folder);
    ASSERT_TRUE(saved.Find(kDbA, Identity(kDbA, 7).unid, 1));
    EXPECT_FALSE(saved.Find(kDbA, Identity(kDbA, 7).unid, 2));
    const uint32_t second = saved.Find(kDbA, Identity(kDbA, 7).unid, 1)->where;
    EXPECT_NE(second, saved.Find(kDbA, Identity(kDbA, 7).unid, 0)->where);
    saveList(items.ReplaceDistList(second), "Team renamed", Identity(kDbA, 7, 1001));
    EXPECT_THROW(items.ReplaceDistList(second, "IPM.Contact"), store::StoreError);

    session.Logoff();
    session.Logon();
    folder = session.GetFolderFromPath("\\\\Personal Folders\\By Category");
    EXPECT_EQ(folder.GetItems().GetCount(), 3);
    saved = store::ListSavedItems(folder);
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 7).unid, 0)->where, second);  // the newer one first now
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 7).unid, 0)->identity.modified.ticks, 1001);
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 7).unid, 1)->identity.modified.ticks, 1000);
    ExtractorView view = ReadWithPstExtractor(session.Stores()[0].GetPath());
    ASSERT_EQ(view.exitCode, 0) << view.output;
    std::multiset<std::string> subjects;
    for (const auto& item : view.items)
        if (item.folder == "\\Top of Personal Folders\\By Category") subjects.insert(item.props.count("0037") ? item.props.at("0037") : "");
    EXPECT_EQ(subjects.count("Team"), 1u);
    EXPECT_EQ(subjects.count("Team renamed"), 1u);
}

TEST_F(SavedItemsTest, OpensAStoreFileOnlyWhenItOpensCleanly) {
    const std::string outside = dir / "outside.pst";
    {
        auto f = pst::PstFile::Create(outside, "Earlier Export");
        f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact");
        f->Close();
    }
    const std::string damaged = dir / "damaged.pst";
    pstcraft::WriteMisplacedTableBlock(damaged, 0x200);  // opens, but a folder table cannot be read
    const std::string text = dir.Write("text.pst", "not a store");
    const std::string clash = dir / "clash.pst";
    pst::PstFile::Create(clash, "Personal Folders")->Close();  // the profile has that name for another file

    struct Case {
        std::string path;
        store::ErrorCode code;
    } refused[] = {
        {damaged, store::ErrorCode::BadFormat},
        {text, store::ErrorCode::BadFormat},
        {dir / "missing.pst", store::ErrorCode::NotFound},
        {clash, store::ErrorCode::InvalidArgument},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.path);
        const std::string before = ReadFile(c.path);
        try {
            session.OpenStoreFile(c.path);
            ADD_FAILURE() << "opened";
        } catch (const store::StoreError& e) {
            EXPECT_EQ(e.Code(), c.code) << e.what();
        }
        EXPECT_EQ(ReadFile(c.path), before);  // a refused file is not written to
    }
    EXPECT_EQ(store::Profile::Load().Stores().size(), 1u);
    EXPECT_EQ(session.Stores().size(), 1u);

    // A file moved away from where the profile lists it: the entry follows it.
    const std::string movedFrom = dir / "moved-from.pst", movedTo = dir / "moved-to.pst";
    pst::PstFile::Create(movedFrom, "Moved Export")->Close();
    session.OpenStoreFile(movedFrom);
    session.CloseStore("Moved Export");
    fs::rename(movedFrom, movedTo);
    EXPECT_EQ(session.OpenStoreFile(movedTo).GetPath(), movedTo);
    EXPECT_EQ(store::Profile::Load().Find("Moved Export")->path, movedTo);
    session.CloseStore("Moved Export");
    fs::copy_file(movedTo, movedFrom);  // a copy beside it is another file under that name
    EXPECT_THROW(session.OpenStoreFile(movedFrom), store::StoreError);

    store::Store opened = session.OpenStoreFile(outside);
    EXPECT_EQ(opened.GetName(), "Earlier Export");
    EXPECT_EQ(session.OpenStoreFile(dir.Path().string() + "/./outside.pst").GetPath(), opened.GetPath());  // once
    EXPECT_EQ(session.Stores().size(), 2u);
    SaveContact(session.GetFolderFromPath("\\\\Earlier Export\\Contacts").GetItems().Add("IPM.Contact"),
                "later@example.org", Identity(kDbA, 1));
    session.Logoff();
    session.Logon();  // the profile lists it now
    EXPECT_EQ(store::ListSavedItems(session.GetFolderFromPath("\\\\Earlier Export\\Contacts")).Size(), 1u);
}

TEST_F(SavedItemsTest, ContinuesTheNewestStoreOfTheSameDatabase) {
    fs::create_directories(dir.Path() / "out");
    auto make = [&](const std::string& name, const std::vector<std::optional<mapi::SourceIdentity>>& ids, int age) {
        const std::string path = (dir.Path() / "out" / name).string();
        {
            auto f = pst::PstFile::Create(path, name);
            auto c = f->CreateFolder(f->IpmSubtree(), "People", "IPF.Contact");
            auto sub = f->CreateFolder(c, "More", "IPF.Contact");
            for (const auto& id : ids) {
                mapi::PropertyBag b;
                if (id) mapi::SetSourceIdentity(b, *id);
                f->AddMessage(id && id->unid.back() == '2' ? sub : c, b);
            }
            f->Close();
        }
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(age));
        return path;
    };
    const std::string oldest = make("names-Corvane-1.pst", {Identity(kDbA, 1)}, 30);
    const std::string nested = make("names-Corvane-2.pst", {std::nullopt, Identity(kDbA, 2)}, 20);  // ours in a sub-folder
    const std::string empty = make("names-Corvane-3.PST", {}, 10);
    make("names-Corvane-4.pst", {Identity(kDbB, 1), std::nullopt}, 5);
    make("names-Corvane-5.pst", {std::nullopt}, 4);
    // Found by what it holds: made from a DXL file of another name, or renamed.
    const std::string renamed = make("other-Corvane-6.pst", {Identity(kDbA, 1)}, 1);
    make("archive.pst", {Identity(kDbB, 1)}, 2);  // another name and database: not a candidate
    make("other-Corvane-9.pst", {}, 3);             // empty, and not this export's name
    pstcraft::WriteMisplacedTableBlock((dir.Path() / "out" / "names-Corvane-7.pst").string(), 0x200);
    fs::create_directory(dir.Path() / "out" / "names-Corvane-8.pst");  // not a file

    store::PstCandidates found = store::FindPstsToContinue((dir.Path() / "out").string(), "names-Corvane-", kDbA);
    EXPECT_EQ(found.usable, (std::vector<std::string>{renamed, empty, nested, oldest}));
    EXPECT_EQ(found.holding, (std::vector<std::string>{renamed, nested, oldest}));
    std::map<std::string, std::string> refused(found.refused.begin(), found.refused.end());
    EXPECT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused.count((dir.Path() / "out" / "names-Corvane-7.pst").string()), 1u);
    EXPECT_EQ(refused[(dir.Path() / "out" / "names-Corvane-4.pst").string()], "it holds no item of this database");
    EXPECT_THROW(store::FindPstsToContinue((dir.Path() / "missing").string(), "names", kDbA), store::StoreError);
}

// The newest file found is taken over as it was checked; one that changed
// after the check, even within one tick of its clock, is read again, and what
// it holds then is kept.
TEST_F(SavedItemsTest, TheCheckedStoreIsTakenOverUnlessItChangedSince) {
    fs::create_directories(dir.Path() / "out");
    const std::string out = (dir.Path() / "out").string();
    for (bool changed : {false, true}) {
        SCOPED_TRACE(changed ? "changed after the check" : "as checked");
        const std::string name = changed ? "Changed" : "Checked";
        const std::string path = out + "/names-Corvane-" + name + ".pst";
        {
            auto f = pst::PstFile::Create(path, name);
            mapi::PropertyBag b;
            mapi::SetSourceIdentity(b, Identity(kDbA, 1));
            f->AddMessage(f->CreateFolder(f->IpmSubtree(), "Contacts", "IPF.Contact"), b);
            f->Close();
        }
        store::PstCandidates found = store::FindPstsToContinue(out, "names-Corvane-", kDbA);
        ASSERT_EQ(found.first.Path(), path);  // the newest
        if (changed) {
            auto f = pst::PstFile::Open(path, true);
            f->AddMessage(*f->FindSubfolder(f->IpmSubtree(), "Contacts"), mapi::PropertyBag());
            f->Close();
        }
        session.OpenStoreFile(std::move(found.first));
        SaveContact(session.GetFolderFromPath("\\\\" + name + "\\Contacts").GetItems().Add("IPM.Contact"),
                    "later@example.org", Identity(kDbA, 2));
        session.Logoff();
        EXPECT_NO_THROW(pst::PstFile::Open(path, true)->CheckFolders());
        ExtractorView view = ReadWithPstExtractor(path);
        ASSERT_EQ(view.exitCode, 0) << view.output;
        EXPECT_EQ(view.folders["\\Top of Personal Folders\\Contacts"], changed ? 3 : 2);
        session.Logon();
    }
}

TEST(SavedMsgFiles, IdentityReadBackFromEachFile) {
    TempDir dir;
    auto write = [&](const std::string& name, const std::optional<mapi::SourceIdentity>& id) {
        auto item = store::CreateMessageFromMsgFile(dir / name, "IPM.Contact", store::kMsgFileFormat);
        item->Set(mapi::ContactField::FirstName, name);
        item->Set(mapi::ContactField::Body, std::string(20000, 'b'));
        if (id) store::SetSourceIdentity(*item, *id);
        item->Save();
    };
    write("Acme0.msg", Identity(kDbA, 0, 126350158297800000, 7));
    write("Acme1.MSG", Identity(kDbA, 1));
    write("Acme2.msg", Identity(kDbA, 1, 2000));  // a later file of the same document
    write("Plain3.msg", std::nullopt);
    dir.Write("Broken4.msg", "not a message");
    dir.Write("Notes.txt", "x");

    EXPECT_EQ(store::ReadMsgSourceIdentity(dir / "Acme0.msg"), Identity(kDbA, 0, 126350158297800000, 7));
    EXPECT_EQ(store::ReadMsgSourceIdentity(dir / "Plain3.msg"), std::nullopt);
    EXPECT_THROW(store::ReadMsgSourceIdentity(dir / "Broken4.msg"), store::StoreError);

    auto saved = store::ListSavedMsgFiles(dir.Path().string());
    EXPECT_EQ(saved.Size(), 2u);
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 0).unid)->where, "Acme0.msg");
    EXPECT_EQ(saved.Find(kDbA, Identity(kDbA, 1).unid)->where, "Acme2.msg");
}

}  // namespace
