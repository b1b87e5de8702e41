// The in-memory index trees against a plain map: entries after random
// changes, the pages a commit writes and hands back, and a tree loaded again
// from what was written.
#include "page_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <set>

namespace {

using Tree = pst::PageTree<uint32_t>;

// Pages written by commits: their entries by page id, as a file holds them.
struct Pages {
    struct Page {
        uint8_t level;
        std::vector<std::pair<uint64_t, uint64_t>> entries;  // key, value or child page id
    };
    std::map<uint64_t, Page> written;
    uint64_t next = 1;

    pst::PageRef Commit(Tree& tree, std::vector<pst::PageRef>* replaced) {
        return tree.Commit(
            [&](const uint8_t* e, size_t count, size_t size, uint8_t level) {
                Page p{level, {}};
                for (size_t i = 0; i < count; ++i) {
                    uint64_t k, v;
                    std::memcpy(&k, e + i * size, 8);
                    std::memcpy(&v, e + i * size + 8, 8);
                    p.entries.emplace_back(k, v);
                }
                written[next] = p;
                return pst::PageRef{next, next++ * 512};
            },
            [](uint8_t* at, uint64_t key, const uint32_t& value) {
                const uint64_t v = value;
                std::memcpy(at, &key, 8);
                std::memcpy(at + 8, &v, 8);
            },
            16, 16, [](uint8_t* at, uint64_t key, const pst::PageRef& child) {
                std::memcpy(at, &key, 8);
                std::memcpy(at + 8, &child.bid, 8);
            },
            replaced);
    }
    // Loads the tree below root as a file reader would.
    void Load(Tree& tree, uint64_t id, void* parent = nullptr, uint64_t key = 0) {
        Tree::Loader loader{tree};
        const Page& p = written.at(id);
        void* here = parent ? loader.Child(parent, key, p.level, {id, id * 512}) : loader.Root(p.level, {id, id * 512});
        for (const auto& [k, v] : p.entries) {
            if (p.level > 0) Load(tree, v, here, k);
            else loader.Add(here, k, uint32_t(v));
        }
    }
};

std::map<uint64_t, uint32_t> Contents(const Tree& tree) {
    std::map<uint64_t, uint32_t> out;
    uint64_t last = 0;
    bool first = true;
    tree.ForEach([&](uint64_t k, const uint32_t& v) {
        EXPECT_TRUE(first || k > last) << "keys out of order at " << k;
        first = false;
        last = k;
        out[k] = v;
        return true;
    });
    return out;
}

std::set<uint64_t> PageIds(const Tree& tree) {
    std::set<uint64_t> ids;
    tree.ForEachPage([&](const pst::PageRef& p) { EXPECT_TRUE(ids.insert(p.bid).second) << "page listed twice"; });
    return ids;
}

}  // namespace

// Appends in key order (as an export adds items), inserts between, and
// erases, each followed by commits: the tree holds what the map holds, each
// commit hands back exactly the pages that left the tree, and the written
// pages load into the same entries.
TEST(PstPageTree, MatchesAMapThroughChangesCommitsAndReloads) {
    struct Case {
        const char* what;
        int appendEvery;  // of 10 operations: appends at the end
        int eraseEvery;   // erases of a present key
    } cases[] = {{"appends", 10, 0}, {"mixed", 4, 3}, {"mostly erases", 1, 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::mt19937 rng(7);
        Tree tree(5, 4);  // small pages: deep trees from few entries
        std::map<uint64_t, uint32_t> model;
        Pages pages;
        std::set<uint64_t> live;  // pages the committed tree uses
        uint64_t top = 1000;
        for (int round = 0; round < 40; ++round) {
            for (int op = 0; op < 50; ++op) {
                const int roll = int(rng() % 10);
                if (roll < c.appendEvery) {
                    top += 1 + rng() % 3;
                    tree.Set(top, uint32_t(top * 3));
                    model[top] = uint32_t(top * 3);
                } else if (roll < c.appendEvery + c.eraseEvery && !model.empty()) {
                    auto it = std::next(model.begin(), std::ptrdiff_t(rng() % model.size()));
                    EXPECT_TRUE(tree.Erase(it->first));
                    model.erase(it);
                } else {
                    const uint64_t k = rng() % (top + 10);
                    if (uint32_t* v = tree.Change(k)) *v += 1;
                    else tree.Set(k, uint32_t(k));
                    model[k] = model.count(k) ? model[k] + 1 : uint32_t(k);
                }
            }
            EXPECT_FALSE(tree.Erase(top + 100));
            ASSERT_EQ(Contents(tree), model);
            ASSERT_EQ(tree.Size(), model.size());
            ASSERT_TRUE(tree.WellFormed());
            std::vector<pst::PageRef> replaced;
            const pst::PageRef root = pages.Commit(tree, &replaced);
            const std::set<uint64_t> now = PageIds(tree);
            std::set<uint64_t> gone;
            for (const auto& p : replaced) EXPECT_TRUE(gone.insert(p.bid).second) << "page handed back twice";
            for (uint64_t id : live) EXPECT_EQ(now.count(id) == 0, gone.count(id) == 1) << "page " << id;
            for (uint64_t id : gone) EXPECT_TRUE(live.count(id)) << "handed back a page never committed: " << id;
            live = now;
            Tree loaded(5, 4);
            pages.Load(loaded, root.bid);
            ASSERT_TRUE(loaded.WellFormed());
            ASSERT_EQ(Contents(loaded), model);
            for (const auto& [k, v] : model) ASSERT_EQ(*loaded.Find(k), v);
        }
    }
}
