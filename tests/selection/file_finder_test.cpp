#include <selection/file_finder.h>
#include <selection/found_row.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using selection::FileFinder;

namespace {

class TempTree {
public:
    TempTree() {
        root_ = fs::temp_directory_path() / ("ferrywell-find-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(counter_++));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    ~TempTree() { fs::remove_all(root_); }
    std::string File(const std::string& rel, size_t bytes = 1) const {
        fs::path p = root_ / rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << std::string(bytes, 'x');
        return p.string();
    }
    void Dir(const std::string& rel) const { fs::create_directories(root_ / rel); }
    std::string Root() const { return root_.string(); }

private:
    fs::path root_;
    static inline int counter_ = 0;
};

FileFinder::FindOptions NsfOpts(const std::string& base, bool subfolders) {
    FileFinder::FindOptions o;
    o.baseFolder = base;
    o.fileMask = "*.nsf;*.dxl";
    o.searchSubfolders = subfolders;
    o.filterFlags = selection::FIND_ATTRIBUTES;
    o.attributeMask = selection::FILE_ATTRIBUTE_ARCHIVE;
    return o;
}

std::vector<std::string> Names(const FileFinder& f) {
    std::vector<std::string> out;
    for (int i = 0; i < f.GetFileCount(); ++i) out.push_back(f.GetFilePath(i).GetFileName());
    return out;
}

}  // namespace

TEST(MatchesMask, WildcardsAndCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool match;
    } cases[] = {
        {"a.nsf", "*.nsf", true},         {"b.NSF", "*.nsf", true},         {"names.dxl", "*.nsf;*.dxl", true},
        {"names.DXL", "*.nsf; *.dxl", true}, {"names.nsf.bak", "*.nsf", false}, {"nsf", "*.nsf", false},
        {"x.nsfx", "*.nsf", false},       {"ab.nsf", "a?.nsf", true},       {"abc.nsf", "a?.nsf", false},
        {"anything", "*.*", false},       {"a.b", "*.*", true},             {"a.nsf", ";;", false},
        {"aaa.nsf", "*a*a.nsf", true},
    };
    for (const auto& c : cases) EXPECT_EQ(selection::MatchesMask(c.name, c.mask), c.match) << c.name << " / " << c.mask;
}

TEST(FileFinder, SubfolderFilesComeBeforeTheFolderOwnFiles) {
    TempTree t;
    t.File("top.nsf");
    t.File("Sub/inner.dxl");
    t.File("Sub/Deeper/deep.NSF");
    t.File("Sub/readme.txt");
    FileFinder f;
    std::vector<std::string> folders;
    int matched = 0, rejected = 0;
    f.SetCallback([&](FileFinder& finder, FileFinder::Code code) {
        if (code == FileFinder::kFolderStarted) folders.push_back(finder.GetSearchingFolder());
        if (code == FileFinder::kFileMatched) ++matched;
        if (code == FileFinder::kFileRejected) ++rejected;
    });
    EXPECT_EQ(f.Find(NsfOpts(t.Root(), true)), 3);
    EXPECT_EQ(Names(f), (std::vector<std::string>{"deep.NSF", "inner.dxl", "top.nsf"}));
    EXPECT_EQ(folders, (std::vector<std::string>{t.Root() + "/Sub/Deeper/", t.Root() + "/Sub/", t.Root() + "/"}));
    EXPECT_EQ(matched, 3);
    EXPECT_EQ(rejected, 0);
    EXPECT_EQ(f.GetFilePath(0).GetLocation(), t.Root() + "/Sub/Deeper/");
    EXPECT_TRUE(f.GetFilePath(3).IsEmpty());
    EXPECT_TRUE(f.GetFilePath(-1).IsEmpty());

    FileFinder flat;
    EXPECT_EQ(flat.Find(NsfOpts(t.Root() + "/", false)), 1);
    EXPECT_EQ(Names(flat), std::vector<std::string>{"top.nsf"});
}

TEST(FileFinder, FiltersRejectFoldersAndSizesOutsideTheRange) {
    TempTree t;
    t.Dir("folder.nsf");  // a folder carries no archive attribute
    t.File("small.nsf", 100);
    t.File("exact.nsf", 2048);
    t.File("big.nsf", 5000);
    struct Case {
        uint32_t flags;
        uint64_t minSize, maxSize;
        std::vector<std::string> names;
    } cases[] = {
        {selection::FIND_ATTRIBUTES, 0, 0, {"big.nsf", "exact.nsf", "small.nsf"}},
        {selection::FIND_ATTRIBUTES | selection::FIND_SIZE, 1024, 2048, {"exact.nsf"}},
        {selection::FIND_ATTRIBUTES | selection::FIND_SIZE, 0, 0, {}},
        {selection::FIND_ATTRIBUTES | selection::FIND_SIZE, 100, 5000, {"big.nsf", "exact.nsf", "small.nsf"}},
    };
    for (const auto& c : cases) {
        FileFinder f;
        int rejected = 0;
        f.SetCallback([&](FileFinder&, FileFinder::Code code) { rejected += code == FileFinder::kFileRejected; });
        auto opts = NsfOpts(t.Root(), false);
        opts.filterFlags = c.flags;
        opts.minSize = c.minSize;
        opts.maxSize = c.maxSize;
        f.Find(opts);
        auto names = Names(f);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(rejected, 4 - int(c.names.size()));
    }
    // Without the attribute filter the folder matches and keeps its separator.
    FileFinder all;
    auto opts = NsfOpts(t.Root(), false);
    opts.filterFlags = 0;
    all.Find(opts);
    int folders = 0;
    for (int i = 0; i < all.GetFileCount(); ++i) folders += all.GetFilePath(i).GetPath().back() == '/';
    EXPECT_EQ(folders, 1);
}

TEST(FileFinder, StopEndsEveryLevelAndKeepsTheMatchesSoFar) {
    TempTree t;
    for (int i = 0; i < 5; ++i) t.File("d" + std::to_string(i) + "/f.nsf");
    FileFinder f;
    f.SetCallback([](FileFinder& finder, FileFinder::Code code) {
        if (code == FileFinder::kFileMatched) finder.StopSearch();
    });
    EXPECT_EQ(f.Find(NsfOpts(t.Root(), true)), 1);
    // A new search clears the stop request.
    f.SetCallback(nullptr);
    f.RemoveAll();
    EXPECT_EQ(f.Find(NsfOpts(t.Root(), true)), 5);
}

TEST(FileFinder, MissingFolderFindsNothing) {
    FileFinder f;
    EXPECT_EQ(f.Find(NsfOpts("/nonexistent/ferrywell/folder", true)), 0);
}

TEST(FoundRow, SizeAndTimeColumns) {
    struct Case {
        uint64_t bytes;
        const char* text;
    } cases[] = {{0, "0 B"}, {10239, "10239 B"}, {10240, "10 KB"}, {5000000, "4882 KB"}, {1ull << 40, "1073741824 KB"}};
    for (const auto& c : cases) EXPECT_EQ(selection::FormatSizeColumn(c.bytes), c.text);

    EXPECT_EQ(selection::FormatModifiedColumn(std::nullopt), "");
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    // 2024-01-15 12:30 UTC is 13:30 in Berlin.
    EXPECT_EQ(selection::FormatModifiedColumn(std::time_t(1705321800)), "15-01-2024 01:30 PM");
    ::unsetenv("TZ");
    ::tzset();

    EXPECT_EQ(selection::ItemsFoundText(0), "0 items found");
    EXPECT_EQ(selection::SearchingText(3, "/data/"), "(3) - /data/");
}

TEST(FoundRow, UnreadableFileHasZeroSizeAndNoTime) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempTree t;
    std::string path = t.File("locked.nsf", 20000);
    ::chmod(path.c_str(), 0);
    auto row = selection::MakeFoundRow(selection::PathParts(path));
    EXPECT_EQ(row.name, "locked.nsf");
    EXPECT_EQ(row.size, "0 B");
    EXPECT_EQ(row.modified, "");
    ::chmod(path.c_str(), 0600);
    row = selection::MakeFoundRow(selection::PathParts(path));
    EXPECT_EQ(row.size, "19 KB");
    EXPECT_NE(row.modified, "");
}
