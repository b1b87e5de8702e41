#include <notesapi/notesapi.h>

#include <base/ascii.h>

#include "support/open_database.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include "growth.h"

using namespace testsupport;

namespace {

// Entries of every view, by view name, as "Name" or "[Category]".
std::map<std::string, std::vector<std::string>> ReadViews(const std::string& path) {
    OpenDatabase open(path);
    LNViewFolderArray views;
    open.db.GetViewFolders(&views);
    std::map<std::string, std::vector<std::string>> out;
    for (size_t i = 0; i < views.GetCount(); ++i) {
        LNViewFolder v = views[i];
        auto& rows = out[v.GetName().str()];
        size_t n = 0;
        try {
            v.Open();
            v.GetEntryCount(&n);
        } catch (const notesapi::NotesError& e) {
            rows.push_back(std::string("error: ") + e.what());
            continue;
        }
        for (size_t e = 0; e < n; ++e) {
            LNVFEntry entry = v[e];
            if (entry.IsCategory()) {
                rows.push_back("[" + entry.GetCategory().str() + "]");
                continue;
            }
            LNDocument doc;
            entry.GetDocument(&doc);
            doc.Open();
            LNText t;
            doc.GetItem("FullName", &t);
            rows.push_back(t[0].str());
        }
    }
    return out;
}

std::string Cat(const std::string& name, const std::vector<std::string>& cats, const std::string& last) {
    std::string items = Text("FullName", name) + Text("LastName", last);
    if (!cats.empty()) {
        items += "<item name='Categories'><textlist>";
        for (const auto& c : cats) items += "<text>" + c + "</text>";
        items += "</textlist></item>";
    }
    return Person(items);
}

}  // namespace

TEST(Views, SelectSortAndCategorize) {
    const std::string sorted = "<column itemname='LastName' sort='ascending'/><column itemname='FullName' sort='ascending'/>";
    const std::string categorized = "<column itemname='Categories' categorized='true' sort='ascending'/>"
                                    "<column itemname='FullName' sort='descending'/>";
    std::string body = View("($People)", "SELECT Form = \"Person\"", sorted) +
                       View("By Category", "SELECT Form = \"Person\"", categorized) +
                       View("Unsorted", "SELECT @All", "<column itemname='$1'/>") +
                       View("Broken", "SELECT @Contains(Form; \"x\")") +
                       View("Friends", "", "", "folder") +
                       Cat("Carl Young", {"Work", "Golf"}, "young") + Cat("Anna Young", {"Golf"}, "Young") +
                       Cat("Bob Adams", {}, "Adams") + Person(Text("FullName", "Group A"), "Group");
    TempDir dir;
    auto views = ReadViews(dir.Write("v.dxl", Dxl(body)));

    EXPECT_EQ(views["($People)"], (std::vector<std::string>{"Bob Adams", "Anna Young", "Carl Young"}));
    // A document with two categories appears under each; one without any
    // goes under a category of its own; documents keep their sort inside.
    EXPECT_EQ(views["By Category"],
              (std::vector<std::string>{"[(Not Categorized)]", "Bob Adams", "[Golf]", "Carl Young", "Anna Young",
                                        "[Work]", "Carl Young"}));
    EXPECT_EQ(views["Unsorted"], (std::vector<std::string>{"Carl Young", "Anna Young", "Bob Adams", "Group A"}));
    ASSERT_EQ(views["Broken"].size(), 1u);
    EXPECT_NE(views["Broken"][0].find("@contains is not supported"), std::string::npos) << views["Broken"][0];
    EXPECT_TRUE(views["Friends"].empty());
}

TEST(Views, AViewAfterTheDocumentsStillSelectsThem) {
    std::string body = Cat("Carl Young", {"Golf"}, "Young") + Person(Text("FullName", "Group A"), "Group") +
                       View("Late", "SELECT @IsAvailable(Categories)", "<column itemname='FullName' sort='ascending'/>");
    TempDir dir;
    auto views = ReadViews(dir.Write("late.dxl", Dxl(body)));
    EXPECT_EQ(views["Late"], (std::vector<std::string>{"Carl Young"}));
}

