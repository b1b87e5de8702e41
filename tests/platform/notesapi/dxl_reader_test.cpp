#include <notesapi/notesapi.h>

#include "support/open_database.h"
#include "support/temp_files.h"
#include "support/tool_runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <base/utf.h>

#include <chrono>
#include <cstdlib>
#include <map>

using namespace testsupport;

namespace {

// Opens path; the error it fails with, if any.
std::optional<notesapi::NotesError> OpenError(const std::string& path) {
    LNNotesSession s;
    s.Init();
    LNDatabase db;
    s.GetDatabase(path, &db);
    try {
        db.Open();
    } catch (const notesapi::NotesError& e) {
        return e;
    }
    return std::nullopt;
}

std::string Nested(int depth) {
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<x>";
        close += "</x>";
    }
    return open + close;
}

}  // namespace

TEST(DxlReader, BadFilesGiveAClearStatusNeverACrash) {
    TempDir dir;
    const char kNsfStart[] = "\x1A\x00\x05\x00NSF\x00\x00\x01";
    std::string binary(kNsfStart, sizeof kNsfStart - 1);
    std::string sample;
    {
        std::ifstream f(SamplePath(), std::ios::binary);
        sample.assign(std::istreambuf_iterator<char>(f), {});
    }
    struct Case {
        const char* name;
        std::string content;
        LNSTATUS kind;
        const char* words;  // part of the message the user sees
    };
    const Case cases[] = {
        {"empty.dxl", "", LNERR_NOT_DXL, "empty"},
        {"binary.nsf", binary, LNERR_BINARY_NSF, "export it to DXL"},
        {"text.dxl", "just some text", LNERR_NOT_DXL, "not a DXL export"},
        {"other.xml", "<?xml version='1.0'?><html><body/></html>", LNERR_NOT_DXL, "not a DXL export"},
        {"wrongns.xml", "<database><document form='Person'/></database>", LNERR_NOT_DXL, "DXL namespace"},
        {"truncated.dxl", sample.substr(0, sample.size() / 2), LNERR_MALFORMED, "truncated"},
        {"broken.dxl", Dxl("<document form='Person'><item name='A'><text>x</item></document>"), LNERR_MALFORMED,
         "damaged"},
        {"badutf8.dxl", Dxl(Person(Text("FullName", "Zo\xC3"))), LNERR_MALFORMED, "line 4"},
        {"laughs.dxl",
         "<?xml version='1.0'?><!DOCTYPE database [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;'>]>"
         "<database xmlns='http://www.lotus.com/dxl'>&b;</database>",
         LNERR_ENTITY, "entities"},
        {"external.dxl",
         "<?xml version='1.0'?><!DOCTYPE database [<!ENTITY x SYSTEM 'file:///etc/passwd'>]>"
         "<database xmlns='http://www.lotus.com/dxl'>&x;</database>",
         LNERR_ENTITY, "entities"},
        // Whatever an internal subset declares would change what the file
        // says: a default form makes a document without one a Person.
        {"attlist.dxl",
         "<?xml version='1.0'?><!DOCTYPE database [<!ATTLIST document form CDATA 'Person'>]>" +
             Dxl(Person(Text("FullName", "A"))).substr(Dxl("").find("<database")),
         LNERR_ENTITY, "attribute defaults in its DOCTYPE (line 1"},
        {"element.dxl", "<?xml version='1.0'?><!DOCTYPE database [<!ELEMENT database ANY>]><database/>", LNERR_ENTITY,
         "declares elements"},
        {"notation.dxl", "<?xml version='1.0'?><!DOCTYPE database [<!NOTATION n SYSTEM 'x'>]><database/>",
         LNERR_ENTITY, "declares notations"},
        // With a DTD that is never read, expat would skip an unknown entity in
        // text and drop it from an attribute without a word.
        {"undeclared.dxl", Dxl(Person(Text("FullName", "A &who; B"))), LNERR_ENTITY, "&who; (line 4"},
        {"undeclared-attr.dxl", Dxl(Person(Text("FullName", "A"), "Per&son;")), LNERR_ENTITY, "&son;"},
    };
    for (const auto& c : cases) {
        std::string path = dir.Write(c.name, c.content);
        const auto error = OpenError(path);
        ASSERT_TRUE(error) << c.name;
        EXPECT_EQ(error->Kind(), c.kind) << c.name;
        std::string message = error->what();
        EXPECT_NE(message.find(c.words), std::string::npos) << c.name << ": " << message;
    }
    EXPECT_EQ(OpenError(dir.Path() / "missing.dxl").value().Kind(), LNERR_FILE_OPEN);
    // Only regular files open, and nothing waits for a pipe's writer.
    const std::string fifo = (dir.Path() / "pipe.dxl").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir.Path().string(), fifo, std::string("/dev/null")}) {
        const auto error = OpenError(path);
        ASSERT_TRUE(error) << path;
        EXPECT_EQ(error->Kind(), LNERR_FILE_OPEN) << path;
        EXPECT_NE(std::string(error->what()).find(path + " is a"), std::string::npos) << error->what();
    }
    // Character references and XML's own entities stay welcome.
    EXPECT_FALSE(OpenError(dir.Write("fine.dxl", Dxl(Person(Text("FullName", "&lt;&#65;&amp;"), "P&amp;&#x42;")))));
}

