// The store session on a PST profile: logon, folders by path, picked folders
// and their display paths, contacts saved into folders.
#include "outside_readers.h"
#include "profile_session.h"

#include <store/profile.h>
#include <store/session.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

class Session : public ProfileSessionTest {};

TEST_F(Session, FirstLogonCreatesThePersonalFolders) {
    auto stores = session.Stores();
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].GetName(), "Personal Folders");
    EXPECT_TRUE(std::filesystem::exists(stores[0].GetPath()));
    EXPECT_EQ(store::Profile::Load().Stores().size(), 1u);
    session.Logoff();
    session.Logon();  // the second logon reuses it
    EXPECT_EQ(session.Stores().size(), 1u);
    EXPECT_EQ(store::Profile::Load().Stores().size(), 1u);
}

TEST_F(Session, FoldersByPath) {
    session.EnsureFolderPath("\\\\Personal Folders\\Contacts\\People");
    struct Case {
        std::string path;
        std::optional<std::string> name;  // none: an error is expected
        store::ErrorCode code = store::ErrorCode::NotFound;
    } cases[] = {
        {"\\\\Personal Folders", "Top of Personal Folders"},
        {"\\\\Personal Folders\\Contacts", "Contacts"},
        {"\\\\personal folders\\contacts\\People\\", "People"},  // case and trailing backslash do not matter
        {"\\\\Personal Folders\\Contacts\\Missing", std::nullopt},
        {"\\\\Other Store\\Contacts", std::nullopt},
        {"Personal Folders\\Contacts", std::nullopt, store::ErrorCode::InvalidArgument},
        {"\\\\", std::nullopt, store::ErrorCode::InvalidArgument},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            auto f = session.GetFolderFromPath(c.path);
            ASSERT_TRUE(c.name) << "found " << f.GetName();
            EXPECT_EQ(f.GetName(), *c.name);
        } catch (const store::StoreError& e) {
            EXPECT_FALSE(c.name) << e.what();
            EXPECT_EQ(e.Code(), c.code) << e.what();
        }
    }
}

TEST_F(Session, BadFolderNamesAreRefused) {
    auto top = session.GetFolderFromPath("\\\\Personal Folders");
    for (std::string bad : {"", "A\\B", "Deleted Items"}) {
        SCOPED_TRACE(bad);
        try {
            top.AddFolder(bad);
            ADD_FAILURE();
        } catch (const store::StoreError& e) {
            EXPECT_EQ(e.Code(), store::ErrorCode::InvalidArgument);
        }
    }
    EXPECT_EQ(top.GetFolders().size(), 1u);
}

TEST_F(Session, PickedFolderGivesItsDisplayPath) {
    auto sub = session.EnsureFolderPath("\\\\Personal Folders\\Inbox\\Sub");
    std::string seenCaption;
    auto picked = session.PickFolder([&](store::Session& s, const std::string& caption) {
        seenCaption = caption;
        return std::optional<store::Folder>(s.GetFolderFromPath("\\\\Personal Folders\\Inbox"));
    });
    ASSERT_TRUE(picked);
    EXPECT_EQ(seenCaption, "Please Select Folder");
    EXPECT_EQ(store::DisplayPath(*picked), "\\\\Personal Folders\\Inbox");
    EXPECT_EQ(store::DisplayPath(sub), "\\\\Personal Folders\\Inbox\\Sub");
    EXPECT_EQ(store::DisplayPath(picked->GetStore().GetIPMRootFolder()), "\\\\Personal Folders");
    EXPECT_EQ(session.GetFolderFromPath(store::DisplayPath(sub) + "\\").Id(), sub.Id());
    EXPECT_EQ(sub.GetParent()->GetName(), "Inbox");
    EXPECT_FALSE(picked->GetStore().GetRootFolder().GetParent());
    EXPECT_FALSE(session.PickFolder([](store::Session&, const std::string&) { return std::optional<store::Folder>(); }));
}

