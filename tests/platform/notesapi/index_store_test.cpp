#include "describe_index.h"
#include "index_file.h"
#include "index_store.h"

#include "support/temp_files.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <ctime>
#include <string>

using namespace testsupport;
using notesapi::DatabaseIndex;
using notesapi::IndexStore;
namespace fs = std::filesystem;

namespace {

std::string Body(const std::string& name) {
    return View("People", "SELECT Form = \"Person\"", "<column itemname='FullName' sort='ascending'/>") +
           Person(Text("FullName", name), "Person", "0123456789ABCDEF0123456789ABCDEF") +
           Person(Text("FullName", "Zed") + Text("Notes", "long text"), "Person") + Person(Text("ListName", "G"), "Group");
}

// The index described, with its views' entries.
std::string DescribeWithEntries(const DatabaseIndex& ix) {
    std::string out = DescribeIndex(ix);
    for (size_t v = 0; v < ix.views.size(); ++v) {
        out += ix.views[v].name + ":";
        for (const auto& e : ix.Entries(v).entries) out += " " + std::to_string(e.Doc());
        out += "\n";
    }
    return out;
}

struct Store {
    TempDir dir;
    std::string dxl = dir.Write("db.dxl", Dxl(Body("Ann")));
    std::string folder = dir / "cache/ferrywell";
    IndexStore store{folder};

