#include "index_cache.h"

#include "support/temp_files.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using namespace testsupport;
using notesapi::DatabaseIndex;
using notesapi::IndexCache;

namespace {

// Files of one, two and three documents, and a cache that counts its builds.
struct Files {
    TempDir dir;
    std::vector<std::string> paths;
    std::atomic<int> builds{0};
    Files() {
        std::string body = View("V", "SELECT @All");
        for (int n = 1; n <= 3; ++n) {
            body += Person(Text("FullName", "Person " + std::to_string(n)));
            paths.push_back(dir.Write("db" + std::to_string(n) + ".dxl", Dxl(body)));
        }
    }
    IndexCache::Build Counting() {
        return [this](const std::string& path, std::shared_ptr<const DatabaseIndex>* out) {
            ++builds;
            return notesapi::BuildIndex(path, out);
        };
    }
    uint64_t BytesOfOne() {
        std::shared_ptr<const DatabaseIndex> index;
        EXPECT_FALSE(notesapi::BuildIndex(paths[2], &index));
        return index->MemoryBytes();
    }
};

std::shared_ptr<const DatabaseIndex> Open(IndexCache& cache, const std::string& path) {
    std::shared_ptr<const DatabaseIndex> index;
    const auto failure = cache.Open(path, &index);
    EXPECT_FALSE(failure) << failure->what();
    return index;
}

TEST(IndexCache, KeepsIndexesWithinItsMemoryAndRebuildsChangedFiles) {
    Files files;
    const uint64_t one = files.BytesOfOne();
    struct Case {
        const char* name;
        uint64_t maxBytes;
        size_t kept;      // after opening the three files
        int rebuilds;     // when the three are opened again
    };
    const Case cases[] = {
        {"room for all", 10 * one, 3, 0},
        {"room for two", 2 * one + one / 2, 2, 3},  // the first goes, then each the next
        {"room for none", 1, 1, 3},                 // the last opened stays all the same
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        files.builds = 0;
        IndexCache cache(c.maxBytes, files.Counting());
        for (const auto& path : files.paths) EXPECT_EQ(Open(cache, path)->path, path);
        EXPECT_EQ(cache.Count(), c.kept);
        EXPECT_LE(cache.Bytes(), std::max(c.maxBytes, one));
        for (size_t n = 0; n < files.paths.size(); ++n)
            EXPECT_EQ(Open(cache, files.paths[n])->docs.size(), n + 1);
        EXPECT_EQ(files.builds, 3 + c.rebuilds);
    }

    IndexCache cache(10 * one, files.Counting());
    const auto before = Open(cache, files.paths[0]);
    EXPECT_EQ(Open(cache, files.paths[0]), before);
    files.dir.Write("db1.dxl", Dxl(View("V", "SELECT @All") + Person(Text("FullName", "A")) + Person(Text("FullName", "B"))));
    const auto after = Open(cache, files.paths[0]);
    EXPECT_NE(after, before);
    EXPECT_EQ(after->docs.size(), 2u);
    EXPECT_EQ(cache.Count(), 1u);

    std::shared_ptr<const DatabaseIndex> none;
    const auto failure = cache.Open((files.dir.Path() / "missing.dxl").string(), &none);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->Kind(), LNERR_FILE_OPEN);
    EXPECT_EQ(cache.Count(), 1u);
}

// Threads open the files through one cache that holds two of the three, so
// that they keep, find and drop indexes at the same time.
TEST(IndexCache, ThreadsOpenThroughOneCacheAtOnce) {
    Files files;
    IndexCache cache(2 * files.BytesOfOne() + files.BytesOfOne() / 2, files.Counting());
    std::vector<std::string> wrong(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < wrong.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 30 && wrong[t].empty(); ++round)
                for (size_t n = 0; n < files.paths.size(); ++n) {
                    const size_t which = (n + t) % files.paths.size();
                    std::shared_ptr<const DatabaseIndex> index;
                    if (auto failure = cache.Open(files.paths[which], &index)) wrong[t] = failure->what();
                    else if (index->path != files.paths[which] || index->docs.size() != which + 1)
                        wrong[t] = "the index of another file for " + files.paths[which];
                }
        });
    for (auto& t : threads) t.join();
    for (const auto& w : wrong) EXPECT_EQ(w, "");
    EXPECT_LE(cache.Count(), 2u);
}

}  // namespace
