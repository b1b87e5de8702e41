// ferrywell-cli export as a script meets it: usage, exit statuses, output
// lines, and the faults a disk or a kill brings.
#include "export_fixture.h"

#include <support/temp_files.h>

#include <csv_readers.h>
#include <msg_reader.h>

#include <fcntl.h>
#include <fstream>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace exporttest;
using namespace testsupport;

namespace {

struct CliResult {
    int code;
    std::string out, err;
};

class CliExport : public ExportTest {
protected:
    CliResult Run(const std::string& args, const std::string& prefix = "") {
        const std::string errFile = dir / "stderr.txt";
        CliResult r;
        r.code = RunTool("(" + prefix + Quote(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli") + " " + args + " 2>" + Quote(errFile) + ")", &r.out);
        r.err = ReadFile(errFile);
        return r;
    }
    static std::string LastLine(const std::string& out) {
        std::string s = out;
        while (!s.empty() && s.back() == '\n') s.pop_back();
        return s.substr(s.rfind('\n') + 1);
    }
    std::string sample = Quote(std::string(FERRYWELL_SOURCE_DIR) + "/samples/names.dxl");
};

}  // namespace

TEST_F(CliExport, UsageHelpVersionAndBadArguments) {
    CliResult help = Run("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("ferrywell-cli export DB --as KIND --to DIR"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    CliResult version = Run("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1);

    const std::string to = " --to " + Quote(Out());
    const struct {
        std::string args;
        const char* err;
    } cases[] = {
        {"export " + sample + " --as pst" + to + " --bogus", "unknown option --bogus"},
        {"export " + sample + " --as zip" + to, "unknown kind"},
        {"export " + sample + " --as pst", "--to DIR"},
        {"export " + sample + " --as html" + to + " --split 1GB", "--split"},
        {"export " + sample + " --as pst" + to + " --split 3TB", "--split"},
        {"export " + sample + " --as pst" + to + " --folders Nope", "\"People\" \"Contacts\" \"By Category\""},
        {"export " + sample + " --as msg" + to + " --folder Contacts --items 1,999", "no row whose NO is 999"},
        {"export " + sample + " --as msg" + to + " --folder \"By Category\" --items 0", "no row whose NO is 0"},
        {"export " + sample + " --as doc" + to + " --folder Contacts --items all", "no kind doc"},
        {"export " + sample + " --as html" + to + " --naming Whatever", "naming"},
        {"export " + sample + " --as html" + to + " --filter-start '2020-01-01 00:00:00'", "go together"},
        {"export " + sample + " --as profile", "--profile-folder"},
        {"export " + sample + " --as carddav --user a", "--to URL"},
        {"export " + sample + " --as carddav" + to + " --user a", "not an http:// or https:// URL"},
        {"export " + sample + " --as carddav --to https://a:pw@host/book/ --user a", "must not carry a user name or password"},
        {"export " + sample + " --as carddav --to https://host/book/", "--user NAME"},
        {"export " + sample + " --as vcf" + to + " --overwrite", "go with --as carddav only"},
    };
    for (const auto& c : cases) {
        CliResult r = Run(c.args);
        EXPECT_EQ(r.code, 2) << c.args;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args;
    }
    EXPECT_TRUE(std::filesystem::is_empty(Out()));
}

TEST_F(CliExport, PrintsTheLogThenTheCountsAndRemovesItsScratchFolder) {
    // A temporary folder of its own, so that other tests' runs do not count.
    const std::filesystem::path tmp = dir / "tmp";
    std::filesystem::create_directories(tmp);
    CliResult r = Run("export " + sample + " --as pdf --to " + Quote(Out()) + " --folder Contacts --items 0,1,2",
                      "TMPDIR=" + Quote(tmp.string()) + " ");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Please wait export process has been started.\n", 0), 0u) << r.out;
    EXPECT_EQ(LastLine(r.out), "Written: 3, skipped: 0, failed: 0");
    EXPECT_NE(r.out.find("\nCompleted\n"), std::string::npos);
    for (const auto& e : std::filesystem::directory_iterator(tmp))
        EXPECT_NE(e.path().filename().string().rfind("ferrywell-cli-", 0), 0u) << e.path();

    r = Run("export " + sample + " --as html --to " + Quote(Out()) + " --folders Contacts --filter-start '2030-01-01 00:00:00' --filter-end '2031-01-01 00:00:00'");
    EXPECT_EQ(r.code, 0) << r.err;  // nothing of the sample changed then
    EXPECT_EQ(LastLine(r.out), "Written: 0, skipped: 69, failed: 0");
}

// SIGTERM as soon as the program catches it, whether it is still reading
// the database or already writing: a stop, said as one, with exit status 1.
TEST_F(CliExport, ATermSignalStopsTheRunAndSaysSo) {
    const std::string db = dir / "large.dxl";
    ASSERT_EQ(RunTool("/usr/bin/python3 " + Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py") +
                      " 5000 " + Quote(db)),
              0);
    // SigCgt's bit 0x4000 is SIGTERM's; the loop ends too if the program does.
    const std::string script =
        Quote(std::string(FERRYWELL_BIN_DIR) + "/ferrywell-cli") + " export " + Quote(db) + " --as vcf --to " + Quote(Out()) +
        " >/dev/null 2>" + Quote(dir / "stderr.txt") +
        " & p=$!; until kill -0 $p 2>/dev/null || break; c=$(sed -n 's/^SigCgt:\t//p' /proc/$p/status);"
        " (( 0x${c:-0} & 0x4000 )); do sleep 0.01; done; kill -TERM $p; wait $p; echo $?";
    std::string status;
    ASSERT_EQ(RunTool("bash -c " + Quote(script), &status), 0);
    EXPECT_EQ(status, "1\n");
    const std::string err = ReadFile(dir / "stderr.txt");
    EXPECT_EQ(err.find("Conversion stopped by the user: "), 0u) << err;
    EXPECT_EQ(err.find("Completed Successfully"), std::string::npos) << err;
}

TEST_F(CliExport, AFullDiskOrAnUnusableDestinationNeverClaimsSuccess) {
    const std::string notADir = dir / "file";
    std::ofstream(notADir) << "x";
    CliResult r = Run("export " + sample + " --as html --to " + Quote(notADir));
    EXPECT_EQ(r.code, 5);
    EXPECT_NE(r.err.find("Cannot create the directory"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Conversion Completed Successfully!"), std::string::npos);

    // Files may not grow past 16 KiB: the CSV file fills up part way.
    r = Run("export " + sample + " --as csv --to " + Quote(Out()), "trap '' XFSZ; ulimit -f 16; ");
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Cannot write "), std::string::npos);
    EXPECT_NE(r.err.find("not written"), std::string::npos) << r.err;
    EXPECT_EQ(LastLine(r.out).rfind("Written: ", 0), 0u);
    EXPECT_EQ(LastLine(r.out).find("failed: 0"), std::string::npos) << LastLine(r.out);
    // What reached the file is whole rows: no row cut short at the limit.
    size_t csvFiles = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Out())) {
        if (e.path().extension() != ".csv") continue;
        ++csvFiles;
        const std::string text = ReadFile(e.path());
        EXPECT_TRUE(text.empty() || text.ends_with("\r\n")) << e.path();
        CsvRows rows;
        ASSERT_TRUE(ReadCsvWithPython(e.path().string(), &rows));
        for (const auto& row : rows) EXPECT_EQ(row.size(), 40u) << e.path();
    }
    EXPECT_GT(csvFiles, 0u);

    // The same for a PST that cannot grow.
    r = Run("export " + sample + " --as pst --to " + Quote(Out()), "trap '' XFSZ; ulimit -f 600; ");
    EXPECT_TRUE(r.code == 1 || r.code == 5) << r.code << r.out << r.err;
    EXPECT_EQ(LastLine(r.out).find("failed: 0"), std::string::npos) << LastLine(r.out);
}

// Without the shell ignoring SIGXFSZ for them, the programs themselves turn
// a write past the file-size limit into a failed write: counted, reported,
// and no temporary file left.
TEST_F(CliExport, AFileSizeLimitIsAFailedWriteNotADeath) {
    const std::filesystem::path tmp = dir / "tmp";
    std::filesystem::create_directories(tmp);
    const std::string env = "TMPDIR=" + Quote(tmp.string()) + " ";
    struct Case {
        const char* what;
        std::string args;
        const char* limit;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"PDF files", "--as pdf --to " + Quote(Out()) + " --folder Contacts --items 0,1,2", "ulimit -f 4; ", {1}},
        {"HTML files", "--as html --to " + Quote(Out()) + " --folders Contacts", "ulimit -f 2; ", {1}},
        {"a PST made by saving", "--as pst --to " + Quote(Out()), "ulimit -f 16; ", {1, 5}},
    };
    for (const auto& c : cases) {
        CliResult r = Run("export " + sample + " " + c.args, std::string(c.limit) + env);
        EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), r.code), c.codes.end())
            << c.what << ": exit " << r.code << "\n" << r.out << r.err;
        if (r.code == 1) {
            EXPECT_EQ(LastLine(r.out).find("failed: 0"), std::string::npos) << c.what << LastLine(r.out);
        }
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
            EXPECT_EQ(e.path().filename().string().rfind(".fw-", 0), std::string::npos) << c.what << ": " << e.path();
    }
}

