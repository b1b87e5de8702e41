// The companion program driven by its command files.
#include "outside_readers.h"

#include <pst/pst_file.h>
#include <store/companion.h>
#include <store/profile.h>
#include <store/session.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

class Saving : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.Path() / "cmd");
        setenv("FERRYWELL_COMMAND_DIR", (dir.Path() / "cmd").c_str(), 1);
        setenv("FERRYWELL_PROFILE", (dir.Path() / "profile").c_str(), 1);
    }
    void TearDown() override { unsetenv("FERRYWELL_COMMAND_DIR"); }
    void Command(const char* file, const std::string& text) { std::ofstream(dir / ("cmd/" + std::string(file)), std::ios::binary) << text; }
    int RunSaving(const std::string& verb, std::string* out = nullptr) {
        return RunTool(Quote(std::string(FERRYWELL_BIN_DIR) + "/saving") + " " + verb, out);
    }
    TempDir dir;
};

TEST_F(Saving, CreateMakesAStoreInTheProfile) {
    ASSERT_TRUE(HaveTool("pffinfo")) << "pffinfo (pff-tools) is required";
    std::string pst = dir / "Names-Corvane-7-12-2026 9 5 3 42.pst";
    Command(store::kSavingFile, store::SavingText(pst, "Names-Corvane-7-12-2026 9 5 3 42"));
    std::string out;
    ASSERT_EQ(RunSaving("create", &out), 0) << out;
    auto profile = store::Profile::Load();
    ASSERT_TRUE(profile.Find("Names-Corvane-7-12-2026 9 5 3 42"));
    EXPECT_EQ(profile.Find("Names-Corvane-7-12-2026 9 5 3 42")->path, pst);
    EXPECT_EQ(RunTool("pffinfo " + Quote(pst), &out), 0) << out;
    EXPECT_EQ(pst::PstFile::Open(pst, false)->DisplayName(), "Names-Corvane-7-12-2026 9 5 3 42");

    // A relative path is recorded as the absolute one.
    std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.Path());
    Command(store::kSavingFile, store::SavingText("relative.pst", "Relative"));
    EXPECT_EQ(RunSaving("create", &out), 0) << out;
    std::filesystem::current_path(cwd);
    ASSERT_TRUE(store::Profile::Load().Find("Relative"));
    EXPECT_EQ(store::Profile::Load().Find("Relative")->path, dir / "relative.pst");

    Command(store::kMailSavingFile, store::MailSavingText("\\\\Names-Corvane-7-12-2026 9 5 3 42\\Contacts\\By Category\\"));
    ASSERT_EQ(RunSaving("folder", &out), 0) << out;
    ASSERT_EQ(RunSaving("folder", &out), 0) << out;  // existing folders are kept
    auto f = pst::PstFile::Open(pst, false);
    auto contacts = f->FindSubfolder(f->IpmSubtree(), "Contacts");
    ASSERT_TRUE(contacts);
    auto sub = f->Subfolders(*contacts);
    ASSERT_EQ(sub.size(), 1u);
    EXPECT_EQ(sub[0].name, "By Category");
    EXPECT_EQ(sub[0].containerClass, "IPF.Contact");
}

