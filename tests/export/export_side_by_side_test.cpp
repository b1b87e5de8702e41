// Exports run side by side, as a script runs many databases at once: PST
// exports into one destination, exports into the profile and into MSG files,
// and the companion program, all on one profile. Every run must succeed and
// every result be whole; no run may lose another's profile entry or write
// into the program folder.
#include <csv_readers.h>
#include <support/temp_files.h>

#include <pst/pst_file.h>
#include <store/companion.h>
#include <store/profile.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <sys/file.h>
#include <unistd.h>
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

// The only file of that extension below folder.
fs::path OnlyFile(const fs::path& folder, const std::string& extension) {
    fs::path found;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        if (e.path().extension() == extension) {
            EXPECT_TRUE(found.empty()) << "a second " << e.path();
            found = e.path();
        }
    return found;
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

namespace {

// Runs into one destination at once, resumed (the case where two would write
// into the same file), in rounds: without --wait one may be refused at once
// (exit 5, and it says why), with --wait both run one after the other; either
// way the destination holds every contact exactly once.
TEST_F(SideBySide, OneDestinationTakesOneExportAtATime) {
    constexpr int kLockRounds = 3;
    const std::string busy = "is in use by another export";
    std::string people;  // with the ids a resumed run finds them by
    for (int i = 0; i < kContacts; ++i)
        people += Person(Text("FullName", "Person " + std::to_string(i)), "Person", std::string(31, 'A') + char('0' + i));
    dir.Write("d.dxl", Dxl(View("Contacts", "SELECT Form = \"Person\"") + people));
    for (const char* kind : {"pst", "csv", "vcf"}) {
        for (const bool wait : {false, true}) {
            const std::string name = std::string(kind) + (wait ? "-wait" : "");
            const fs::path out = dir / ("locked/" + name);
            fs::create_directories(out);
            const std::string how =
                std::string("--as ") + kind + " --to " + Quote(out) + " --skip-saved" + (wait ? " --wait" : "");
            for (int round = 0; round < kLockRounds; ++round) {
                const std::string r = name + "-" + std::to_string(round);
                RunTogether(Job(r + "-1", Export("d.dxl", how)) + Job(r + "-2", Export("d.dxl", how)));
                int refused = 0;
                for (const std::string& run : {r + "-1", r + "-2"}) {
                    SCOPED_TRACE(run);
                    const bool wasRefused = Status(run) == "5\n";
                    refused += wasRefused;
                    EXPECT_TRUE(Status(run) == "0\n" || (!wait && wasRefused)) << Status(run) << Said(run);
                    EXPECT_EQ(wasRefused, Said(run).find(busy) != std::string::npos) << Said(run);
                }
                EXPECT_LE(refused, 1);
            }
            SCOPED_TRACE(name);
            EXPECT_FALSE(fs::exists(out / ".ferrywell-lock"));  // the last run removed it
            if (std::string(kind) == "pst") {
                EXPECT_EQ(ItemsBelow(OnlyFile(out, ".pst")), kContacts);
            } else if (std::string(kind) == "csv") {
                CsvRows rows;
                ASSERT_TRUE(ReadCsvWithPython(OnlyFile(out, ".csv"), &rows));
                EXPECT_EQ(rows.size(), size_t(1 + kContacts));  // one header, no row twice
            } else {
                EXPECT_EQ(FilesNamed(out, ".vcf"), size_t(kContacts));
            }
        }
    }

    // A lock held elsewhere: refused at once; with --wait the run says it
    // waits, and goes on once the lock is let go.
    const fs::path out = dir / "held";
    fs::create_directories(out);
    const int held = ::open((out / ".ferrywell-lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::string how = "--as csv --to " + Quote(out);
    std::string said;
    EXPECT_EQ(RunTool(Export("a.dxl", how), &said), 5) << said;
    EXPECT_NE(said.find("The destination " + out.string() + " is in use by another export; nothing was written"),
              std::string::npos) << said;
    EXPECT_EQ(Names(out), std::set<std::string>{".ferrywell-lock"});  // nothing was made
    // In the background, its output away from the tool runner's pipe.
    fs::create_directories(dir / "runs");
    const std::string waiting = Job("waiting", Export("a.dxl", how + " --wait"));
    ASSERT_EQ(RunTool("{ " + waiting.substr(0, waiting.size() - 2) + "; } >/dev/null 2>&1 &"), 0);
    auto waits = [&] { return Said("waiting").find("Waiting for the other export") != std::string::npos; };
    while (!waits() && !fs::exists(dir / "runs/waiting.rc")) ::usleep(20000);
    EXPECT_TRUE(waits()) << Said("waiting");
    EXPECT_FALSE(fs::exists(dir / "runs/waiting.rc"));  // still waiting: nothing written yet
    ::close(held);
    while (Status("waiting").empty()) ::usleep(20000);
    EXPECT_EQ(Status("waiting"), "0\n") << Said("waiting");
    EXPECT_EQ(FilesNamed(out, ".csv"), 1u);
}

// A run waiting for the destination that is told to stop (SIGTERM, SIGINT)
// stops waiting: exit 1, its stopped message, and nothing written.
TEST_F(SideBySide, AStopWhileWaitingForTheDestinationWritesNothing) {
    const fs::path out = dir / "held";
    fs::create_directories(out);
    const int held = ::open((out / ".ferrywell-lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    for (const std::string signal : {"TERM", "INT"}) {
        SCOPED_TRACE(signal);
        const std::string said = dir / ("said-" + signal), err = dir / ("err-" + signal);
        // The signal once the run says it waits (or has ended, which fails
        // below). Its output file may not be made yet when first looked at.
        const std::string script = Export("a.dxl", "--as csv --wait --to " + Quote(out)) + " >" + Quote(said) + " 2>" +
                                   Quote(err) + " & p=$!; until grep -qs 'Waiting for the other export' " + Quote(said) +
                                   " || ! kill -0 $p 2>/dev/null; do sleep 0.02; done; kill -" + signal +
                                   " $p; wait $p; echo $?";
        std::string status;
        ASSERT_EQ(RunTool("bash -c " + Quote(script), &status), 0);
        EXPECT_EQ(status, "1\n") << ReadFile(said) << ReadFile(err);
        EXPECT_NE(ReadFile(said).find("Conversion stopped while waiting for the destination"), std::string::npos)
            << ReadFile(said);
        EXPECT_EQ(ReadFile(err).find("Conversion stopped by the user: 0 contacts written"), 0u) << ReadFile(err);
        EXPECT_EQ(Names(out), std::set<std::string>{".ferrywell-lock"});  // nothing was made
    }
    ::close(held);
}

}  // namespace