// A full disk (here the file-size limit, which the program meets as EFBIG)
// ends the run at the first write that fails and says so, with counts that
// agree with the last line, and exit status 1. A new PST is left only when
// it holds contacts (a commit may come before the disk fills), and is then
// named; otherwise neither the file nor its profile entry stays.
TEST_F(CliExport, AFullDiskEndsTheRunAndSaysSo) {
    const std::string db = dir / "large.dxl";
    ASSERT_EQ(RunTool("/usr/bin/python3 " + Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py") +
                      " 400 " + Quote(db)),
              0);
    const struct {
        const char* what;
        std::string args;
        const char* limit;
        uint64_t asked;
    } cases[] = {
        // The new PST takes 265 KiB at once (sh counts 512-byte blocks); the contacts need more.
        {"PST", Quote(db) + " --as pst --to " + Quote(Out()) + " --folders Contacts", "ulimit -f 600; ", 400},
        {"PDF", sample + " --as pdf --to " + Quote(Out()) + " --folder Contacts --items 0,1,2", "ulimit -f 4; ", 3},
    };
    for (const auto& c : cases) {
        CliResult r = Run("export " + c.args, c.limit);
        EXPECT_EQ(r.code, 1) << c.what << r.out << r.err;
        std::smatch said;
        ASSERT_TRUE(std::regex_match(r.err, said, std::regex(R"(The disk is full: (.*)\. (\d+) contacts? written, (\d+) not written\.\n)")))
            << c.what << r.err;
        // One failed write, then nothing more is tried.
        const CliRun lines{0, exporttest::Lines(r.out)};
        EXPECT_EQ(lines.Count("The disk is full: "), 1u) << c.what << r.out;
        EXPECT_EQ(lines.Count("Closing the store failed"), 0u) << c.what << r.out;
        unsigned long long written = 0, skipped = 0, failed = 0;
        ASSERT_EQ(std::sscanf(LastLine(r.out).c_str(), "Written: %llu, skipped: %llu, failed: %llu", &written, &skipped, &failed), 3)
            << c.what << r.out;
        EXPECT_GE(failed, 1u) << c.what;
        EXPECT_EQ(std::stoull(said[2]), written) << c.what << r.err;
        EXPECT_EQ(written + std::stoull(said[3]), c.asked) << c.what << r.err;
        if (std::string(c.what) != "PST") continue;
        std::vector<std::string> psts;
        for (const auto& e : std::filesystem::directory_iterator(Out()))
            if (e.path().extension() == ".pst") psts.push_back(e.path().string());
        const std::string profile = ReadFile(dir.Path() / "profile" / "profile.txt");
        if (psts.empty()) {
            EXPECT_EQ(said[1], Out()) << r.err;
            EXPECT_EQ(profile.find(Out()), std::string::npos) << profile;
        } else {
            ASSERT_EQ(psts.size(), 1u);
            EXPECT_EQ(said[1], psts[0]) << r.err;
            EXPECT_GT(written, 0u);
        }
    }
}

