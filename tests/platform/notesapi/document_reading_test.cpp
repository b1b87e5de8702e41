// Reading documents' items: whatever comes before, between or around the
// items, after a document that cannot be read, in another encoding, and from
// several threads at once.
#include <notesapi/notesapi.h>

#include "support/open_database.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

// Every item of a document as "name=value|value", in document order.
std::vector<std::string> Items(const LNDocument& doc) {
    std::vector<std::string> out;
    for (const std::string& name : doc.GetItemNames()) {
        LNText text;
        doc.GetItem(name, &text);
        std::string line = name + "=";
        for (size_t i = 0; i < text.GetCount(); ++i) line += (i ? "|" : "") + text[i].str();
        out.push_back(line);
    }
    return out;
}

// The items of every document of the database at path, in file order.
std::vector<std::vector<std::string>> AllItems(const std::string& path) {
    OpenDatabase open(path);
    LNDocumentArray docs = open.Search("@All");
    std::vector<std::vector<std::string>> out;
    for (size_t i = 0; i < docs.GetCount(); ++i) {
        LNDocument doc = docs[i];
        doc.Open();
        out.push_back(Items(doc));
    }
    return out;
}

const std::string kNoteinfo =
    "<noteinfo noteid='1f' unid='0123456789ABCDEF0123456789ABCDEF' sequence='2'>"
    "<created><datetime>20240101T000000,00-00</datetime></created>"
    "<modified><datetime>20240102T030405,06-00</datetime></modified></noteinfo>";

}  // namespace

TEST(DocumentReading, ItemsReadTheSameWhateverSurroundsThem) {
    const struct {
        const char* what;
        std::string document;
        std::vector<std::string> items;
    } cases[] = {
        {"note information first", "<document form='Person'>" + kNoteinfo + Text("A", "1") + Text("B", "2") + "</document>",
         {"A=1", "B=2"}},
        {"no note information", "<document form='Person'>" + Text("A", "1") + "</document>", {"A=1"}},
        {"several elements first, with space and a comment between",
         "<document form='Person'>\n  " + kNoteinfo + "\n  <!-- x --><updatedby><name>CN=A/O=B</name></updatedby>\n"
             "<revisions><datetime>20010101</datetime></revisions>\n" + Text("A", "1") + "</document>",
         {"A=1"}},
        {"an element between items and one after them",
         "<document form='Person'>" + kNoteinfo + Text("A", "1") + "<updatedby><name>x</name></updatedby>" +
             Text("B", "2") + "<revisions/></document>",
         {"A=1", "B=2"}},
        {"note information after an item",
         "<document form='Person'>" + Text("A", "1") + kNoteinfo + Text("B", "2") + "</document>", {"A=1", "B=2"}},
        {"nothing but note information", "<document form='Person'>" + kNoteinfo + "</document>", {}},
        {"an empty element", "<document form='Person'/>", {}},
        {"an element named item inside the note information",
         "<document form='Person'><noteinfo noteid='2'><item name='Inner'><text>no</text></item></noteinfo>" +
             Text("A", "1") + "</document>",
         {"A=1"}},
    };
    std::string body = View("All", "SELECT @All");
    std::vector<std::vector<std::string>> expected;
    for (const auto& c : cases) {
        body += c.document + "\n";
        expected.push_back(c.items);
    }
    TempDir dir;
    const auto read = AllItems(dir.Write("shapes.dxl", Dxl(body)));
    ASSERT_EQ(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i], expected[i]) << cases[i].what;
}

// ASCII text as UTF-16 (little-endian, with its byte order mark).
std::string Utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

