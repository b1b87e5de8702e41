// The tokenizer that reads plainly written documents without expat, against
// expat itself: on real and crafted documents and on mangled ones, either it
// declines or both give the same items.
#include "index.h"
#include "plain_xml.h"

#include "support/temp_files.h"
#include "support/growth.h"
#include "support/tool_runner.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace notesapi;
using namespace testsupport;

// Named, so that its helpers meet no other test's in a unity build.
namespace plain_reading_test {

namespace {

// Everything a document's items hold, as one text.
std::string Describe(const DocumentItems& d) {
    std::string s;
    for (const Item& item : d.items) {
        s += "[" + item.name + "] " + std::to_string(int(item.type)) + (item.names ? " names" : "") +
             (item.shape == NameShape(item.name) ? "" : " bad shape") + "\n";
        for (std::string_view v : item.values) s.append("  v:").append(v).append("\n");
        for (const LNDatetime& dt : item.dates) s += "  d:" + dt.Text() + " " + std::to_string(dt.ToFileTime()) + "\n";
    }
    for (const auto& a : d.attachments) s += "file " + a->name + ": " + a->base64 + "\n";
    return s;
}

// A file in memory holding bytes, closed at the end.
class MemoryFile {
public:
    explicit MemoryFile(const std::string& bytes) : fd_(::memfd_create("document", 0)) {
        EXPECT_GE(fd_, 0);
        EXPECT_EQ(::write(fd_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    ~MemoryFile() { ::close(fd_); }
    int Fd() const { return fd_; }

private:
    int fd_;
};

struct Outcome {
    bool plain = false;      // the tokenizer accepted the document
    bool expat = false;      // expat read it without error
    std::string plainItems;  // what each read
    std::string expatItems;
    bool untouched = true;   // the tokenizer declined and left nothing behind
};

Outcome ReadBoth(int fd, const DocumentSpan& span) {
    Outcome o;
    DocumentItems fast, slow;
    o.plain = ReadPlainDocument(fd, span, &fast);
    o.plainItems = Describe(fast);
    if (!o.plain) o.untouched = fast.items.empty() && fast.attachments.empty();
    o.expat = !ReadDocumentWithExpat(fd, span, "test.dxl", "", &slow);
    o.expatItems = Describe(slow);
    return o;
}

Outcome ReadBoth(const std::string& document) {
    MemoryFile file(document);
    return ReadBoth(file.Fd(), DocumentSpan{0, document.size(), 0, 0});
}

// Whenever both read a document, they read the same; a refusal leaves nothing.
void ExpectAgree(const Outcome& o, const std::string& what) {
    if (o.plain && o.expat) {
        EXPECT_EQ(o.plainItems, o.expatItems) << what;
    }
    EXPECT_TRUE(o.untouched) << what;
}

std::string DocumentXml(const std::string& items) { return "<document form='Person'>" + items + "</document>"; }
std::string ItemXml(const std::string& name, const std::string& body) {
    return "<item name='" + name + "'>" + body + "</item>";
}

const std::string kRichText =
    "<item name='Body'><richtext><pardef id='1'/><par def='1'>Line &amp; one<break/>two\tthree</par>"
    "<par>A <urllink href='http://x.org/?a=1&amp;b=2'>link</urllink> and "
    "<urllink href='http://y.org'>http://y.org</urllink></par>"
    "<table><tablerow><tablecell><par>c1</par><par>c1b</par></tablecell><tablecell><par>c2</par></tablecell></tablerow></table>"
    "<par><picture><gif>R0lGOD</gif></picture> after <attachmentref name='a.txt' displayname='shown'/>"
    "<computedtext><code event='value'><formula>@Now</formula></code></computedtext></par>"
    "<section><sectiontitle>Title</sectiontitle><par>inside</par></section></richtext></item>";

const std::string kAttachment =
    "<item name='$FILE'><object><file hosttype='msdos' name='a&amp;b.txt'><filedata>QUJD\r\nREVG</filedata></file>"
    "</object></item>";

const std::vector<std::string>& CorpusDocuments();

// Everything a parser reports as one text: each tag starts with a byte no
// XML text holds, then its name and attributes in order.
void RecordStart(void* log, const XML_Char* name, const XML_Char** atts) {
    std::string& s = *static_cast<std::string*>(log);
    s += std::string("\x01<") + name;
    for (size_t i = 0; atts[i]; i += 2) s += std::string(" ") + atts[i] + "=[" + atts[i + 1] + "]";
    s += '>';
}
void RecordEnd(void* log, const XML_Char* name) { *static_cast<std::string*>(log) += std::string("\x01</") + name + ">"; }
void RecordText(void* log, const XML_Char* s, int n) { static_cast<std::string*>(log)->append(s, size_t(n)); }

// The tokenizer, on a copy of exactly the document's size (where the
// sanitizer build sees any access past it), and a namespace-aware expat
// parser report the same, whenever both read the document. Whether the
// tokenizer read it.
bool ExpectSameEvents(const std::string& doc, const std::string& what) {
    std::string plain, expat;
    auto bytes = std::make_unique<char[]>(doc.size());
    std::copy(doc.begin(), doc.end(), bytes.get());
    const bool plainRead = ParsePlainXml(bytes.get(), doc.size(), {&plain, RecordStart, RecordEnd, RecordText});
    XML_Parser parser = XML_ParserCreateNS(nullptr, '|');
    XML_SetUserData(parser, &expat);
    XML_SetElementHandler(parser, RecordStart, RecordEnd);
    XML_SetCharacterDataHandler(parser, RecordText);
    const bool expatRead = XML_Parse(parser, doc.data(), int(doc.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    if (plainRead && expatRead) {
        EXPECT_EQ(plain, expat) << what;
    }
    return plainRead;
}

struct Crafted {
    const char* what;
    std::string document;
    bool plain;  // the tokenizer reads it (else it must decline)
};

// Documents written to reach each case of the tokenizer.
const std::vector<Crafted>& CraftedDocuments() {
    static const std::vector<Crafted> cases = {
        {"the five entities, in text and attributes",
         DocumentXml("<item name='&lt;&gt;&amp;&apos;&quot;'><text>&lt;a&gt; &amp; &apos;b&apos; &quot;c&quot;</text></item>"), true},
        {"character references, decimal and hexadecimal, at the edges of XML's characters",
         DocumentXml(ItemXml("R&#65;&#x42;", "<text>&#13;&#10;&#9;&#x10FFFF;&#xD7FF;&#xE000;&#xFFFD;&#x10000;&#0065;&#x00e9;&#233;</text>")),
         true},
        {"character references in attributes keep their white space",
         DocumentXml("<item name='a&#9;b&#10;c&#13;d'><text>x</text></item>"), true},
        {"line ends in text: CR LF and a lone CR become LF",
         DocumentXml(ItemXml("A", "<text>one\r\ntwo\rthree\n\rfour\r\r\nfive\r</text>")), true},
        {"white space in attribute values becomes spaces, CR LF one space",
         DocumentXml("<item name='a\tb\nc\r\nd\re  f'><text>x</text></item>"), true},
        {"CDATA sections are character data",
         DocumentXml(ItemXml("A", "<text>a<![CDATA[<b>&amp;]]]]><![CDATA[\r\nc\rd]]>e<![CDATA[]]></text>")), true},
        {"comments and processing instructions are skipped",
         "<?pi before?><!-- a comment -->\n" +
             DocumentXml(ItemXml("A", "<text>a<!-- x - y -->b<?target data?>c<?t?></text>") + "<!---->") + "\n<!-- after --><?pi?>\n",
         true},
        {"self-closing tags, both quotes, space around =",
         DocumentXml("<item name = \"A\" names=\"true\" ><text/><text  >v</text ><number>1.5</number></item>"
             "<item\nname\t=\n'B'/>"), true},
        {"'>' and the other quote in attribute values",
         DocumentXml("<item name='a>b\"c'><text>1</text></item><item name=\"d'>e\"><text>2</text></item>"), true},
        {"']' and ']]' in text", DocumentXml(ItemXml("A", "<text>a]b]]c] ]>d</text>")), true},
        {"dates, numbers and text lists", DocumentXml(ItemXml("D", "<datetimelist><datetime>20240102T030405,06-05</datetime>"
                                                        "<datetime>19990101</datetime><datetime>bad</datetime></datetimelist>") +
                                              ItemXml("N", "<numberlist><number>1</number><number>2</number></numberlist>") +
                                              ItemXml("T", "<textlist><text>a</text><text></text><text>c</text></textlist>")),
         true},
        {"rich text, nested", DocumentXml(kRichText), true},
        {"an attachment", DocumentXml(kAttachment + ItemXml("Other", "<text>t</text>")), true},
        {"non-ASCII text and attribute values", DocumentXml("<item name='Zoltán 太郎'><text>Ελένη 𝄞 \xEF\xBF\xBD</text></item>"), true},
        {"an element that is not an item, and unknown elements in items",
         DocumentXml("<noteinfo noteid='1'><item name='In'><text>no</text></item></noteinfo>" +
             ItemXml("A", "<unknown a='1'><text>deep</text></unknown><text>v</text>")),
         true},
        {"an empty document", "<document/>", true},
        {"white space only around it", " \r\n\t<document></document>\r\n ", true},
        {"a prefixed element name", DocumentXml(ItemXml("A", "<x:text xmlns:x='urn:x'>v</x:text>")), false},
        {"a prefixed attribute name", DocumentXml("<item x:name='A' xmlns:x='urn:x'><text>v</text></item>"), false},
        {"a default namespace", "<document xmlns='http://www.lotus.com/dxl'>" + ItemXml("A", "<text>v</text>") + "</document>",
         false},
        {"a DOCTYPE", "<!DOCTYPE document>" + DocumentXml(ItemXml("A", "<text>v</text>")), false},
        {"another entity", DocumentXml(ItemXml("A", "<text>&nbsp;</text>")), false},
        {"a non-ASCII element name", DocumentXml(ItemXml("A", "<tëxt>v</tëxt><text>w</text>")), false},
        {"an XML declaration", "<?xml version='1.0'?>" + DocumentXml(ItemXml("A", "<text>v</text>")), false},
        {"a character reference to no XML character", DocumentXml(ItemXml("A", "<text>&#0;&#xFFFE;&#xD800;</text>")), false},
        {"a character reference past Unicode", DocumentXml(ItemXml("A", "<text>&#x110000;&#99999999999999999999;</text>")), false},
        {"an upper-case X in a character reference", DocumentXml(ItemXml("A", "<text>&#X41;</text>")), false},
        {"a control character", DocumentXml(ItemXml("A", "<text>a\x01</text>")), false},
        {"bad UTF-8: overlong, surrogate, cut", DocumentXml(ItemXml("A", "<text>\xC0\xAF \xED\xA0\x80 \xE2\x82</text>")), false},
        {"U+FFFF in text", DocumentXml(ItemXml("A", "<text>\xEF\xBF\xBF</text>")), false},
        {"]]> in text", DocumentXml(ItemXml("A", "<text>a]]>b</text>")), false},
        {"a processing instruction without space after its target", DocumentXml("<?t?x?>"), false},
        {"-- in a comment", DocumentXml(ItemXml("A", "<text>a<!-- x -- y -->b</text>")), false},
        {"< in an attribute value", DocumentXml("<item name='a<b'><text>v</text></item>"), false},
        {"an attribute without a value", DocumentXml("<item names><text>v</text></item>"), false},
        {"an attribute named twice", DocumentXml("<item name='A' names='true' name='B'><text>v</text></item>"), false},
        {"attributes not separated by space", DocumentXml("<item name='A'names='true'><text>v</text></item>"), false},
        {"an end tag that does not match", DocumentXml(ItemXml("A", "<text>v</txt>")), false},
        {"an end tag with a longer name", DocumentXml(ItemXml("A", "<text>v</texts></text>")), false},
        {"two elements", DocumentXml("") + DocumentXml(""), false},
        {"text after the element", DocumentXml("") + "x", false},
        {"an element left open", "<document><item name='A'><text>v</text>", false},
        {"nothing", "", false},
        {"an end tag before the element", "</document>" + DocumentXml(""), false},
        {"a '<' without a name", DocumentXml(ItemXml("A", "<text>< b</text>")), false},
        {"a tag cut at its end", "<document><item", false},
        {"a CDATA section outside the element", "<![CDATA[x]]>" + DocumentXml(""), false},
    };
    return cases;
}

}  // namespace

TEST(PlainReading, CraftedDocumentsReadAsExpatReadsThemOrAreDeclined) {
    for (const Crafted& c : CraftedDocuments()) {
        const Outcome o = ReadBoth(c.document);
        EXPECT_EQ(o.plain, c.plain) << c.what;
        if (c.plain) {
            EXPECT_TRUE(o.expat) << c.what;
            EXPECT_EQ(o.plainItems, o.expatItems) << c.what;
        }
        ExpectAgree(o, c.what);
        ExpectSameEvents(c.document, c.what);
    }
}

TEST(PlainReading, EveryDocumentOfTheSamplesAndOfALargeDatabaseReadsAsWithExpat) {
    TempDir dir;
    const std::string large = dir / "large.dxl";
    ASSERT_EQ(RunTool("/usr/bin/python3 " + Quote(std::string(FERRYWELL_SOURCE_DIR) + "/scripts/make-large-dxl.py") +
                      " 1500 " + Quote(large)),
              0);
    const std::string samples = std::string(FERRYWELL_SOURCE_DIR) + "/samples/";
    for (const std::string& path : {samples + "names.dxl", samples + "groups.dxl", samples + "fidelity.dxl", large}) {
        std::shared_ptr<const DatabaseIndex> index;
        ASSERT_FALSE(BuildIndex(path, &index)) << path;
        base::UniqueFd file;
        struct stat sb {};
        ASSERT_FALSE(OpenRegularFile(path, &file, &sb));
        const int fd = file.get();
        size_t plain = 0, skipped = 0;
        for (size_t d = 0; d < index->docs.size(); ++d) {
            const DocRecord& doc = index->docs[d];
            const DocumentSpan whole{doc.begin, doc.End(), 0, 0};
            const DocumentSpan skipping{doc.begin, doc.End(), doc.begin + doc.skipAt, doc.begin + doc.skipAt + doc.skipSize};
            for (const DocumentSpan& span : {whole, skipping}) {
                const Outcome o = ReadBoth(fd, span);
                ASSERT_TRUE(o.expat) << path << " document " << d;
                EXPECT_EQ(o.plainItems, o.expatItems) << path << " document " << d;
                plain += o.plain;
            }
            skipped += doc.skipSize > 0;
        }
        // Every document of these files is plainly written, with its note
        // information skipped or not.
        EXPECT_EQ(plain, 2 * index->docs.size()) << path;
        EXPECT_GT(skipped, 0u) << path;
    }
}

// Truncations, byte flips, insertions and deletions of real and crafted
// documents: never a crash (the sanitizer build checks every access), and
// whatever both read, they read alike.
TEST(PlainReading, MangledDocumentsNeverCrashAndReadAsExpatReadsThem) {
    std::vector<std::string> seeds = CorpusDocuments();
    for (const Crafted& c : CraftedDocuments())
        if (c.plain) seeds.push_back(c.document);
    constexpr int kRounds = 250;
    std::mt19937 random(20);
    const std::string interesting = "<>/&;#x'\"=!?-[]\r\n\t :\x80\xC3\xEF\xBF";
    size_t cases = 0, bothRead = 0;
    for (const std::string& seed : seeds) {
        for (int round = 0; round < kRounds; ++round) {
            std::string doc = seed;
            const int edits = random() % 3 ? 1 : 2;
            for (int e = 0; e < edits && !doc.empty(); ++e) {
                const size_t at = random() % doc.size();
                switch (random() % 5) {
                    case 0: doc.resize(at); break;
                    case 1: doc[at] = char(random()); break;
                    case 2: doc[at] = interesting[random() % interesting.size()]; break;
                    case 3: doc.insert(at, 1, interesting[random() % interesting.size()]); break;
                    default: doc.erase(at, 1 + random() % 8); break;
                }
            }
            const Outcome o = ReadBoth(doc);
            ExpectAgree(o, "mangled:\n" + doc);
            EXPECT_EQ(ExpectSameEvents(doc, "mangled:\n" + doc), o.plain);
            ++cases;
            bothRead += o.plain && o.expat;
        }
    }
    EXPECT_GT(cases, 2000u);
    EXPECT_GT(bothRead, cases / 20);  // the comparison is not empty
}

TEST(PlainReading, HugeNamesManyAttributesAndDeepNestingTakeLinearTime) {
    // n distinct attribute names of three letters, a name of 9n letters, n
    // levels of nesting, 9n characters of one kind in a text.
    auto readAll = [](int n) {
        std::string attributes;
        const std::string letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
        for (int i = 0; i < n; ++i)
            attributes += std::string(" ") + letters[i % 52] + letters[i / 52 % 52] + letters[i / 2704] + "=''";
        const std::string longName(9 * n, 'n');
        std::string deep = "<document><item name='A'>";
        for (int i = 0; i < n; ++i) deep += "<e>";
        deep += "<text>v</text>";
        for (int i = 0; i < n; ++i) deep += "</e>";
        deep += "</item></document>";
        const size_t run = 9 * n;
        const struct {
            std::string document;
            bool plain;
        } cases[] = {
            {DocumentXml("<item name='A'" + attributes + "><text>v</text></item>"), true},
            {DocumentXml("<item name='A'" + attributes + " aaa=''><text>v</text></item>"), false},  // a name twice
            {DocumentXml("<item name='A'><" + longName + "/><text>v</text></item>"), true},
            {DocumentXml("<item name='" + longName + "'><text>v</text></item>"), true},
            {deep, true},
            {DocumentXml(ItemXml("A", "<text>" + std::string(run, '&') + "</text>")), false},
            {DocumentXml(ItemXml("A", "<text><!--" + std::string(run, '-') + "</text>")), false},
            {DocumentXml(ItemXml("A", "<text>" + std::string(run, ']') + "</text>")), true},
        };
        for (const auto& c : cases) {
            const Outcome o = ReadBoth(c.document);
            EXPECT_EQ(o.plain, c.plain) << c.document.substr(0, 60);
            ExpectAgree(o, c.document.substr(0, 60));
        }
    };
    EXPECT_LT(testsupport::GrowthRatio(readAll, 25000, 100000, 1), testsupport::LinearGrowthBound(25000, 100000));
}

namespace {

// The documents of the bundled samples, as bytes.
const std::vector<std::string>& CorpusDocuments() {
    static const std::vector<std::string> documents = [] {
        std::vector<std::string> out;
        const std::string samples = std::string(FERRYWELL_SOURCE_DIR) + "/samples/";
        for (const std::string& path : {samples + "names.dxl", samples + "fidelity.dxl"}) {
            std::shared_ptr<const DatabaseIndex> index;
            if (BuildIndex(path, &index)) continue;
            const std::string bytes = ReadFile(path);
            for (size_t d = 0; d < index->docs.size(); d += 3)
                out.push_back(bytes.substr(index->docs[d].begin, index->docs[d].size));
        }
        return out;
    }();
    return documents;
}

}  // namespace

}  // namespace plain_reading_test