TEST(DxlReader, AcceptsWhatExportsContainAndSkipsUnknownElements) {
    TempDir dir;
    const std::string person = Person("<updatedby><name>CN=A/O=B</name></updatedby><revisions><datetime>20010101</datetime>"
                                      "</revisions><futureelement a='1'><x/></futureelement>" +
                                      Text("FullName", "Zo\xC3\xAB &amp; &lt;b&gt; &#x416;"));
    std::string body = "<databaseinfo numberofdocuments='2'/><acl/><unknown><deep>" + Nested(5000) + "</deep></unknown>" +
                       View("All", "SELECT @All") + person;
    std::string path = dir.Write("names.anything", Dxl(body));
    ASSERT_FALSE(OpenError(path)) << OpenError(path)->what();

    OpenDatabase open(path);
    LNDatabase& db = open.db;
    EXPECT_EQ(db.GetTitle().str(), "Test");
    LNViewFolderArray views;
    db.GetViewFolders(&views);
    ASSERT_EQ(views.GetCount(), 1u);
    LNViewFolder v = views[0];
    v.Open();
    ASSERT_EQ(v.GetEntryCount(), 1u);
    LNDocument doc;
    v[0].GetDocument(&doc);
    doc.Open();
    LNText text;
    doc.GetItem("fullname", &text);  // item names match case-insensitively
    EXPECT_EQ(text[0].str(), "Zo\xC3\xAB & <b> \xD0\x96");
    EXPECT_EQ(doc.GetLastModified().Text(), "2024-01-02 03:04:05");
    EXPECT_EQ(doc.GetNoteID(), 0x1fu);
    // The bytes of <document>...</document>, without the line break after it.
    EXPECT_EQ(doc.GetSize(), person.size() - 1);
}

TEST(DxlReader, ReadsEveryItemKind) {
    TempDir dir;
    std::string items =
        "<item name='List'><textlist><text>a</text><text>b</text></textlist></item>"
        "<item name='Empty'><text/></item>"
        "<item name='Num'><numberlist><number>1</number><number>2.5</number></numberlist></item>"
        "<item name='Dates'><datetimelist><datetime>20010522T103636,81-04</datetime><datetime>19750314</datetime>"
        "</datetimelist></item>"
        "<item name='Time'><datetime>T093000,00</datetime></item>"
        "<item name='Owner' names='true'><text>CN=Jane Doe/OU=Sales/O=Acme</text></item>"
        "<item name='Body'><richtext><pardef id='1'/><par def='1'>First <run><font style='bold'/>line</run></par>"
        "<par def='1'>Second<break/>part</par><par def='1'/></richtext></item>"
        "<item name='$FILE'><object><file name='card.txt'><filedata>SGVsbG8sIFdvcmxkIQ==</filedata></file></object></item>";
    std::string path = dir.Write("kinds.dxl", Dxl(Person(items)));
    OpenDatabase open(path);
    LNDocumentArray docs = open.Search("@All");
    ASSERT_EQ(docs.GetCount(), 1u);
    LNDocument doc = docs[0];
    doc.Open();

    LNText list;
    doc.GetItem("List", &list);
    EXPECT_EQ(list.GetCount(), 2u);
    EXPECT_EQ(list[1].str(), "b");
    LNText empty;
    doc.GetItem("Empty", &empty);
    EXPECT_EQ(empty[0].str(), "");
    LNText numbers;
    doc.GetItem("Num", &numbers);
    EXPECT_EQ(numbers[1].str(), "2.5");

    LNDatetimes dates;
    doc.GetItem("Dates", &dates);
    LNString joined;
    dates.GetText(&joined, ";");
    EXPECT_EQ(joined.str(), "2001-05-22 10:36:36;1975-03-14");
    EXPECT_NEAR(dates[1].ToOleDate(), 27467.0, 1e-9);  // 1975-03-14
    LNDatetimes time;
    doc.GetItem("Time", &time);
    time.GetText(&joined);
    EXPECT_EQ(joined.str(), "09:30:00");
    EXPECT_THROW(doc.GetItem("List", &dates), notesapi::NotesError);
    EXPECT_THROW(doc.GetItem("Missing", &list), notesapi::NotesError);

    LNText owner;
    doc.GetItem("Owner", &owner);
    LNString shortName;
    open.session.AbbreviateName(owner[0], &shortName);
    EXPECT_EQ(shortName.str(), "Jane Doe/Sales/Acme");

    LNRichText body;
    doc.GetItem("Body", &body);
    LNString plain;
    body.GetText(&plain);
    EXPECT_EQ(plain.str(), "First line\nSecond\npart\n");

    ASSERT_TRUE(doc.HasAttachments());
    LNAttachmentArray attachments;
    doc.GetAttachments(&attachments);
    ASSERT_EQ(attachments.GetCount(), 1u);
    EXPECT_EQ(attachments[0].GetAttachmentName().str(), "card.txt");
    std::string target = (dir.Path() / "out.txt").string();
    attachments[0].Detach(target);
    std::ifstream f(target);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}), "Hello, World!");
    EXPECT_THROW(attachments[0].Detach((dir.Path() / "no" / "such" / "dir.txt").string()), notesapi::NotesError);
}