    // Opens the database and tells whether it was parsed.
    std::string Open(bool* scanned) {
        const uint64_t before = notesapi::IndexScans();
        std::shared_ptr<const DatabaseIndex> index;
        const auto failure = store.Open(dxl, &index);
        EXPECT_FALSE(failure) << failure->what();
        *scanned = notesapi::IndexScans() != before;
        return index ? DescribeWithEntries(*index) : "";
    }
    std::string Kept() const { return folder + "/" + IndexStore::FileName(fs::canonical(dxl).string()); }
};

void Rewrite(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(IndexStore, KeepsTheIndexForAnUnchangedFileOnly) {
    Store s;
    bool scanned = false;
    const std::string first = s.Open(&scanned);
    EXPECT_TRUE(scanned);
    struct stat sb {};
    ASSERT_EQ(::stat(s.Kept().c_str(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(s.folder.c_str(), &sb), 0);
    EXPECT_EQ(sb.st_mode & 0777, 0700u);
    EXPECT_EQ(s.Open(&scanned), first);
    EXPECT_FALSE(scanned);

    // The same size, other bytes; then only its times.
    Rewrite(s.dxl, Dxl(Body("Bob")));
    const std::string second = s.Open(&scanned);
    EXPECT_TRUE(scanned);
    EXPECT_NE(second, first);
    EXPECT_EQ(s.Open(&scanned), second);
    EXPECT_FALSE(scanned);
    ASSERT_EQ(::stat(s.dxl.c_str(), &sb), 0);
    const timespec later[2] = {{0, UTIME_OMIT}, {sb.st_mtim.tv_sec + 5, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, s.dxl.c_str(), later, 0), 0);
    EXPECT_EQ(s.Open(&scanned), second);
    EXPECT_TRUE(scanned);

    // A store without a folder keeps nothing.
    IndexStore none("");
    std::shared_ptr<const DatabaseIndex> index;
    EXPECT_FALSE(none.Open(s.dxl, &index));
}

TEST(IndexStore, IgnoresDamagedKeptIndexes) {
    Store s;
    bool scanned = false;
    const std::string expected = s.Open(&scanned);
    const std::string good = ReadFile(s.Kept());
    ASSERT_GT(good.size(), 200u);
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases = {{"empty", ""}, {"truncated", good.substr(0, good.size() / 2)}, {"one byte short", good.substr(1)}};
    for (size_t at : {size_t(0), size_t(12), good.size() / 2, good.size() - 1}) {
        std::string flipped = good;
        flipped[at] = char(flipped[at] ^ 0x5A);
        cases.push_back({"flipped", flipped});
    }
    // Every 4 bytes of the header in turn made a huge length.
    for (size_t at = 8; at + 4 <= 160; at += 4) {
        std::string huge = good;
        huge.replace(at, 4, "\xff\xff\xff\x7f");
        cases.push_back({"huge", huge});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rewrite(s.Kept(), c.bytes);
        EXPECT_EQ(s.Open(&scanned), expected);
        EXPECT_TRUE(scanned);
        EXPECT_EQ(ReadFile(s.Kept()), good);  // kept anew
    }
}

// Bytes whose checksum holds but whose tables do not fit the file or one
// another are refused all the same; offsets that fit but point elsewhere
// make reading the document fail, nothing worse.
TEST(IndexStore, ChecksTheTablesOfAKeptIndex) {
    Store s;
    std::shared_ptr<const DatabaseIndex> built;
    ASSERT_FALSE(notesapi::BuildIndex(s.dxl, &built));
    auto& ix = const_cast<DatabaseIndex&>(*built);
    notesapi::IndexFileHeader header;
    header.path = s.dxl;
    header.fileSize = ix.fileSize;
    const auto decoded = [&] { return notesapi::DecodeIndex(notesapi::EncodeIndex(header, ix), header, s.dxl); };
    ASSERT_TRUE(decoded());

    auto& doc = ix.docs[1];
    const auto saved = doc;
    const std::vector<std::pair<const char*, std::function<void()>>> damage = {
        {"begins past the end", [&] { doc.begin = ix.fileSize; }},
        {"ends past the end", [&] { doc.size = uint32_t(ix.fileSize); }},
        {"skips past its end", [&] { doc.skipAt = doc.size; doc.skipSize = 1; }},
        {"unknown form", [&] { doc.form = 1000; }},
        {"summaries past the table", [&] { doc.summaryCount = 1u << 30; }},
        {"values past the table", [&] { doc.firstValue = uint32_t(ix.values.size()) + 1; }},
    };
    for (const auto& [name, change] : damage) {
        SCOPED_TRACE(name);
        change();
        EXPECT_FALSE(decoded());
        doc = saved;
    }
    notesapi::IndexFileHeader other = header;
    other.tailSum = 1;
    EXPECT_FALSE(notesapi::DecodeIndex(notesapi::EncodeIndex(header, ix), other, s.dxl));

    doc.begin += 1;
    const auto shifted = decoded();
    ASSERT_TRUE(shifted);
    std::shared_ptr<const notesapi::DocumentItems> items;
    EXPECT_TRUE(shifted->LoadDocument(1, &items));
}

TEST(IndexStore, FollowsNoLinksAndKeepsFewFiles) {
    Store s;
    bool scanned = false;
    s.Open(&scanned);
    const std::string good = ReadFile(s.Kept());
    // A link in the kept file's place, to a good index elsewhere: not read,
    // and replaced rather than written through.
    const std::string elsewhere = s.dir.Write("elsewhere.bin", good);
    fs::remove(s.Kept());
    fs::create_symlink(elsewhere, s.Kept());
    s.Open(&scanned);
    EXPECT_TRUE(scanned);
    EXPECT_FALSE(fs::is_symlink(s.Kept()));
    EXPECT_EQ(ReadFile(elsewhere), good);

    // A linked folder is neither read nor written.
    const std::string linked = s.dir / "linked";
    fs::create_symlink(s.folder, linked);
    IndexStore throughLink(linked);
    const uint64_t before = notesapi::IndexScans();
    std::shared_ptr<const DatabaseIndex> index;
    EXPECT_FALSE(throughLink.Open(s.dxl, &index));
    EXPECT_EQ(notesapi::IndexScans(), before + 1);

    // Temporary files a stopped program left go once an hour old.
    const std::string stale = s.dir.Write("cache/ferrywell/.index-0.bin.1.0.tmp", "x");
    const std::string recent = s.dir.Write("cache/ferrywell/.index-0.bin.1.1.tmp", "x");
    const timespec hoursAgo[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 7200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, stale.c_str(), hoursAgo, 0), 0);
    for (size_t n = 0; n < IndexStore::kMaxFiles + 3; ++n)
        EXPECT_FALSE(s.store.Open(s.dir.Write("db" + std::to_string(n) + ".dxl", Dxl(Body("N"))), &index));
    size_t files = 0;
    for (const auto& e : fs::directory_iterator(s.folder)) files += e.path().extension() == ".bin";
    EXPECT_EQ(files, IndexStore::kMaxFiles);
    EXPECT_TRUE(fs::exists(s.folder + "/" + IndexStore::FileName(fs::canonical(s.dir / "db22.dxl").string())));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(recent));
}

}  // namespace