TEST_F(Saving, BadCommandFilesFailCleanly) {
    std::string ro = geteuid() == 0 ? "/sys" : (dir.Path() / "ro").string();
    if (geteuid() != 0) {
        std::filesystem::create_directory(ro);
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    std::string existing = dir / "existing.pst";
    std::ofstream(existing) << "keep";
    struct Case {
        const char* name;
        std::string verb;
        std::optional<std::string> saving, mailsaving;
        int code;
        std::string leftAlone;  // a path that must not exist afterwards
    } cases[] = {
        {"no verb", "", std::nullopt, std::nullopt, 2, ""},
        {"unknown verb", "delete", std::nullopt, std::nullopt, 2, ""},
        {"no command file", "create", std::nullopt, std::nullopt, 1, ""},
        {"no mailbox line", "create", "PSTFILENAME: " + (dir / "a.pst") + "<br>\r\n", std::nullopt, 1, dir / "a.pst"},
        {"empty path", "create", store::SavingText("", "Name"), std::nullopt, 1, ""},
        {"missing folder", "create", store::SavingText(dir / "no/such/b.pst", "B"), std::nullopt, 1, dir / "no/such/b.pst"},
        {"unwritable folder", "create", store::SavingText(ro + "/c.pst", "C"), std::nullopt, 1, ro + "/c.pst"},
        {"existing file", "create", store::SavingText(existing, "D"), std::nullopt, 1, ""},
        {"no folder line", "folder", std::nullopt, "tempFolderType:\r\n", 1, ""},
        {"empty folder path", "folder", std::nullopt, store::MailSavingText(""), 1, ""},
        {"unknown store", "folder", std::nullopt, store::MailSavingText("\\\\Nowhere\\Contacts"), 1, ""},
        {"not a store path", "folder", std::nullopt, store::MailSavingText("Contacts\\Sub"), 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir / "cmd/saving.txt");
        std::filesystem::remove(dir / "cmd/mailsaving.txt");
        if (c.saving) Command(store::kSavingFile, *c.saving);
        if (c.mailsaving) Command(store::kMailSavingFile, *c.mailsaving);
        std::string out;
        EXPECT_EQ(RunSaving(c.verb, &out), c.code);
        EXPECT_FALSE(out.empty());  // a message on stderr
        if (!c.leftAlone.empty()) {
            EXPECT_FALSE(std::filesystem::exists(c.leftAlone));
        }
    }
    EXPECT_EQ(ReadFile(existing), "keep");
    for (const char* name : {"B", "C", "D", "Name"}) EXPECT_FALSE(store::Profile::Load().Find(name)) << name;
}

TEST_F(Saving, ForgedEntriesAndHostileCommandFilesAreRefused) {
    const std::string made = dir / "made.pst";
    // A relative second path: a later `saving folder` would change evil.pst in the working folder.
    const std::string evil = "evil.pst";
    struct Case {
        const char* name;
        std::string saving;
    } cases[] = {
        {"line break in the path", store::SavingText(made + "\nInjected\t" + evil, "Forged")},
        {"line break in the name", store::SavingText(made, "Forged\nInjected\t" + evil)},
        {"carriage return in the path", store::SavingText(made + "\rInjected\t" + evil, "Forged")},
        {"overlong name", store::SavingText(made, std::string(100000, 'n'))},
        {"overlong path", store::SavingText(dir / std::string(5000, 'p'), "Forged")},
        {"oversized command file", store::SavingText(made, "Forged") + std::string(1 << 20, ' ')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Command(store::kSavingFile, c.saving);
        std::string out;
        EXPECT_EQ(RunSaving("create", &out), 1);
        EXPECT_FALSE(out.empty());
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            EXPECT_TRUE(entry.path().filename() == "cmd" || entry.path().filename() == "profile") << entry.path();
        }
        EXPECT_TRUE(store::Profile::Load().Stores().empty());
    }
    // A FIFO in place of a command file is refused at once, never waited on.
    std::filesystem::remove(dir / "cmd/mailsaving.txt");
    ASSERT_EQ(::mkfifo((dir / "cmd/mailsaving.txt").c_str(), 0600), 0);
    std::string out;
    EXPECT_EQ(RunSaving("folder", &out), 1);
    EXPECT_NE(out.find("not a regular file"), std::string::npos) << out;
}

TEST_F(Saving, UnwritableProfileLeavesNoStore) {
    std::string blocker = dir / "blocker";
    std::ofstream(blocker) << "x";
    setenv("FERRYWELL_PROFILE", (blocker + "/profile").c_str(), 1);  // a folder inside a file
    std::string pst = dir / "orphan.pst";
    Command(store::kSavingFile, store::SavingText(pst, "Orphan"));
    std::string out;
    EXPECT_EQ(RunSaving("create", &out), 1) << out;
    EXPECT_NE(out.find("profile"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(pst));
}

// Past the file-size limit a write fails like one to a full disk: reported,
// not a death by SIGXFSZ, and no store is added to the profile.
TEST_F(Saving, AFileSizeLimitIsAFailureItReports) {
    const std::string pst = dir / "limited.pst";
    Command(store::kSavingFile, store::SavingText(pst, "Limited"));
    std::string out;
    EXPECT_EQ(RunTool("ulimit -f 16; " + Quote(std::string(FERRYWELL_BIN_DIR) + "/saving") + " create", &out), 1) << out;
    EXPECT_NE(out.find("limited.pst"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir / "profile/profile.txt").find("Limited"), std::string::npos);
}

// A caller outside gives each run a command folder of its own; the stores and
// folders it asked for are there for the next logon.
TEST_F(Saving, CommandsFromTheFolderTheCallerNames) {
    const std::string pst = dir / "Names-Corvane-1.pst";
    const std::string mine = dir / "mine";
    std::filesystem::create_directories(mine);
    auto command = [&](const char* file, const std::string& text) { std::ofstream(mine + "/" + file, std::ios::binary) << text; };
    // The default folder holds other orders, which must not be read.
    Command(store::kSavingFile, store::SavingText(dir / "other.pst", "Other"));
    Command(store::kMailSavingFile, store::MailSavingText("\\\\Other\\Elsewhere"));
    std::string out;
    command(store::kSavingFile, store::SavingText(pst, "Names-Corvane-1"));
    ASSERT_EQ(RunSaving("--commands " + Quote(mine) + " create", &out), 0) << out;
    command(store::kMailSavingFile, store::MailSavingText("\\\\Names-Corvane-1\\Contacts\\"));
    ASSERT_EQ(RunSaving("folder --commands=" + Quote(mine), &out), 0) << out;
    command(store::kMailSavingFile, store::MailSavingText("\\\\Personal Folders\\Inbox\\Sub"));
    ASSERT_EQ(RunSaving("--commands " + Quote(mine) + " folder", &out), 0) << out;
    EXPECT_FALSE(std::filesystem::exists(dir / "other.pst"));
    EXPECT_FALSE(store::Profile::Load().Find("Other"));
    for (const char* usage : {"--commands", "--commands= create", "--commands " , "create folder"}) {
        EXPECT_EQ(RunSaving(usage, &out), 2) << usage;
        EXPECT_NE(out.find("saving"), std::string::npos) << usage;
    }

    store::Session session;
    session.Logon();
    auto folder = session.GetFolderFromPath("\\\\Names-Corvane-1\\Contacts\\");
    auto c = folder.GetItems().Add("IPM.Contact");
    c.Set(mapi::ContactField::FullName, "Мария");
    c.Save();
    EXPECT_EQ(session.GetFolderFromPath("\\\\Personal Folders\\Inbox\\Sub").GetName(), "Sub");
    session.Logoff();
    auto f = pst::PstFile::Open(pst, false);
    EXPECT_EQ(f->Messages(*f->FindSubfolder(f->IpmSubtree(), "Contacts")).size(), 1u);
}

}  // namespace