TEST_F(Session, SavedContactsReachTheFile) {
    ASSERT_TRUE(HaveTool("pffexport")) << "pffexport (pff-tools) is required";
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    auto folder = session.EnsureFolderPath("\\\\Personal Folders\\Contacts");
    auto items = folder.GetItems();
    const std::vector<std::string> names{"Анна Каренина", "Νίκος Καζαντζάκης", "夏目 漱石"};
    for (const auto& n : names) {
        auto c = items.Add("IPM.Contact");
        c.Set(mapi::ContactField::FullName, n);
        c.Set(mapi::ContactField::Email1Address, "mail@" + n);
        c.Set(mapi::ContactField::To, "");
        c.SetDate(mapi::ContactField::Birthday, 30000.5);
        c.SetSent(true);
        c.Save();
    }
    EXPECT_EQ(items.GetCount(), 3);
    EXPECT_THROW(items.Add("IPM.Note"), store::StoreError);
    std::string pst = folder.GetStore().GetPath();
    session.Logoff();
    EXPECT_THROW(folder.GetName(), store::StoreError);  // handles die with the session

    auto found = PffExportItems(pst, dir.Path().string());
    ASSERT_EQ(found.size(), names.size());
    std::set<std::string> fileUnder;
    for (const auto& item : found) {
        fileUnder.insert(item.Text(0x8005).value_or("?"));
        EXPECT_EQ(item.Text(0x0E04).value_or("missing"), "");  // empty To is kept
        EXPECT_EQ(item.values.at(0x0E07).at(0) & 0x09, 0x01);  // read, not unsent
    }
    EXPECT_EQ(fileUnder, std::set<std::string>(names.begin(), names.end()));
    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
    std::string cards = ReadFile((dir.Path() / "Personal Folders/Contacts/contacts").string());
    for (const auto& n : names) EXPECT_NE(cards.find("FN:" + n), std::string::npos) << cards;
}

TEST_F(Session, ContactWithoutFullNameStillShowsAName) {
    ASSERT_EQ(MissingNodeReaders(), "");
    auto folder = session.EnsureFolderPath("\\\\Personal Folders\\Contacts");
    auto c = folder.GetItems().Add("IPM.Contact");
    c.Set(mapi::ContactField::FirstName, "Ada");
    c.Set(mapi::ContactField::LastName, "Лавлейс");
    c.Save();
    std::string pst = folder.GetStore().GetPath();
    session.Logoff();

    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
    std::string card = ReadFile((dir.Path() / "Personal Folders/Contacts/contacts").string());
    EXPECT_NE(card.find("FN:Лавлейс\\, Ada"), std::string::npos) << card;  // readpst names a card by its file-under text
    ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), 1u) << view.output;
    EXPECT_EQ(view.items[0].props["3001"], "Ada Лавлейс");
    EXPECT_EQ(view.items[0].props["lid:8005"], "Лавлейс, Ada");
}

TEST_F(Session, NewStoresJoinTheProfile) {
    auto st = session.CreateStore((dir.Path() / "second.pst").string(), "Names-Corvane-1");
    EXPECT_EQ(st.GetName(), "Names-Corvane-1");
    EXPECT_EQ(session.GetFolderFromPath("\\\\Names-Corvane-1").GetName(), "Top of Personal Folders");
    EXPECT_THROW(session.CreateStore((dir.Path() / "third.pst").string(), "names-corvane-1"), store::StoreError);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "third.pst"));
    std::string ro = geteuid() == 0 ? "/sys" : (dir.Path() / "ro").string();
    if (geteuid() != 0) {
        std::filesystem::create_directory(ro);
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    EXPECT_THROW(session.CreateStore(ro + "/x.pst", "Unwritable"), store::StoreError);
    EXPECT_FALSE(store::Profile::Load().Find("Unwritable"));
    EXPECT_EQ(store::Profile::Load().Stores().size(), 2u);
}

