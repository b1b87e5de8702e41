#include <notesapi/notesapi.h>

#include "support/temp_files.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

// Runs call and returns what it threw; fails the test when it throws nothing.
notesapi::NotesError Thrown(const std::function<void()>& call) {
    try {
        call();
    } catch (const notesapi::NotesError& e) {
        return e;
    }
    ADD_FAILURE() << "the call did not fail";
    return notesapi::NotesError(LNNOERROR);
}

// Threads that fail at the same time, each in its own way and many times
// over, each get the kind and the text of their own failures, and every
// error keeps its text however many fail after it. No thread or setting
// turns failures into throws: a session's calls throw from the start.
TEST(NotesErrors, ThreadsFailingAtOnceKeepTheirOwnTexts) {
    TempDir dir;
    const std::string path = dir.Write("a.dxl", Dxl(View("V", "SELECT @All") + Person(Text("FullName", "One"))));
    constexpr int kFailures = 1500;  // a thread; 6,000 in all
    struct Failure {
        LNSTATUS kind;
        std::string text;  // what the error must say
    };
    // Each way of failing: the call of failure i and what its error says.
    const std::vector<std::function<Failure(LNNotesSession&, int)>> ways = {
        [&](LNNotesSession& s, int i) {
            const std::string missing = (dir.Path() / ("missing-" + std::to_string(i) + ".dxl")).string();
            LNDatabase db;
            s.GetDatabase(missing, &db);
            const auto e = Thrown([&] { db.Open(); });
            return Failure{e.Kind(), e.what()};
        },
        [&](LNNotesSession& s, int i) {
            LNDatabase db;
            const std::string server = "server" + std::to_string(i);
            const auto e = Thrown([&] { s.GetDatabase(path, &db, server); });
            return Failure{e.Kind(), e.what()};
        },
        [&](LNNotesSession& s, int i) {
            LNDatabase db;
            s.GetDatabase(path, &db);
            db.Open();
            LNDocumentArray docs;
            const std::string formula = "SELECT @Unknown" + std::to_string(i);
            const auto e = Thrown([&] { db.Search(formula.c_str(), &docs); });
            return Failure{e.Kind(), e.what()};
        },
        [&](LNNotesSession& s, int) {
            LNDatabase db;
            s.GetDatabase(path, &db);
            db.Open();
            LNViewFolderArray views;
            db.GetViewFolders(&views);
            const auto e = Thrown([&] { views[7]; });
            return Failure{e.Kind(), e.what()};
        },
    };
    const std::vector<std::function<bool(const Failure&, int)>> expected = {
        [&](const Failure& f, int i) {
            return f.kind == LNERR_FILE_OPEN &&
                   f.text.find("missing-" + std::to_string(i) + ".dxl cannot be opened") != std::string::npos;
        },
        [](const Failure& f, int i) {
            return f.kind == LNERR_FILE_OPEN && f.text.find("server server" + std::to_string(i) + ".") != std::string::npos;
        },
        [](const Failure& f, int i) {
            return f.kind == LNERR_FORMULA && f.text.find("@Unknown" + std::to_string(i) + " ") != std::string::npos;
        },
        [](const Failure& f, int) { return f.kind == LNERR_INDEX && f.text == "Index out of range"; },
    };

    std::vector<std::vector<Failure>> failures(ways.size());
    std::vector<std::thread> threads;
    for (size_t w = 0; w < ways.size(); ++w)
        threads.emplace_back([&, w] {
            LNNotesSession session;
            session.Init();
            for (int i = 0; i < kFailures; ++i) failures[w].push_back(ways[w](session, i));
        });
    for (auto& t : threads) t.join();

    for (size_t w = 0; w < ways.size(); ++w) {
        ASSERT_EQ(failures[w].size(), size_t(kFailures));
        for (int i = 0; i < kFailures; ++i)
            ASSERT_TRUE(expected[w](failures[w][i], i)) << "way " << w << ", failure " << i << ": "
                                                        << failures[w][i].text;
    }
}

}  // namespace
