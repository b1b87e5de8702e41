// Who a document and a database are: universal id, sequence, times with
// their zones, replica id or file identity.
#include <notesapi/database_identity.h>
#include <notesapi/notesapi.h>

#include "support/open_database.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

std::string Noteinfo(const std::string& attributes, const std::string& times = "") {
    return "<document form='Person'><noteinfo noteid='1f' " + attributes + ">" + times + "</noteinfo>" +
           Text("FullName", "Someone") + "</document>\n";
}

std::string Time(const char* element, const char* value) {
    return std::string("<") + element + "><datetime dst='true'>" + value + "</datetime></" + element + ">";
}

std::string DxlWithReplica(const std::string& replicaAttribute, const std::string& body) {
    return "<?xml version='1.0' encoding='utf-8'?>\n<database xmlns='http://www.lotus.com/dxl' version='8.5' " +
           replicaAttribute + " title='T'>\n" + body + "</database>\n";
}

}  // namespace

TEST(DocumentIdentity, NoteinfoGivesUnidSequenceAndUtcTimes) {
    struct Case {
        const char* what;
        std::string document;
        std::string unid;
        uint32_t sequence;
        int64_t modified;  // FILETIME ticks, UTC
        int64_t revised;
    };
    const Case cases[] = {
        {"zone behind UTC, hundredths kept",
         Noteinfo("unid='431a199a6fcc9c0985256a54005041a1' sequence='7'",
                  Time("created", "20010522T103636,81-04") + Time("modified", "20010522T103709,78-04") +
                      Time("revised", "20010522T103709,78-04")),
         "431A199A6FCC9C0985256A54005041A1", 7, 126350158297800000, 126350158297800000},
        {"four-digit zone ahead of UTC, Z",
         Noteinfo("unid='431A199A6FCC9C0985256A54005041A2' sequence='4294967295'",
                  Time("modified", "20010522T103709,00+0530") + Time("revised", "20010522T050709,00Z")),
         "431A199A6FCC9C0985256A54005041A2", 4294967295u, 126349816290000000, 126349816290000000},
        {"no zone: the wall clock read as UTC; a date alone is its midnight",
         Noteinfo("unid='431A199A6FCC9C0985256A54005041A3' sequence='1'",
                  Time("modified", "20240102T030405,06") + Time("revised", "19990713")),
         "431A199A6FCC9C0985256A54005041A3", 1, 133486382450600000, 125762976000000000},
        {"a malformed zone is dropped, not guessed",
         Noteinfo("unid='431A199A6FCC9C0985256A54005041A4'", Time("modified", "20240102T030405,06+5")),
         "431A199A6FCC9C0985256A54005041A4", 0, 133486382450600000, 0},
        {"unid too short, sequence not a number", Noteinfo("unid='431A199A6FCC9C0985256A54005041A' sequence='-1'"), "", 0,
         0, 0},
        {"unid not hexadecimal, sequence past 32 bits",
         Noteinfo("unid='431A199A6FCC9C0985256A54005041AG' sequence='4294967296'"), "", 0, 0, 0},
        {"noteinfo without unid or sequence", Person(Text("FullName", "Someone")), "", 0, 133486382450600000, 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenDatabase open(dir.Write("d.dxl", Dxl(c.document)));
        LNDocumentArray docs = open.Search("@All");
        ASSERT_EQ(docs.GetCount(), 1u);
        LNDocument doc = docs[0];  // known without opening the document
        EXPECT_EQ(doc.GetUniversalID().GetText().str(), c.unid);
        EXPECT_EQ(doc.GetUniversalID().IsNull(), c.unid.empty());
        LNOriginatorID oid;
        doc.GetOriginatorID(&oid);
        EXPECT_EQ(oid.GetUniversalID(), doc.GetUniversalID());
        EXPECT_EQ(oid.GetSequence(), c.sequence);
        EXPECT_EQ(doc.GetLastModified().ToFileTime(), c.modified);
        EXPECT_EQ(oid.GetSequenceTime().ToFileTime(), c.revised);
    }
}

TEST(DocumentIdentity, TimesKeepTheirWallClockAndZone) {
    TempDir dir;
    OpenDatabase open(dir.Write("d.dxl", Dxl(Noteinfo("", Time("created", "20010101T000000,00+01") +
                                                          Time("modified", "20010522T103636,81-04")))));
    LNDatetime modified = open.Search("@All")[0].GetLastModified();
    EXPECT_EQ(modified.Text(), "2001-05-22 10:36:36");  // what lists and previews show
    ASSERT_TRUE(modified.HasZone());
    EXPECT_EQ(modified.zoneMinutes, -240);
}

TEST(DocumentIdentity, DatabaseIsItsReplicaIdElseItsFile) {
    TempDir dir;
    const std::string body = Noteinfo("unid='431A199A6FCC9C0985256A54005041A1'");
    const std::string withReplica = dir.Write("r.dxl", DxlWithReplica("replicaid='852571e80054a1b2'", body));
    const std::string copyOfReplica = dir.Write("r2.dxl", DxlWithReplica("replicaid='852571E80054A1B2'", body));
    const std::string badReplica = dir.Write("bad.dxl", DxlWithReplica("replicaid='852571E80054A1'", body));
    const std::string plain = dir.Write("plain.dxl", DxlWithReplica("", body));
    const std::string other = dir.Write("other.dxl", DxlWithReplica("", body));
    std::filesystem::create_symlink(plain, dir / "link.dxl");

    auto identity = [](const std::string& path) { return notesapi::DatabaseIdentity(OpenDatabase(path).db); };
    EXPECT_EQ(identity(withReplica), "replica:852571E80054A1B2");
    EXPECT_EQ(identity(copyOfReplica), identity(withReplica));  // every replica and export of it
    EXPECT_EQ(OpenDatabase(withReplica).db.GetReplicaID().GetText().str(), "852571E80054A1B2");
    EXPECT_TRUE(OpenDatabase(badReplica).db.GetReplicaID().IsNull());

    const std::string file = identity(plain);
    ASSERT_EQ(file.rfind("file:", 0), 0u) << file;
    EXPECT_EQ(file.size(), 5u + 16u);
    EXPECT_EQ(identity(badReplica).rfind("file:", 0), 0u);
    EXPECT_EQ(identity(dir / "link.dxl"), file);                          // one file, two spellings
    EXPECT_EQ(identity((dir.Path() / "." / "plain.dxl").string()), file);
    EXPECT_NE(identity(other), file);                                     // another file is another database
    EXPECT_EQ(notesapi::DatabaseIdentity(LNDatabase()), "");
}