TEST_F(CliExport, HostileNamesStayInsideTheExportDirectory) {
    using namespace testsupport;
    std::string cjk;
    for (int i = 0; i < 300; ++i) cjk += "\xE4\xB8\xAD";
    const std::string db = dir / "hostile.dxl";
    std::ofstream(db, std::ios::binary) << Dxl(View("Contacts", "SELECT Form = \"Person\"") +
                                               Person(Text("CompanyName", "../x") + Text("FullName", "a")) +
                                               Person(Text("CompanyName", "../../") + Text("FullName", "b")) +
                                               Person(Text("CompanyName", "Long company") + Text("FirstName", "Long first") + Text("LastName", cjk)) +
                                               Person(Text("CompanyName", "&#9;&#10;&#13;")));
    for (const char* kind : {"msg", "html", "vcf"}) {
        CliResult r = Run("export " + Quote(db) + " --as " + kind + " --to " + Quote(Out()));
        EXPECT_EQ(r.code, 0) << kind << r.out << r.err;
        r = Run("export " + Quote(db) + " --as " + kind + " --to " + Quote(Out()) + " --folder Contacts --items all");
        EXPECT_EQ(r.code, 0) << kind << r.out << r.err;
    }
    size_t files = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path())) {
        const std::string name = e.path().filename().string();
        EXPECT_LE(name.size(), 255u) << name;
        for (unsigned char c : name) EXPECT_GE(c, 0x20) << name;
        if (!e.is_regular_file()) continue;
        const std::string rel = std::filesystem::relative(e.path(), Out()).string();
        if (rel.rfind("..", 0) == 0 && rel.rfind("../", 0) == 0) {
            // Only the test's own files lie outside the export directory.
            EXPECT_TRUE(name == "hostile.dxl" || name == "stderr.txt" || e.path().parent_path().filename() == "profile") << e.path();
            continue;
        }
        ++files;
    }
    EXPECT_EQ(files, 3u * 4u * 2u);
}

