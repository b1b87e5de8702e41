// The record of what was written into a folder of files: its lines read back,
// damage left out, a writer killed mid-line, and CSV rows rewritten in place.
#include "killed_child.h"
#include "sanitizer_build.h"
#include "test_files.h"

#include <store/error.h>
#include <store/saved_journal.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

mapi::SourceIdentity Identity(int n, int64_t modified = 1000, uint32_t sequence = 1) {
    char unid[33];
    std::snprintf(unid, sizeof unid, "%032X", n);
    return {"replica:852571E80054A1B2", unid, mapi::FileTime{modified}, sequence};
}

std::string JournalOf(const TempDir& dir) { return dir / store::kSavedJournalName; }

store::ErrorCode CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const store::StoreError& e) {
        return e.Code();
    }
    return store::ErrorCode(0);
}

}  // namespace

TEST(SavedJournal, EveryRecordReadsBackAndTheLatestWins) {
    TempDir dir;
    EXPECT_EQ(store::ReadSavedJournal(dir.Path().string()).Size(), 0u);  // no journal yet
    const std::string odd = "Zoë\ttab\nline\\back\rslash--1.vcf";
    {
        store::SavedJournal journal(dir.Path().string());
        journal.Record(Identity(1), {"Acme--0.vcf"});
        journal.Record(Identity(2, 1000, 0xFFFFFFFFu), {odd});
        journal.Record(Identity(3), {"People.csv", 7});
        mapi::SourceIdentity weird = Identity(4);
        weird.database = "file:\t\\n";
        journal.Record(weird, {"x.vcf"});
        EXPECT_EQ(CodeOf([&] { journal.Record({"", "431A", {}, 0}, {"y.vcf"}); }), store::ErrorCode::InvalidArgument);
    }
    {
        store::SavedJournal journal(dir.Path().string());  // a later run appends
        journal.Record(Identity(1, 2000), {"Acme--0.vcf"});
        journal.Record(Identity(3, 500), {"People.csv", 9});  // an older record does not replace a newer one
    }
    store::SavedFiles saved = store::ReadSavedJournal(dir.Path().string());
    EXPECT_EQ(saved.Size(), 4u);
    EXPECT_EQ(saved.Damaged(), 0u);
    EXPECT_EQ(saved.Find(Identity(1).database, Identity(1).unid)->identity.modified.ticks, 2000);
    EXPECT_EQ(saved.Find(Identity(2).database, Identity(2).unid)->where.file, odd);
    EXPECT_EQ(saved.Find(Identity(2).database, Identity(2).unid)->identity.sequence, 0xFFFFFFFFu);
    EXPECT_EQ(saved.Find(Identity(3).database, Identity(3).unid)->where, (store::SavedPlace{"People.csv", 7}));
    EXPECT_TRUE(saved.Find("file:\t\\n", Identity(4).unid));
    EXPECT_EQ(saved.StateOf(Identity(1, 2000)), mapi::SavedState::Unchanged);
    EXPECT_EQ(saved.StateOf(Identity(2, 1000, 1)), mapi::SavedState::Unchanged);
    EXPECT_EQ(saved.StateOf(Identity(3, 1001)), mapi::SavedState::Changed);
}

TEST(SavedJournal, DamagedLinesAreLeftOutAndACutLineIsCutOff) {
    TempDir dir;
    {
        store::SavedJournal journal(dir.Path().string());
        for (int i = 0; i < 5; ++i) journal.Record(Identity(i), {"f" + std::to_string(i) + ".vcf"});
    }
    std::string bytes = ReadFile(JournalOf(dir));
    const size_t third = bytes.find(Identity(2).unid);
    ASSERT_NE(third, std::string::npos);
    bytes[third + 3] = 'Z';                         // a changed byte: its checksum fails
    bytes.insert(bytes.find(Identity(4).unid), "\t");  // an extra field
    bytes += "replica:852571E80054A1B2\t0000000000000000000000000000000";  // cut short by a crash
    bytes += std::string(100, '\0');                                      // a power loss's zeros
    std::ofstream(JournalOf(dir), std::ios::binary | std::ios::trunc) << bytes;

    store::SavedFiles saved = store::ReadSavedJournal(dir.Path().string());
    EXPECT_EQ(saved.Size(), 3u);
    EXPECT_EQ(saved.Damaged(), 3u);
    for (int i : {0, 1, 3}) EXPECT_TRUE(saved.Find(Identity(i).database, Identity(i).unid)) << i;

    {
        store::SavedJournal journal(dir.Path().string());  // the cut line goes, the next one starts clean
        journal.Record(Identity(5), {"f5.vcf"});
    }
    saved = store::ReadSavedJournal(dir.Path().string());
    EXPECT_EQ(saved.Size(), 4u);
    EXPECT_EQ(saved.Damaged(), 2u);
    EXPECT_EQ(ReadFile(JournalOf(dir)).back(), '\n');
}