// A closed store leaves the session with what was saved in it committed;
// its folders fail from then on, and the profile opens it again.
TEST_F(Session, AClosedStoreKeepsItsItemsAndOpensAgain) {
    session.CreateStore((dir.Path() / "part.pst").string(), "Part-1");
    store::Folder folder = session.EnsureFolderPath("\\\\Part-1\\Contacts");
    store::ContactItem item = folder.GetItems().Add("IPM.Contact");
    item.Set(mapi::ContactField::FullName, "Anna Berg");
    item.Save();
    session.CloseStore("part-1");  // names compare without case
    session.CloseStore("Part-1");  // a second time: nothing left to close
    EXPECT_EQ(session.Stores().size(), 1u);
    EXPECT_THROW(folder.GetItems().GetCount(), store::StoreError);
    auto reopened = session.FindStore("Part-1");
    ASSERT_TRUE(reopened);
    EXPECT_EQ(session.GetFolderFromPath("\\\\Part-1\\Contacts").GetItems().GetCount(), 1);
}

// Without logon a session touches only the stores it makes: no default
// store, no other store of the profile opened (a damaged one blocks
// nothing), only the new entry added.
TEST(SessionWithoutLogon, HoldsOnlyTheStoresItMakes) {
    TempDir dir;
    setenv("FERRYWELL_PROFILE", (dir / "profile").c_str(), 1);
    const std::string damaged = dir.Write("damaged.pst", "not a PST");
    store::Profile::Update([&](store::Profile& p) {
        p.Add({"Damaged", damaged});
        return true;
    });
    store::Session session;
    session.CheckProfile();
    store::Store made = session.CreateStoreUnderFreeName([&](int n) {
        const std::string name = "Export-" + std::to_string(n);
        return store::ProfileStore{name, dir / (name + ".pst")};
    });
    EXPECT_EQ(made.GetName(), "Export-1");
    store::Folder folder = session.EnsureFolderPath("\\\\Export-1\\Contacts\\Sub");
    folder.GetItems().Add("IPM.Contact").Save();
    EXPECT_THROW(session.GetFolderFromPath("\\\\Damaged"), store::StoreError);
    EXPECT_THROW(session.GetFolderFromPath("\\\\Personal Folders"), store::StoreError);
    session.CloseStore("Export-1");  // opens again by name, as a split export's earlier part
    EXPECT_EQ(session.GetFolderFromPath("\\\\Export-1\\Contacts\\Sub").GetItems().GetCount(), 1);
    session.Logoff();
    EXPECT_EQ(ReadFile(damaged), "not a PST");
    EXPECT_FALSE(std::filesystem::exists(dir / "profile/Personal Folders.pst"));
    const store::Profile profile = store::Profile::Load();
    ASSERT_EQ(profile.Stores().size(), 2u);
    EXPECT_EQ(profile.Find("Export-1")->path, dir / "Export-1.pst");
    unsetenv("FERRYWELL_PROFILE");
}

// A name is free when neither the profile nor a file has it; callers at the
// same time each get their own.
TEST_F(Session, FreeNamesAreClaimedOncePerCaller) {
    std::ofstream(dir / "Names (2).pst") << "someone else's file";
    session.CreateStore(dir / "elsewhere.pst", "Names");
    auto candidate = [&](int n) {
        const std::string name = n == 1 ? "Names" : "Names (" + std::to_string(n) + ")";
        return store::ProfileStore{name, dir / (name + ".pst")};
    };
    constexpr int kCallers = 6;
    std::vector<std::string> names(kCallers);
    std::vector<std::thread> callers;
    for (int i = 0; i < kCallers; ++i)
        callers.emplace_back([&, i] {
            store::Session own;
            names[i] = own.CreateStoreUnderFreeName(candidate).GetName();
        });
    for (auto& t : callers) t.join();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Names (3)", "Names (4)", "Names (5)", "Names (6)", "Names (7)", "Names (8)"}));
    EXPECT_EQ(ReadFile(dir / "Names (2).pst"), "someone else's file");
    EXPECT_EQ(store::Profile::Load().Stores().size(), size_t(2 + kCallers));
    // A candidate the profile cannot hold is refused before any file is made.
    EXPECT_THROW(session.CreateStoreUnderFreeName([&](int) { return store::ProfileStore{"Bad\\Name", dir / "bad.pst"}; }),
                 store::StoreError);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.pst"));
}

}  // namespace
