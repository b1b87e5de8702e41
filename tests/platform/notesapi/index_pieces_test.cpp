// A file scanned in pieces side by side gives the index one pass gives, and
// the same errors, whatever lies where a piece would begin.
#include "describe_index.h"
#include "dxl_scan.h"

#include <notesapi/notesapi.h>

#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace testsupport;

namespace {

const notesapi::PieceLimits kOnePass{UINT64_MAX, 1};
// Small pieces, so that small files are split: four, at most.
const notesapi::PieceLimits kPieces{1, 4};

struct Built {
    LNSTATUS kind = LNNOERROR;  // of the error, if any
    std::string text;  // the index described, or the error's message
    size_t pieces = 0;
};

Built Build(const std::string& path, const notesapi::PieceLimits& limits) {
    std::shared_ptr<const notesapi::DatabaseIndex> ix;
    Built b;
    if (const auto failure = notesapi::BuildIndex(path, limits, &ix)) {
        b.kind = failure->Kind();
        b.text = failure->what();
    } else {
        b.text = DescribeIndex(*ix);
    }
    if (ix) b.pieces = ix->scanPieces;
    return b;
}

std::string Contact(int i, const std::string& extra = "") {
    const std::string n = std::to_string(i);
    return "<document form='Person'><noteinfo noteid='" + n + "' unid='" + std::string(32 - n.size(), 'A') + n +
           "' sequence='" + n + "'><modified><datetime>20240102T030405,06-00</datetime></modified></noteinfo>" +
           Text("FullName", "Person " + std::to_string(1000 - i)) + Text("CompanyName", "Co" + n) + extra +
           "</document>\n";
}

// A database with views first, then count contacts, each after before(i).
std::string Contacts(int count, const std::function<std::string(int)>& before = {}) {
    std::string body = View("People", "SELECT Form = \"Person\"",
                            "<column sort='ascending' itemname='FullName'/><column itemname='CompanyName'/>");
    for (int i = 0; i < count; ++i) body += (before ? before(i) : "") + Contact(i);
    return Dxl(body);
}

}  // namespace

TEST(IndexPieces, GiveTheIndexOfOnePassWhateverLiesWhereAPieceBegins) {
    TempDir dir;
    const std::string samples = std::string(FERRYWELL_SOURCE_DIR) + "/samples/";
    struct Case {
        const char* name;
        std::string content;  // empty: the sample of that name
        size_t pieces = 0;    // how many pieces the scan must use; 0: any
    };
    const std::vector<Case> cases = {
        {"names.dxl", "", 4},
        {"groups.dxl", ""},
        {"fidelity.dxl", ""},
        {"plain.dxl", Contacts(400), 4},
        // Tags that look like a document's start but are not one.
        {"comments.dxl", Contacts(400, [](int) { return "<!-- <document form='Person'> -->"; }), 1},
        {"cdata.dxl", Contacts(400, [](int i) {
             return "<document form='Note'>" + std::string(i % 2 ? "" : "<!-- x -->") +
                    "<item name='Body'><text><![CDATA[<document form='Person'>]]></text></item></document>";
         })},
        {"pi.dxl", Contacts(400, [](int) { return "<?note <document ?>"; }), 1},
        {"nested.dxl", Contacts(400, [](int i) {
             return i % 50 ? "" : "<folder name='F" + std::to_string(i) + "'><document form='Person'/></folder>";
         })},
        // A view among the documents names what the documents after it keep.
        {"late-view.dxl", Contacts(400, [](int i) {
             return i == 200 ? View("Late", "SELECT CompanyName = \"Co5\"", "<column sort='ascending' itemname='Spouse'/>")
                             : "";
         })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.content.empty() ? samples + c.name : dir.Write(c.name, c.content);
        const Built one = Build(path, kOnePass), pieces = Build(path, kPieces);
        EXPECT_EQ(one.kind, LNNOERROR) << one.text;
        EXPECT_EQ(pieces.text, one.text);
        EXPECT_EQ(one.pieces, 1u);
        if (c.pieces) {
            EXPECT_EQ(pieces.pieces, c.pieces);
        }
    }
}

TEST(IndexPieces, ReportTheErrorsOfOnePass) {
    TempDir dir;
    const std::string good = Contacts(400);
    const size_t late = good.rfind("<document");
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"damaged-late.dxl", good.substr(0, late) + "<document form='Person'><item name='A'><text>x</item>" +
                                 good.substr(late)},
        {"damaged-middle.dxl", good.substr(0, good.size() / 2) + "</x>" + good.substr(good.size() / 2)},
        {"truncated.dxl", good.substr(0, good.size() - 40)},
        {"junk-after.dxl", good + "<document/>"},
        {"entity-late.dxl", good.substr(0, late) + Contact(9999, Text("Note", "&who;")) + good.substr(late)},
        {"bad-utf8-late.dxl", good.substr(0, late) + Contact(9999, Text("Note", "Zo\xC3")) + good.substr(late)},
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, content);
        const Built one = Build(path, kOnePass), pieces = Build(path, kPieces);
        EXPECT_NE(one.kind, LNNOERROR);
        EXPECT_EQ(pieces.kind, one.kind);
        EXPECT_EQ(pieces.text, one.text);
    }
}