TEST_F(CliExport, ContactTextNeverMakesALineOfItsOwn) {
    using namespace testsupport;
    // A contact is logged by its display name, the FullName.
    const std::string forged = "Doe&#10;Written: 0, skipped: 0, failed: 0&#13;&#10;Completed&#x85;x&#x2028;y";
    const std::string db = dir / "forged.dxl";
    std::ofstream(db, std::ios::binary) << Dxl(View("Contacts", "SELECT Form = \"Person\"") +
                                               Person(Text("CompanyName", "Longer company") + Text("FirstName", "Longer first") +
                                                      Text("LastName", "Doe") + Text("FullName", forged)));
    CliResult r = Run("export " + Quote(db) + " --as html --to " + Quote(Out()));
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("\nExport Items: Doe\\nWritten: 0, skipped: 0, failed: 0\\r\\nCompleted\\u0085x\\u2028y\n"), std::string::npos) << r.out;
    EXPECT_EQ(LastLine(r.out), "Written: 1, skipped: 0, failed: 0");
    size_t written = 0, completed = 0;
    for (size_t at = 0; (at = r.out.find('\n', at)) != std::string::npos; ++at) {
        written += r.out.compare(at + 1, 9, "Written: ") == 0;
        completed += r.out.compare(at + 1, 10, "Completed\n") == 0;
    }
    EXPECT_EQ(written, 1u) << r.out;
    EXPECT_EQ(completed, 1u) << r.out;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    EXPECT_EQ(r.out.find("\xE2\x80\xA8"), std::string::npos);
    EXPECT_EQ(r.out.find("\xC2\x85"), std::string::npos);
}

TEST_F(CliExport, ALinkOrFifoAtTheCsvNameIsRefusedAndCounted) {
    const std::string victim = dir.Write("victim-bashrc", "alias ls='ls --color'\n");
    const std::string csv = Out() + "/Contacts.csv";
    const struct {
        const char* what;
        std::function<void()> plant;
        const char* problem;
    } cases[] = {
        {"symbolic link", [&] { ASSERT_EQ(::symlink(victim.c_str(), csv.c_str()), 0); }, "a symbolic link is at its name"},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(csv.c_str(), 0600), 0); }, "it is not a regular file"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(csv);
        c.plant();
        // A writer that waited for the FIFO's reader would be killed here.
        CliResult r = Run("export " + sample + " --as csv --to " + Quote(Out()) + " --folder Contacts --items 0,1,2", "timeout 60 ");
        EXPECT_EQ(r.code, 1) << c.what << r.out << r.err;
        EXPECT_NE(r.out.find("Cannot write " + csv + ": " + c.problem + "\n"), std::string::npos) << c.what << r.out;
        EXPECT_EQ(LastLine(r.out), "Written: 0, skipped: 0, failed: 3") << c.what;
        EXPECT_NE(r.err.find("not written"), std::string::npos) << c.what << r.err;
        EXPECT_EQ(ReadFile(victim), "alias ls='ls --color'\n") << c.what;
        struct stat st;
        ASSERT_EQ(::lstat(csv.c_str(), &st), 0) << c.what;
        EXPECT_FALSE(S_ISREG(st.st_mode)) << c.what << ": replaced by a file";
    }
}