TEST(SavedJournal, ForeignFilesAreRefusedNotOverwritten) {
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> make;
        store::ErrorCode code;
    } cases[] = {
        {"another file under its name", [](const TempDir& d) { d.Write(store::kSavedJournalName, "name,email\n"); },
         store::ErrorCode::BadFormat},
        {"a later version", [](const TempDir& d) { d.Write(store::kSavedJournalName, "ferrywell-saved 2\nx\n"); },
         store::ErrorCode::BadFormat},
        {"a link", [](const TempDir& d) { fs::create_symlink(d / "elsewhere", d / store::kSavedJournalName); },
         store::ErrorCode::BadFormat},
        // Opened without waiting for a writer, then refused.
        {"a FIFO", [](const TempDir& d) { ASSERT_EQ(::mkfifo((d / store::kSavedJournalName).c_str(), 0600), 0); },
         store::ErrorCode::BadFormat},
        {"a folder", [](const TempDir& d) { fs::create_directory(d / store::kSavedJournalName); },
         store::ErrorCode::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        c.make(dir);
        EXPECT_NE(CodeOf([&] { store::SavedJournal journal(dir.Path().string()); }), store::ErrorCode(0));
        EXPECT_FALSE(fs::exists(dir / "elsewhere"));
        if (c.code == store::ErrorCode::BadFormat) {
            EXPECT_EQ(CodeOf([&] { store::ReadSavedJournal(dir.Path().string()); }), c.code);
            EXPECT_EQ(CodeOf([&] { store::SavedJournal journal(dir.Path().string()); }), c.code);
        }
    }
    TempDir dir;
    EXPECT_EQ(CodeOf([&] { store::SavedJournal journal((dir.Path() / "missing").string()); }), store::ErrorCode::NotFound);
    dir.Write(store::kSavedJournalName, "ferrywe");  // a header a crash cut short: an empty journal
    EXPECT_EQ(store::ReadSavedJournal(dir.Path().string()).Size(), 0u);
    store::SavedJournal(dir.Path().string()).Record(Identity(1), {"a.vcf"});
    EXPECT_EQ(store::ReadSavedJournal(dir.Path().string()).Size(), 1u);
}

TEST(SavedJournal, AKilledWriterLosesAtMostTheLineItWasWriting) {
    TempDir dir;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(RunAndKill(
            [&](const std::function<void()>& ready) {
                store::SavedJournal journal(dir.Path().string());
                // Long names, so that lines cross pages and one write is more than a page.
                const std::string name(3000 + round * 700, 'n');
                for (int i = 0;; ++i) {
                    journal.Record(Identity(round * 1000000 + i), {name + std::to_string(i)});
                    if (i == 200) ready();
                }
            },
            std::chrono::milliseconds(round * 3)));

        store::SavedFiles before = store::ReadSavedJournal(dir.Path().string());
        EXPECT_LE(before.Damaged(), 1u);
        { store::SavedJournal cut(dir.Path().string()); }
        store::SavedFiles after = store::ReadSavedJournal(dir.Path().string());
        EXPECT_EQ(after.Damaged(), 0u);
        EXPECT_EQ(after.Size(), before.Size());
        // Every round's records up to the kill are there, in one piece.
        for (int i = 0; i <= 200; ++i) ASSERT_TRUE(after.Find(Identity(0).database, Identity(round * 1000000 + i).unid)) << i;
    }
}

