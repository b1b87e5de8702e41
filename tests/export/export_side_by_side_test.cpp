// Exports run side by side, as a script runs many databases at once: PST
// exports into one destination, exports into the profile and into MSG files,
// and the companion program, all on one profile. Every run must succeed and
// every result be whole; no run may lose another's profile entry or write
// into the program folder.
#include <support/temp_files.h>

#include <pst/pst_file.h>
#include <store/companion.h>
#include <store/profile.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 20;
constexpr int kContacts = 3;  // in the database every run exports

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
    return names;
}

// Items in the folder and every folder below it.
int ItemsBelow(const pst::PstFile& f, pst::Nid folder) {
    int n = f.Folder(folder)->contentCount;
    for (const auto& sub : f.Subfolders(folder)) n += ItemsBelow(f, sub.nid);
    return n;
}

int ItemsBelow(const std::string& pstPath, const std::vector<std::string>& path = {}) {
    auto f = pst::PstFile::Open(pstPath, false);
    pst::Nid folder = f->IpmSubtree();
    for (const std::string& name : path) folder = f->FindSubfolder(folder, name).value();
    return ItemsBelow(*f, folder);
}

size_t FilesNamed(const fs::path& folder, const std::string& extension) {
    size_t n = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) n += e.path().extension() == extension;
    return n;
}

class SideBySide : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("FERRYWELL_COMMAND_DIR");  // a stray command file would land in the program folder
        setenv("FERRYWELL_PROFILE", (dir / "profile").c_str(), 1);
        const std::string db = Dxl(View("Contacts", "SELECT Form = \"Person\"") +
                                   Person(Text("FullName", "Ada Lovelace") + Text("MailAddress", "ada@example.org")) +
                                   Person(Text("FullName", "Alan Turing") + Text("MailAddress", "alan@example.org")) +
                                   Person(Text("FullName", "Grace Hopper") + Text("MailAddress", "grace@example.org")));
        for (const char* name : {"a", "b", "c"}) dir.Write(std::string(name) + ".dxl", db);
        fs::create_directories(dir / "out");
    }
    void TearDown() override { unsetenv("FERRYWELL_PROFILE"); }

    // A shell job that runs command and leaves its output and exit status
    // in dir/runs/<name>.out and .rc.
    std::string Job(const std::string& name, const std::string& command) {
        runs.push_back(name);
        const std::string base = dir / ("runs/" + name);
        return "( " + command + " >" + Quote(base + ".out") + " 2>&1; echo $? >" + Quote(base + ".rc") + " ) &\n";
    }
    std::string Export(const std::string& db, const std::string& how) {
        return Quote(bin + "/ferrywell-cli") + " export " + Quote(dir / db) + " " + how;
    }
    // The companion asked, through a command folder of its own, for a new
    // PST and a folder in it.
    std::string Companion(int round) {
        const std::string commands = dir / ("commands/" + std::to_string(round));
        fs::create_directories(commands);
        const std::string name = "Companion-" + std::to_string(round);
        std::ofstream(commands + "/" + store::kSavingFile, std::ios::binary) << store::SavingText(dir / ("out/" + name + ".pst"), name);
        std::ofstream(commands + "/" + store::kMailSavingFile, std::ios::binary)
            << store::MailSavingText("\\\\" + name + "\\Contacts\\Sub");
        const std::string saving = Quote(bin + "/saving") + " --commands " + Quote(commands);
        return saving + " create && " + saving + " folder";
    }
    // Runs the jobs at once and waits for all of them.
    void RunTogether(const std::string& jobs) {
        fs::create_directories(dir / "runs");
        std::string out;
        ASSERT_EQ(RunTool(jobs + "wait", &out), 0) << out;
    }
    std::string Said(const std::string& run) { return ReadFile(dir / ("runs/" + run + ".out")); }
    std::string Status(const std::string& run) { return ReadFile(dir / ("runs/" + run + ".rc")); }

    TempDir dir;
    const std::string bin = FERRYWELL_BIN_DIR;
    std::vector<std::string> runs;
};

TEST_F(SideBySide, EveryRunSucceedsAndKeepsWhatTheOthersDid) {
    const std::set<std::string> programFolder = Names(bin);
    const std::string toOut = "--as pst --to " + Quote(dir / "out");

    // PST exports alone need no default store.
    std::string jobs;
    for (int i = 0; i < 4; ++i) jobs += Job("pst-only-" + std::to_string(i), Export(i % 2 ? "a.dxl" : "b.dxl", toOut));
    RunTogether(jobs);
    EXPECT_FALSE(fs::exists(dir / "profile/Personal Folders.pst"));

    for (int round = 0; round < kRounds; ++round) {
        const std::string r = std::to_string(round);
        // The same database twice: two runs may claim a name in one millisecond.
        jobs = Job("pst-a-" + r, Export("a.dxl", toOut)) + Job("pst-b-" + r, Export("a.dxl", toOut)) +
               Job("msg-" + r, Export("b.dxl", "--as msg --to " + Quote(dir / ("msg/" + r)))) +
               Job("companion-" + r, Companion(round));
        fs::create_directories(dir / ("msg/" + r));
        // Into the profile every other round: its folders are the only
        // store two runs would write at once.
        if (round % 2 == 0)
            jobs += Job("profile-" + r, Export("c.dxl", "--as profile --profile-folder " + Quote("\\\\Personal Folders\\Round " + r)));
        RunTogether(jobs);
    }

    for (const std::string& run : runs) {
        SCOPED_TRACE(run);
        EXPECT_EQ(Status(run), "0\n") << Said(run);
        if (run.rfind("companion-", 0) != 0) {
            EXPECT_NE(Said(run).find("Written: " + std::to_string(kContacts) + ", skipped: 0, failed: 0"), std::string::npos)
                << Said(run);
        }
    }
    // Every PST is in the profile, under its own name, and holds every contact.
    const store::Profile profile = store::Profile::Load();
    std::set<std::string> listed;
    for (const auto& entry : profile.Stores()) listed.insert(entry.path);
    const std::set<std::string> psts = Names(dir / "out");
    EXPECT_EQ(psts.size(), size_t(4 + 2 * kRounds + kRounds));
    for (const std::string& name : psts) {
        SCOPED_TRACE(name);
        const std::string path = dir / ("out/" + name);
        EXPECT_TRUE(listed.count(path));
        if (name.rfind("Companion-", 0) == 0) {
            auto f = pst::PstFile::Open(path, false);
            EXPECT_TRUE(f->FindSubfolder(f->IpmSubtree(), "Contacts"));
        } else {
            EXPECT_EQ(ItemsBelow(path), kContacts);
        }
    }
    EXPECT_EQ(profile.Stores().size(), psts.size() + 1);  // and the default store
    ASSERT_TRUE(profile.Find("Personal Folders"));
    for (int round = 0; round < kRounds; round += 2)
        EXPECT_EQ(ItemsBelow(profile.Find("Personal Folders")->path, {"Round " + std::to_string(round)}), kContacts) << round;
    for (int round = 0; round < kRounds; ++round) EXPECT_EQ(FilesNamed(dir / ("msg/" + std::to_string(round)), ".msg"), size_t(kContacts));
    EXPECT_EQ(Names(bin), programFolder);
}

}  // namespace