// The journal of what was written is read and written by one rule: a link
// at its name is not followed, a FIFO not waited on. A resumed run that
// cannot read it writes nothing twice on its word or in spite of it; a run
// that cannot write it says which files went unrecorded and does not end
// well.
TEST_F(CliExport, ALinkOrFifoAtTheJournalIsNeitherFollowedNorWaitedOn) {
    const std::string real = dir / "real";
    std::filesystem::create_directories(real);
    const std::string items = " --as vcf --folder Contacts --items 0,1,2";
    ASSERT_EQ(Run("export " + sample + items + " --to " + Quote(real)).code, 0);
    const std::string realJournal = real + "/.ferrywell-saved";
    const std::string recorded = ReadFile(realJournal);
    ASSERT_NE(recorded, "");
    const std::string journal = Out() + "/.ferrywell-saved";
    const struct {
        const char* what;
        std::function<void()> plant;
        const char* problem;
    } cases[] = {
        {"symbolic link", [&] { ASSERT_EQ(::symlink(realJournal.c_str(), journal.c_str()), 0); }, "is a symbolic link"},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(journal.c_str(), 0600), 0); }, "is not a regular file"},
    };
    for (const auto& c : cases) {
        for (const bool resume : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (resume ? ", resumed" : ""));
            std::filesystem::remove_all(Out());
            std::filesystem::create_directories(Out());
            c.plant();
            // Only a safety net: a run that waited on the FIFO would be killed.
            CliResult r = Run("export " + sample + items + " --to " + Quote(Out()) + (resume ? " --skip-saved" : ""),
                              "timeout 60 ");
            EXPECT_EQ(r.code, 1) << r.out << r.err;
            EXPECT_NE(r.out.find(c.problem), std::string::npos) << r.out;
            if (resume) {
                EXPECT_NE(r.out.find("Cannot read what was saved in " + Out()), std::string::npos) << r.out;
                EXPECT_EQ(LastLine(r.out), "Written: 0, skipped: 0, failed: 3") << r.out;
            } else {
                size_t unrecorded = 0;
                for (size_t at = 0; (at = r.out.find("Not recorded as written: ", at)) != std::string::npos; ++at) ++unrecorded;
                EXPECT_EQ(unrecorded, 3u) << r.out;
                EXPECT_EQ(LastLine(r.out), "Written: 3, skipped: 0, failed: 0") << r.out;
                EXPECT_NE(r.err.find("3 contacts were written but not recorded as written"), std::string::npos) << r.err;
            }
            EXPECT_EQ(ReadFile(realJournal), recorded);
            struct stat st;
            ASSERT_EQ(::lstat(journal.c_str(), &st), 0);
            EXPECT_FALSE(S_ISREG(st.st_mode)) << "replaced by a file";
        }
    }
}

// Items written with a prefix bound to the DXL namespace are exported; a
// document that cannot be read (such a prefix in UTF-16) is a failed
// contact with its reason, never one silently left out.
TEST_F(CliExport, PrefixedItemsAreWrittenAndAnUnreadableDocumentFails) {
    const std::string people =
        View("Contacts", "SELECT Form = \"Person\"") +
        Person("<d:item name='FullName'><d:text>Ada Lovelace</d:text></d:item>", "Person", std::string(31, 'A') + "1") +
        Person(Text("FullName", "Alan Turing") + "<d:item name='MailAddress'><d:text>alan@example.org</d:text></d:item>",
               "Person", std::string(31, 'A') + "2");
    auto database = [&](const char* encoding) {
        return std::string("<?xml version='1.0' encoding='") + encoding +
               "'?>\n<database xmlns='http://www.lotus.com/dxl' xmlns:d='http://www.lotus.com/dxl' title='T'>\n" +
               people + "</database>\n";
    };
    CliResult r = Run("export " + Quote(dir.Write("prefixed.dxl", database("utf-8"))) + " --as vcf --to " + Quote(Out()));
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_EQ(LastLine(r.out), "Written: 2, skipped: 0, failed: 0") << r.out;
    std::string cards;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Out()))
        if (e.path().extension() == ".vcf") cards += ReadFile(e.path());
    for (const char* value : {"FN:Ada Lovelace", "FN:Alan Turing", "alan@example.org"})
        EXPECT_NE(cards.find(value), std::string::npos) << value << cards;

    std::string utf16 = "\xFF\xFE";
    for (char c : database("utf-16")) utf16 += std::string{c, '\0'};
    r = Run("export " + Quote(dir.Write("prefixed16.dxl", utf16)) + " --as vcf --to " + Quote(Out()));
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_EQ(LastLine(r.out), "Written: 0, skipped: 0, failed: 2") << r.out;
    EXPECT_NE(r.out.find("Cannot read document " + std::string(31, 'A') + "1: A document of the database cannot be read"),
              std::string::npos) << r.out;
}