TEST(ReplaceLines, RowsAreReplacedInPlaceAndTheRestKeptByteForByte) {
    TempDir dir;
    const std::string header = "FirstName,LastName,\r\n";
    const std::string path = dir.Write("People.csv", header + "Ada,Lovelace,\nAlan,Turing,\nGrace,Hopper,");
    EXPECT_EQ(store::CountLines(path), 4);
    EXPECT_EQ(store::CountLines(dir / "missing.csv"), 0);
    store::ReplaceLines(path, {{1, "Ada,King,"}, {3, "Grace,Murray Hopper,"}});
    EXPECT_EQ(ReadFile(path), header + "Ada,King,\nAlan,Turing,\nGrace,Murray Hopper,");
    store::ReplaceLines(path, {{0, "First,Last,"}});
    EXPECT_EQ(ReadFile(path).substr(0, 13), "First,Last,\r\n");

    const std::string kept = ReadFile(path);
    EXPECT_EQ(CodeOf([&] { store::ReplaceLines(path, {{4, "past the end,"}}); }), store::ErrorCode::InvalidArgument);
    EXPECT_EQ(CodeOf([&] { store::ReplaceLines(path, {{-1, "before,"}}); }), store::ErrorCode::InvalidArgument);
    EXPECT_EQ(CodeOf([&] { store::ReplaceLines(path, {{2, "two\nrows,"}}); }), store::ErrorCode::InvalidArgument);
    EXPECT_EQ(CodeOf([&] { store::ReplaceLines(dir / "missing.csv", {{0, "x"}}); }), store::ErrorCode::NotFound);
    EXPECT_EQ(ReadFile(path), kept);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);  // no temporary file left
}

TEST(SavedJournal, EachPlaceOfADocumentIsKeptAndAPlaceTakenOverForgetsItsEarlierDocument) {
    TempDir dir;
    {
        store::SavedJournal journal(dir.Path().string());
        journal.Record(Identity(1), {"Acme--3.vcf"});  // a view lists it twice
        journal.Record(Identity(1), {"Acme--9.vcf"});
        journal.Record(Identity(2), {"Bolt--4.vcf"});
        journal.Record(Identity(1, 2000), {"Acme--3.vcf"});  // written again there: one place, the new record
        journal.Record(Identity(3), {"Bolt--4.vcf"});        // another document written over Bolt--4
    }
    store::SavedFiles saved = store::ReadSavedJournal(dir.Path().string());
    ASSERT_TRUE(saved.Find(Identity(1).database, Identity(1).unid, 1));
    EXPECT_FALSE(saved.Find(Identity(1).database, Identity(1).unid, 2));
    EXPECT_EQ(saved.Find(Identity(1).database, Identity(1).unid, 0)->where.file, "Acme--3.vcf");  // newest first
    EXPECT_EQ(saved.Find(Identity(1).database, Identity(1).unid, 0)->identity.modified.ticks, 2000);
    EXPECT_EQ(saved.Find(Identity(1).database, Identity(1).unid, 1)->where.file, "Acme--9.vcf");
    EXPECT_FALSE(saved.Find(Identity(2).database, Identity(2).unid)) << "its file holds another document now";
    EXPECT_EQ(saved.Find(Identity(3).database, Identity(3).unid)->where.file, "Bolt--4.vcf");
    EXPECT_EQ(saved.Size(), 2u);
}