TEST(DxlReader, RichTextReadsAsPlainLinesOfWhatAReaderSees) {
    struct Case {
        const char* what;
        std::string richtext;  // the content of <richtext>
        const char* text;
    };
    const Case cases[] = {
        {"a picture is a short mark naming the attachment it becomes, never its data",
         "<par>Before <picture width='8px' height='8px'><gif>R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7</gif></picture> after</par>",
         "Before [picture: picture-1.gif] after"},
        {"tabs, as elements and as characters",
         "<par>Name:<tab/>Ada<tab/>Lovelace</par><par>a&#9;b</par>", "Name:\tAda\tLovelace\na\tb"},
        {"a link keeps its address", "<par>See <urllink href='http://example.org/a?b=1&amp;c'><run>our site</run></urllink>.</par>",
         "See our site (http://example.org/a?b=1&c)."},
        {"a link whose text is its address is shown once",
         "<par><urllink href='https://example.org'>https://example.org</urllink> and <urllink href='mailto:a@b'/></par>",
         "https://example.org and mailto:a@b"},
        {"an attachment's icon names the file",
         "<par><attachmentref name='card.txt' displayname='Card.txt'><picture height='34px' width='61px'><gif>AAAA</gif>"
         "</picture></attachmentref> attached</par>",
         "[attachment: Card.txt] attached"},
        {"a table row is one line, its cells separated by tabs",
         "<table><tablerow><tablecell><par>Phone</par></tablecell><tablecell><par>555</par><par>ext. 7</par></tablecell>"
         "</tablerow><tablerow><tablecell><par>Fax</par></tablecell><tablecell><par/></tablecell></tablerow></table>"
         "<par>after</par>",
         "Phone\t555 ext. 7\nFax\t\nafter"},
        {"formulas of hotspots and computed text are not text",
         "<par><actionhotspot hotspotstyle='none'><code event='click'><formula>@Command([Compose])</formula></code>"
         "<run>Click</run></actionhotspot> <computedtext><code event='value'><formula>@UserName</formula></code>"
         "</computedtext>end</par>",
         "Click end"},
        {"section titles are lines", "<section><sectiontitle><text>Notes</text></sectiontitle><par>inside</par></section>",
         "Notes\ninside"},
        {"line breaks stay inside their paragraph", "<par>one<break/>two</par><par/><par>three</par>", "one\ntwo\n\nthree"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string path = dir.Write("rt.dxl", Dxl(Person("<item name='Body'><richtext><pardef id='1'/>" + c.richtext +
                                                          "</richtext></item><item name='After'><text>kept</text></item>")));
        OpenDatabase open(path);
        LNDocumentArray docs = open.Search("@All");
        ASSERT_EQ(docs.GetCount(), 1u);
        LNDocument doc = docs[0];
        doc.Open();
        LNRichText body;
        doc.GetItem("Body", &body);
        LNString plain;
        body.GetText(&plain);
        EXPECT_EQ(plain.str(), c.text);
        LNText after;  // the item after the rich text reads as usual
        doc.GetItem("After", &after);
        EXPECT_EQ(after[0].str(), "kept");
    }
}

// samples/fidelity.dxl, the database whose contacts carry every item an
// export maps: it is what its generator writes, and the Notes layer reads
// every kind of value in it.
TEST(FidelitySample, IsWhatItsGeneratorWritesAndReadsWhole) {
    const std::string sample = std::string(FERRYWELL_SOURCE_DIR) + "/samples/fidelity.dxl";
    TempDir dir;
    const std::string fresh = (dir.Path() / "fresh.dxl").string();
    std::string out;
    ASSERT_EQ(RunTool(std::string(kPython) + " " + Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-fidelity-dxl.py") +
                          " " + Quote(fresh),
                      &out),
              0)
        << out;
    auto bytes = [](const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    EXPECT_EQ(bytes(fresh), bytes(sample)) << "samples/fidelity.dxl is stale: run scripts/make-fidelity-dxl.py";

    OpenDatabase open(sample);
    LNDocumentArray docs = open.Search("Form = \"Person\"");
    ASSERT_EQ(docs.GetCount(), 4u);
    std::map<std::string, LNDocument> byName;
    for (size_t i = 0; i < docs.GetCount(); ++i) {
        LNDocument doc = docs[i];
        doc.Open();
        LNText name;
        doc.GetItem("FullName", &name);
        byName[name[0].str()] = doc;
    }
    auto text = [](LNDocument& doc, const char* item) {
        LNText t;
        doc.GetItem(item, &t);
        std::vector<std::string> out;
        for (size_t i = 0; i < t.GetCount(); ++i) out.push_back(t[i].str());
        return out;
    };
    LNDocument& jane = byName.at("Jane Q Doe");
    LNRichText body;
    jane.GetItem("Body", &body);
    LNString plain;
    body.GetText(&plain);
    EXPECT_EQ(plain.str(), "Card:\t[picture: picture-1.gif]\tscanned 2004\nPrice list\tby fax and at our site "
                           "(https://acme.example/prices?year=2004&q=1)\n\n[attachment: card.txt] attached.");
    EXPECT_EQ(text(jane, "MailAddress").size(), 4u);
    EXPECT_EQ(text(jane, "Categories"), (std::vector<std::string>{"Business", "Golf, Tennis", "VIP"}));
    EXPECT_EQ(text(jane, "FullName")[1], "CN=Jane Q Doe/OU=Sales/O=Acme");
    LNDatetimes birthday;
    jane.GetItem("Birthday", &birthday);
    ASSERT_EQ(birthday.GetCount(), 1u);
    EXPECT_EQ(birthday[0].Text(), "1976-02-29");

    LNDocument& taro = byName.at("\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E");
    std::u16string street = base::Utf8ToUtf16(text(taro, "StreetAddress")[0]);
    EXPECT_EQ(street.size(), 1500u);  // longer than the 1,023 characters a value keeps
    EXPECT_EQ(text(taro, "Children").size(), 3u);

    LNDatetimes two;
    byName.at("Robin Fairbanks").GetItem("Birthday", &two);
    EXPECT_EQ(two.GetCount(), 2u);
}

TEST(DxlReader, SecondOpenUsesTheIndexUntilTheFileChanges) {
    TempDir dir;
    std::string path = dir.Write("a.dxl", Dxl(View("V", "SELECT @All") + Person(Text("FullName", "One"))));
    LNNotesSession s;
    s.Init();
    LNDatabase first, second;
    s.GetDatabase(path, &first);
    first.Open();
    s.GetDatabase(path, &second);
    second.Open();
    EXPECT_EQ(second.GetDocumentCount(), 1u);

    // The file is replaced by a bigger one: the next open reads it anew, and
    // documents of the old index report the change instead of reading garbage.
    LNDocumentArray oldDocs;
    first.Search("@All", &oldDocs);
    dir.Write("a.dxl", Dxl(View("V", "SELECT @All") + Person(Text("FullName", "One")) + Person(Text("FullName", "Two"))));
    LNDatabase third;
    s.GetDatabase(path, &third);
    third.Open();
    EXPECT_EQ(third.GetDocumentCount(), 2u);
    LNDocument stale = oldDocs[0];
    try {
        stale.Open();
        FAIL() << "a changed file must not be read through the old index";
    } catch (const notesapi::NotesError& e) {
        EXPECT_EQ(e.Kind(), LNERR_DATABASE_CHANGED);
    }
}

TEST(DxlReader, ErrorMessagesAreCutAtACharacterBoundary) {
    const notesapi::NotesError error(LNERR_FILE_OPEN, "ab\xC3\xA9");
    char buffer[4];
    EXPECT_EQ(LNGetErrorMessageText(error, buffer, sizeof buffer), 2u);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_STRNE(notesapi::NotesError(LNERR_INDEX).what(), "");
}

TEST(DxlReader, AFileChangedUnderAnOpenIndexIsReportedByEveryRead) {
    TempDir dir;
    // The view comes after the document, so its item is read from the file.
    const std::string content = Dxl(Person(Text("FullName", "One") + Text("Company", "Acme")) +
                                    View("V", "SELECT Company = \"Acme\""));
    std::string path = dir.Write("a.dxl", content);
    OpenDatabase open(path);
    LNDocumentArray docs = open.Search("@All");
    ASSERT_EQ(docs.GetCount(), 1u);

    // Same size, other bytes, a later time: written in place.
    std::string changed = content;
    changed[changed.find("One")] = 'X';
    { std::ofstream(path, std::ios::binary | std::ios::in) << changed; }
    struct timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 10, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), later, 0), 0);

    auto expectChanged = [](auto&& call, const char* what) {
        try {
            call();
            ADD_FAILURE() << what << " read a changed file";
        } catch (const notesapi::NotesError& e) {
            EXPECT_EQ(e.Kind(), LNERR_DATABASE_CHANGED) << what;
            EXPECT_NE(std::string(e.what()).find("changed"), std::string::npos) << what;
        }
    };
    LNDocument doc = docs[0];
    expectChanged([&] { doc.Open(); }, "a document");
    expectChanged([&] { open.Search("Company = \"Acme\""); }, "a search");
    LNViewFolderArray views;
    open.db.GetViewFolders(&views);
    LNViewFolder view = views[0];
    view.Open();
    size_t count = 0;
    expectChanged([&] { view.GetEntryCount(&count); }, "a view");
}