TEST(DocumentReading, PrefixesBoundOnTheDatabaseOrTheDocumentAreRead) {
    // Items written with a prefix bound to the DXL namespace, on the database
    // or on the document itself, small and large (read in pieces), and an
    // element of another namespace among them, which is skipped.
    const std::string large(1536 * 1024, 'v');
    const std::string body =
        View("All", "SELECT @All") + Person("<d:item name='A'><d:text>1</d:text></d:item>" + Text("B", "2")) +
        "<d:document form='Person'><d:item name='C'><d:text>3</d:text></d:item><x:extra/></d:document>\n" +
        "<document xmlns:e='http://www.lotus.com/dxl' form='Person'><e:item name='D'><e:text>4</e:text></e:item></document>\n" +
        Person("<d:item name='E'><d:text>" + large + "</d:text></d:item>");
    TempDir dir;
    const std::string path = dir.Write("prefixed.dxl", "<?xml version='1.0' encoding='utf-8'?>\n"
                                                       "<database xmlns='http://www.lotus.com/dxl' xmlns:d='http://www.lotus.com/dxl' "
                                                       "xmlns:x='urn:x' title='T'>\n" + body + "</database>\n");
    const std::vector<std::vector<std::string>> expected = {{"A=1", "B=2"}, {"C=3"}, {"D=4"}, {"E=" + large}};
    EXPECT_EQ(AllItems(path), expected);
}

TEST(DocumentReading, ADocumentThatCannotBeReadLeavesTheOthersReadable) {
    // The prefix is declared on the database; in UTF-16 a document read
    // alone does not see that, whether it comes among the items or right
    // after the note information: those documents cannot be read, the ones
    // around them can, again and again, and the other encoding after them
    // too.
    TempDir dir;
    const std::string prefixed = Utf16(
        "<?xml version='1.0' encoding='utf-16'?>\n<database xmlns='http://www.lotus.com/dxl' xmlns:x='urn:x' "
        "title='T'>\n" + View("All", "SELECT @All") + Person(Text("A", "1")) +
        Person(Text("B", "2") + "<x:extra/>") + Person(Text("C", "3")) + Person("<x:lead/>" + Text("D", "4")) +
        "</database>\n");
    const std::string latin1 = "<?xml version='1.0' encoding='ISO-8859-1'?>\n"
                               "<database xmlns='http://www.lotus.com/dxl' title='T'>\n" +
                               View("All", "SELECT @All") + Person(Text("Name", "Zo\xEB")) + "</database>\n";
    const std::string prefixedPath = dir.Write("prefixed.dxl", prefixed);
    const std::string latin1Path = dir.Write("latin1.dxl", latin1);

    OpenDatabase open(prefixedPath);
    LNDocumentArray docs = open.Search("@All");
    ASSERT_EQ(docs.GetCount(), 4u);
    for (int round = 0; round < 2; ++round) {
        for (size_t i : {0, 1, 2, 3}) {
            LNDocument doc = docs[i];
            if (i == 1 || i == 3) {
                try {
                    doc.Open();
                    ADD_FAILURE() << "document " << i << " opened";
                } catch (const notesapi::NotesError& e) {
                    EXPECT_EQ(e.Kind(), LNERR_MALFORMED);
                    EXPECT_NE(std::string(e.what()).find("unbound prefix"), std::string::npos);
                }
                continue;
            }
            doc.Open();
            EXPECT_EQ(Items(doc), std::vector<std::string>{i == 0 ? "A=1" : "C=3"});
        }
        EXPECT_EQ(AllItems(latin1Path), std::vector<std::vector<std::string>>{{"Name=Zo\xC3\xAB"}});
    }
}

TEST(DocumentReading, ThreadsReadTheSameDatabaseAtOnce) {
    std::string body = View("All", "SELECT @All");
    std::vector<std::vector<std::string>> expected;
    for (int i = 0; i < 200; ++i) {
        const std::string n = std::to_string(i);
        body += Person(Text("FullName", "Person " + n) + Text("Index", n));
        expected.push_back({"FullName=Person " + n, "Index=" + n});
    }
    TempDir dir;
    const std::string path = dir.Write("many.dxl", Dxl(body));
    std::vector<std::vector<std::vector<std::string>>> read(4);
    std::vector<std::thread> threads;
    for (auto& r : read)
        threads.emplace_back([&path, &r] {
            // A failed read is a difference, never an exception out of the thread.
            try {
                for (int round = 0; round < 3; ++round) r = AllItems(path);
            } catch (const notesapi::NotesError& e) {
                r = {{std::string("failed: ") + e.what()}};
            }
        });
    for (auto& t : threads) t.join();
    for (const auto& r : read) EXPECT_EQ(r, expected);
}