TEST(ReplaceLines, LinesAreCsvRowsWhoseQuotedFieldsMayHoldLineBreaks) {
    TempDir dir;
    const std::string header = "FirstName,Street,\r\n";
    const std::string path =
        dir.Write("People.csv", header + "Ada,\"1 Main St\r\nFloor 2\",\r\nAlan,\"He said \"\"hi\"\"\",\r\nGrace,\"x\ny\nz\",\r\n");
    EXPECT_EQ(store::CountLines(path), 4);
    // A row of one physical line becomes three and back: the rows after it keep their lines.
    store::ReplaceLines(path, {{1, "Ada,\"1 Main St\",Gone"}, {2, "Alan,\"a\r\nb\r\nc\","}});
    EXPECT_EQ(ReadFile(path), header + "Ada,\"1 Main St\",Gone\r\nAlan,\"a\r\nb\r\nc\",\r\nGrace,\"x\ny\nz\",\r\n");
    EXPECT_EQ(store::CountLines(path), 4);
    store::ReplaceLines(path, {{3, "Grace,Hopper,"}});
    EXPECT_EQ(ReadFile(path), header + "Ada,\"1 Main St\",Gone\r\nAlan,\"a\r\nb\r\nc\",\r\nGrace,Hopper,\r\n");
    const std::string kept = ReadFile(path);
    for (const char* notOneLine : {"open \"quote,", "two\r\nrows,", "\"closed\"\nthen a break"})
        EXPECT_EQ(CodeOf([&] { store::ReplaceLines(path, {{1, notOneLine}}); }), store::ErrorCode::InvalidArgument) << notOneLine;
    EXPECT_EQ(ReadFile(path), kept);

    // What follows the first lines is cut off, a row cut short in its quotes included.
    const std::string cut = dir.Write("Cut.csv", header + "Ada,\"a\nb\",\r\nAlan,\"half a ro");
    EXPECT_EQ(store::CountLines(cut), 3);
    store::CutAfterLines(cut, 5);
    EXPECT_EQ(store::CountLines(cut), 3);
    store::CutAfterLines(cut, 2);
    EXPECT_EQ(ReadFile(cut), header + "Ada,\"a\nb\",\r\n");
    store::CutAfterLines(cut, 0);
    EXPECT_EQ(ReadFile(cut), "");
}

TEST(ReplaceLines, NeitherReadsThroughALinkOrWaitsForAFifo) {
    TempDir dir;
    const std::string target = dir.Write("target.csv", "a\nb\n");
    fs::create_symlink(target, dir / "link.csv");
    ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0600), 0);
    for (const char* name : {"link.csv", "fifo.csv"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / name;
        EXPECT_NE(CodeOf([&] { store::CountLines(path); }), store::ErrorCode(0));
        EXPECT_NE(CodeOf([&] { store::ReplaceLines(path, {{0, "x"}}); }), store::ErrorCode(0));
        EXPECT_NE(CodeOf([&] { store::CutAfterLines(path, 1); }), store::ErrorCode(0));
    }
    EXPECT_EQ(ReadFile(target), "a\nb\n");
    EXPECT_TRUE(fs::is_symlink(dir / "link.csv"));
}

// A folder of a large export holds a journal of hundreds of thousands of
// lines: it is read in a few times its size (each record kept once, the file
// never whole), measured as a child process's peak memory less that of a
// child that reads no journal.
TEST(SavedJournal, ALargeJournalIsReadInAFewTimesItsSize) {
    TempDir dir;
    constexpr int kLines = 200000;
    {
        store::SavedJournal journal(dir.Path().string());
        for (int n = 0; n < kLines; ++n)
            journal.Record(Identity(n, 133486382450600000 + n), {"Contact " + std::to_string(n) + " Surname.vcf"});
        journal.Record(Identity(7), {"Contact 8 Surname.vcf"});  // a place taken over
    }
    const auto size = long(fs::file_size(JournalOf(dir)));
    auto peakKiB = [](const std::string& folder, size_t documents) {
        long peak = 0;
        const int status = ExitStatusInChild([&] { return store::ReadSavedJournal(folder).Size() == documents ? 0 : 1; }, &peak);
        EXPECT_EQ(status, 0) << folder;
        return peak;
    };
    TempDir empty;
    const long grown = peakKiB(dir.Path().string(), kLines - 1) - peakKiB(empty.Path().string(), 0);
    // A sanitizer keeps a shadow and guard bytes around each record.
    const long allowed = (kSanitizerBuild ? 8 : 3) * size;
    EXPECT_LT(grown * 1024, allowed) << grown << " KiB for a journal of " << size << " bytes";
}