TEST(DxlReader, AHugeValueIsReadWholeButNotKeptInTheIndex) {
    TempDir dir;
    const std::string big(300 * 1024, 'z');
    std::string path = dir.Write("big.dxl", Dxl(View("V", "SELECT @All", "<column itemname='FullName' sort='ascending'/>") +
                                                Person(Text("FullName", "b" + big)) + Person(Text("FullName", "a")) +
                                                Person(Text("FullName", "c"))));
    OpenDatabase open(path);
    LNViewFolderArray views;
    open.db.GetViewFolders(&views);
    LNViewFolder view = views[0];
    view.Open();
    ASSERT_EQ(view.GetEntryCount(), 3u);
    std::vector<std::string> names;
    for (size_t e = 0; e < 3; ++e) {
        LNDocument doc;
        view[e].GetDocument(&doc);
        doc.Open();
        LNText text;
        doc.GetItem("FullName", &text);
        names.push_back(text[0].str());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b" + big, "c"}));
    EXPECT_EQ(open.Search(("FullName = \"b" + big + "\"").c_str()).GetCount(), 1u);
}

TEST(DxlReader, TheIndexGivesTheValuesItKeepsWithoutOpeningTheDocument) {
    TempDir dir;
    const std::string big(70 * 1024, 'z');
    const std::string path =
        dir.Write("kept.dxl", Dxl(View("V", "SELECT @All", "<column itemname='FullName' sort='ascending'/>") +
                                  Person(Text("FullName", "Ann Lee") + Text("LastName", "Lee")) +
                                  Person(Text("LastName", "Roe")) + Person(Text("FullName", big))));
    OpenDatabase open(path);
    LNDocumentArray docs = open.Search("@All");
    ASSERT_EQ(docs.GetCount(), 3u);
    const struct {
        size_t doc;
        const char* item;
        bool known;
        bool present;
        std::vector<std::string> values;
    } cases[] = {
        {0, "fullname", true, true, {"Ann Lee"}},  // kept, names compare ignoring case
        {1, "FullName", true, false, {}},          // kept: the document has none
        {2, "FullName", false, false, {}},         // too large to keep
        {0, "LastName", false, false, {}},         // no view sorts or selects by it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.doc) + " " + c.item);
        LNDocument doc = docs[c.doc];
        std::vector<std::string> values{"stale"};
        bool present = !c.present;
        ASSERT_EQ(doc.GetSummaryValues(c.item, &values, &present), c.known);
        EXPECT_FALSE(doc.IsOpen());
        if (!c.known) continue;
        EXPECT_EQ(present, c.present);
        EXPECT_EQ(values, c.values);
    }
}