TEST_F(CliExport, NamingFileAsNamesEachFileAfterTheContact) {
    // Each MSG file is named after the File As text its item carries, as
    // msgreader reads it: "Last, First", else the full name (45).
    const std::string rows = "0,1,5,26,45,63,67";
    CliResult r = Run("export " + sample + " --as msg --to " + Quote(Out()) + " --folder Contacts --items " + rows + " --naming 'File As'");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(Out())) {
        const testsupport::ToolResult read = testsupport::RunMsgReader(e.path().string());
        ASSERT_EQ(read.exitCode, 0) << read.out;
        std::string fileAs = testsupport::ReaderProps(read.out)["lid:8005"];
        ASSERT_FALSE(fileAs.empty()) << e.path();
        std::erase_if(fileAs, [](char c) { return std::string_view("\\/:*\"<>|?").find(c) != std::string_view::npos; });
        const std::string stem = e.path().stem().string();
        ASSERT_EQ(stem.rfind(fileAs, 0), 0u) << stem << " is not named after " << fileAs;
        const std::string index = stem.substr(fileAs.size());
        EXPECT_TRUE(!index.empty() && index.find_first_not_of("0123456789") == std::string::npos) << stem;
        names.insert(e.path().filename().string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"Oberndorfer, Margarethe0.msg", "Contact, Unnamed1.msg", "Smith, Anna5.msg",
                                            "Doe, Jane26.msg", "Pat Quinlan45.msg", "Żółkiewski, Łukasz63.msg",
                                            "山田, 太郎67.msg"}));

    // The other kinds name the same way; a date part that is empty leaves no
    // " - " behind.
    const std::pair<std::string, std::string> patterns[] = {{"'File As'", "Doe, Jane--26.vcf"}, {"Date+Subject", "Jane--26.vcf"},
                                                             {"From+Date+Subject", "Jane--26.vcf"}};
    int run = 0;
    for (const auto& [pattern, name] : patterns) {
        const std::string to = dir / ("vcf" + std::to_string(++run));
        std::filesystem::create_directories(to);
        r = Run("export " + sample + " --as vcf --to " + Quote(to) + " --folder Contacts --items 26 --naming " + pattern);
        ASSERT_EQ(r.code, 0) << pattern << r.err;
        EXPECT_TRUE(std::filesystem::exists(to + "/" + name)) << pattern;
    }
}

TEST_F(CliExport, AFailureThatWritesNothingGivesItsReasonInTheLog) {
    // A PST in a folder it cannot be made in: the system's reason ends the
    // log line.
    const std::string ro = geteuid() == 0 ? "/sys" : dir / "ro";
    if (geteuid() != 0) {
        std::filesystem::create_directories(ro);
        std::filesystem::permissions(ro, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    CliResult r = Run("export " + sample + " --as pst --to " + Quote(ro));
    EXPECT_EQ(r.code, 5) << r.out << r.err;
    const size_t at = r.out.find("Cannot create the PST file " + ro + "/");
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
    const std::string reason = line.substr(line.find(".pst: ") + 6);
    EXPECT_TRUE(reason.find("not writable") != std::string::npos || reason.find("Permission denied") != std::string::npos) << line;
    EXPECT_EQ(LastLine(r.out), "Written: 0, skipped: 0, failed: 0");

    // Selected items into a file: the output folder line says why.
    const std::string file = dir.Write("plain-file", "x");
    r = Run("export " + sample + " --as vcf --to " + Quote(file) + " --folder Contacts --items 0");
    EXPECT_EQ(r.code, 5) << r.out << r.err;
    EXPECT_NE(r.out.find("Cannot write to the output folder " + file + ": it is not a folder\n"), std::string::npos) << r.out;
}