TEST(Views, TheSampleHasItsContactViewsAtTheDocumentedPositions) {
    OpenDatabase open(SamplePath());
    LNViewFolderArray views;
    open.db.GetViewFolders(&views);
    EXPECT_EQ(views[1].GetName().str(), "($People)");
    EXPECT_EQ(views[3].GetName().str(), "Contacts");
    EXPECT_EQ(views[5].GetName().str(), "By Category");
    LNDocumentArray people = open.Search("Form=\"Person\"");
    EXPECT_EQ(people.GetCount(), 69u);
    EXPECT_THROW(views[99], notesapi::NotesError);
}

TEST(Views, ManyCategoriesPerDocumentListInLinearTime) {
    // 20 documents under n categories each, plus one repeated: each document
    // is split once and read once however many entries it has.
    auto list = [](int n) {
        std::string body = View("By Category", "SELECT @All", "<column itemname='Categories' categorized='true'/>");
        std::vector<std::string> cats{"same", "same"};
        for (int c = 0; c < n; ++c) cats.push_back("c" + std::to_string(c));
        for (int d = 0; d < 20; ++d) body += Cat("P" + std::to_string(d), cats, "L");
        TempDir dir;
        auto views = ReadViews(dir.Write("cats.dxl", Dxl(body)));
        const auto& rows = views["By Category"];
        ASSERT_EQ(rows.size(), (size_t(n) + 1) * 21u);
        EXPECT_EQ(rows[0], "[c0]");
        EXPECT_EQ(rows[1], "P0");
        EXPECT_EQ(rows.back(), "P19");
        EXPECT_EQ(std::count(rows.begin(), rows.end(), "[same]"), 1);
    };
    EXPECT_LT(testsupport::GrowthRatio(list, 750, 3000), testsupport::LinearGrowthBound(750, 3000));
}


TEST(Views, ALargeViewSortsAsASmallOneDoes) {
    // Enough rows to be sorted in two halves and merged: last names that
    // differ only in case or length, each shared by many documents, which
    // keep their file order among equals.
    const std::vector<std::string> last{"ab", "AB", "Ab", "a", "B", "b", "abc", "", "aB", "A"};
    constexpr int kDocs = 70000;
    std::string body = View("People", "SELECT @All", "<column itemname='LastName' sort='ascending'/>");
    std::vector<int> expected(kDocs);
    for (int d = 0; d < kDocs; ++d) {
        body += Cat(std::to_string(d), {}, last[size_t(d * 7919) % last.size()]);
        expected[size_t(d)] = d;
    }
    auto collate = [&](int x, int y) {
        const std::string &a = last[size_t(x * 7919) % last.size()], &b = last[size_t(y * 7919) % last.size()];
        const int folded = base::CompareIgnoringAsciiCase(a, b);
        return folded != 0 ? folded < 0 : a < b;
    };
    std::stable_sort(expected.begin(), expected.end(), collate);
    TempDir dir;
    const auto rows = ReadViews(dir.Write("large.dxl", Dxl(body)))["People"];
    ASSERT_EQ(rows.size(), size_t(kDocs));
    for (int i = 0; i < kDocs; ++i) ASSERT_EQ(rows[size_t(i)], std::to_string(expected[size_t(i)])) << i;
}

// Several threads asking for the views of one database at once each get what
// one thread asking in turn gets: a view's entries are worked out once, and a
// thread asking for another view meanwhile does not wait for them.
TEST(Views, SeveralThreadsAtOnceSeeWhatOneSeesInTurn) {
    std::string body = View("People", "SELECT @All", "<column itemname='LastName' sort='ascending'/>") +
                       View("By Category", "SELECT Form = \"Person\"",
                            "<column itemname='Categories' categorized='true' sort='ascending'/>") +
                       View("Some", "SELECT LastName = \"b\"", "<column itemname='FullName' sort='descending'/>");
    for (int d = 0; d < 3000; ++d)
        body += Cat(std::to_string(d), {d % 3 ? "x" : "y", d % 5 ? "z" : "x"}, d % 4 ? "a" : "b");
    TempDir dir;
    const std::string dxl = Dxl(body);
    const std::string shared = dir.Write("shared.dxl", dxl);
    std::vector<std::map<std::string, std::vector<std::string>>> seen(4);
    {
        std::vector<std::thread> threads;
        for (auto& views : seen) threads.emplace_back([&] { views = ReadViews(shared); });
        for (auto& t : threads) t.join();
    }
    const auto alone = ReadViews(dir.Write("alone.dxl", dxl));
    ASSERT_EQ(alone.size(), 3u);
    for (const auto& views : seen) EXPECT_EQ(views, alone);
}
