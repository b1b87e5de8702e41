// Where the profile lives, and logon failures.
#include "outside_readers.h"

#include <store/profile.h>
#include <store/session.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
    }
    ~EnvGuard() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(Profile, FolderFollowsTheEnvironment) {
    EnvGuard a("FERRYWELL_PROFILE"), b("XDG_DATA_HOME"), c("HOME");
    struct Case {
        const char* profile;
        const char* xdg;
        const char* home;
        std::string want;
    } cases[] = {
        {"/p/prof", "/x", "/h", "/p/prof"},
        {nullptr, "/x", "/h", "/x/ferrywell"},
        {"", "", "/h", "/h/.local/share/ferrywell"},
    };
    for (const auto& t : cases) {
        auto set = [](const char* n, const char* v) { v ? setenv(n, v, 1) : unsetenv(n); };
        set("FERRYWELL_PROFILE", t.profile);
        set("XDG_DATA_HOME", t.xdg);
        set("HOME", t.home);
        EXPECT_EQ(store::Profile::Directory(), t.want);
        EXPECT_EQ(store::Profile::FilePath(), t.want + "/profile.txt");
    }
}

TEST(Profile, LogonFailsWithTheUserTextAndTheCause) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    std::string blocker = dir / "file";
    std::ofstream(blocker) << "x";
    setenv("FERRYWELL_PROFILE", (blocker + "/profile").c_str(), 1);
    store::Session s;
    try {
        s.Logon();
        ADD_FAILURE() << "logged on";
    } catch (const store::StoreError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Unable to login outlook session! ", 0), 0u) << text;
        EXPECT_NE(text.find(blocker), std::string::npos) << text;
    }
    EXPECT_FALSE(s.LoggedOn());
    EXPECT_THROW(s.GetFolderFromPath("\\\\Personal Folders"), store::StoreError);
}

// A store of the profile that is no PST is left out, saying why; the
// others are used, and a lookup of it tells the same cause.
TEST(Profile, ADamagedStoreIsLeftOutAndTheOthersServe) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    const std::string broken = dir / "broken.pst";
    std::ofstream(broken) << "not a PST";
    setenv("FERRYWELL_PROFILE", (dir / "profile").c_str(), 1);
    store::Profile::Update([&](store::Profile& p) {
        p.Add({"Broken", broken});
        return true;
    });
    store::Session s;
    s.Logon();
    ASSERT_EQ(s.LeftOut().size(), 1u);
    EXPECT_EQ(s.LeftOut()[0].rfind("The store Broken (" + broken + ") cannot be opened: ", 0), 0u) << s.LeftOut()[0];
    s.EnsureFolderPath("\\\\Personal Folders\\Contacts").GetItems().Add("IPM.Contact").Save();
    try {
        s.GetFolderFromPath("\\\\Broken\\Contacts");
        ADD_FAILURE() << "found a folder in a damaged store";
    } catch (const store::StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("cannot be opened"), std::string::npos) << e.what();
    }
    s.Logoff();
    EXPECT_EQ(ReadFile(broken), "not a PST");
}

TEST(Profile, EntriesRoundTrip) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    setenv("FERRYWELL_PROFILE", dir.Path().c_str(), 1);
    store::Profile::Update([](store::Profile& p) {
        p.Add({"Ünïcode Store 店", "/data/a b.pst"});
        p.Add({"Second", "/data/second.pst"});
        p.Add({"second", "/data/replaced.pst"});  // same name, other case: replaces
        return true;
    });
    auto q = store::Profile::Load();
    ASSERT_EQ(q.Stores().size(), 2u);
    EXPECT_EQ(q.Find("ünïcode store 店") ? q.Find("ünïcode store 店")->path : "", "");  // only ASCII folds
    EXPECT_EQ(q.Find("Ünïcode Store 店")->path, "/data/a b.pst");
    EXPECT_EQ(q.Find("SECOND")->path, "/data/replaced.pst");
}

TEST(Profile, OldEntriesStayReadableAndNewOnesCannotBreakLines) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    setenv("FERRYWELL_PROFILE", dir.Path().c_str(), 1);
    // Written before names were checked: a path with a TAB and an escape character.
    std::ofstream(dir / "profile.txt", std::ios::binary) << "Old\t/data/a\tb\x1b.pst\r\nOther\t/data/o.pst\n";
    store::Profile::Update([](store::Profile& p) {
        EXPECT_EQ(p.Stores().size(), 2u);
        EXPECT_EQ(p.Find("Old")->path, "/data/a\tb\x1b.pst");
        EXPECT_THROW(p.Add({"New\nInjected", "/data/n.pst"}), store::StoreError);
        EXPECT_THROW(p.Add({"New", "/data/n.pst\nInjected\t/x.pst"}), store::StoreError);
        EXPECT_THROW(p.Add({std::string(256, 'n'), "/data/n.pst"}), store::StoreError);
        p.Add({"New", "/data/n.pst"});
        return true;
    });
    auto q = store::Profile::Load();
    ASSERT_EQ(q.Stores().size(), 3u);
    EXPECT_EQ(q.Find("Old")->path, "/data/a\tb\x1b.pst");
    EXPECT_EQ(q.Find("New")->path, "/data/n.pst");
}

// Changes from several writers at once each land: every change re-reads the
// profile under its lock; one that fails leaves the file as it was.
TEST(Profile, ConcurrentChangesAreAllKept) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    setenv("FERRYWELL_PROFILE", (dir / "profile").c_str(), 1);
    constexpr int kWriters = 8, kEach = 10;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([w] {
            for (int i = 0; i < kEach; ++i) {
                const std::string name = "Store " + std::to_string(w) + "-" + std::to_string(i);
                store::Profile::Update([&](store::Profile& p) {
                    p.Add({name, "/data/" + name + ".pst"});
                    return true;
                });
            }
        });
    for (auto& t : writers) t.join();
    EXPECT_EQ(store::Profile::Load().Stores().size(), size_t(kWriters * kEach));
    const std::string before = ReadFile(dir / "profile/profile.txt");
    EXPECT_THROW(store::Profile::Update([](store::Profile& p) {
                     p.Add({"Half", "/data/half.pst"});
                     throw store::StoreError(store::ErrorCode::Failed, "stop");
                     return true;
                 }),
                 store::StoreError);
    EXPECT_EQ(ReadFile(dir / "profile/profile.txt"), before);
}

TEST(Profile, DeletedStoreFilesDoNotBlockLogon) {
    EnvGuard a("FERRYWELL_PROFILE");
    TempDir dir;
    setenv("FERRYWELL_PROFILE", dir.Path().c_str(), 1);
    {
        store::Session s;
        s.Logon();
        s.CreateStore(dir / "export.pst", "Export");
        s.Logoff();
    }
    std::filesystem::remove(dir / "export.pst");
    std::filesystem::remove(dir / "Personal Folders.pst");
    store::Session s;
    s.Logon();
    auto stores = s.Stores();
    ASSERT_EQ(stores.size(), 1u);
    EXPECT_EQ(stores[0].GetName(), "Personal Folders");
    EXPECT_TRUE(std::filesystem::exists(dir / "Personal Folders.pst"));
    EXPECT_THROW(s.GetFolderFromPath("\\\\Export\\Contacts"), store::StoreError);
}

}  // namespace
