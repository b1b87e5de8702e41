#include <renderings/render.h>
#include <store/pdf.h>

#include <msg_reader.h>
#include <sanitizer_build.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "growth.h"

using namespace store;
using testsupport::Quote;

namespace {

// The PDF's text as pdftotext extracts it, without white space. Only NFC
// applies: a reader searching or copying the text must get the characters
// themselves, not look-alikes (ligatures, CJK radicals) or nothing (emoji).
std::string PdfText(const std::string& pdf) {
    const char* script = R"(
import subprocess, sys, unicodedata
text = subprocess.run(['pdftotext', '-enc', 'UTF-8', sys.argv[1], '-'], check=True, capture_output=True).stdout.decode('utf-8')
sys.stdout.write(''.join(unicodedata.normalize('NFC', text).split()))
)";
    auto r = testsupport::RunPython(script, Quote(pdf));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    return r.out;
}

std::string NoSpaces(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c); }), s.end());
    return s;
}

// "Pages" and every distinct "Page N size" line of pdfinfo.
std::pair<int, std::set<std::string>> PageSizes(const std::string& pdf) {
    auto r = testsupport::Run("pdfinfo -f 1 -l 9999 " + Quote(pdf));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    int pages = 0;
    std::set<std::string> sizes;
    std::stringstream ss(r.out);
    for (std::string line; std::getline(ss, line);) {
        if (line.rfind("Pages:", 0) == 0) pages = std::stoi(line.substr(6));
        size_t at = line.find(" size:");
        if (line.rfind("Page", 0) == 0 && at != std::string::npos) sizes.insert(NoSpaces(line.substr(at + 6)));
    }
    return {pages, sizes};
}

// Qt writes the A4 media box in whole points, which pdfinfo still names A4.
const std::string kA4 = NoSpaces("595 x 842 pts (A4)");

}  // namespace

TEST(Pdf, ContactPageComesOutOnA4WithEveryScript) {
    REQUIRE_TOOL("pdftotext");
    REQUIRE_TOOL("pdfinfo");
    testsupport::TempDir dir;
    struct Case { const char* script; const char* text; };
    const Case cases[] = {
        {"Latin", "Zo\xC3\xAB \xC3\x85str\xC3\xB6m \xC5\xBB\xC3\xB3\xC5\x82\xC4\x87"},
        {"Greek", "\xCE\x91\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xAC"},
        {"Cyrillic", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
        {"Chinese", "\xE5\x8C\x97\xE4\xBA\xAC\xE5\xB8\x82"},
        {"Japanese", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xB2\xE3\x82\x89\xE3\x81\x8C\xE3\x81\xAA"},
        {"Korean", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
    };
    contacts::Contact contact;
    contact.fullName = "Anna <Berg> & Co";
    for (const auto& c : cases) contact.notes.richText += std::string(c.text) + "\n";
    std::string pdf = dir / "c.pdf";
    ASSERT_TRUE(ConvertHTMLToPDF(renderings::RenderContact(contact, renderings::Format::Html), pdf));

    auto [pages, sizes] = PageSizes(pdf);
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(sizes, std::set<std::string>{kA4});
    std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Anna<Berg>&Co"), std::string::npos) << "markup in values is text, not tags: " << text;
    for (const auto& c : cases) EXPECT_NE(text.find(NoSpaces(c.text)), std::string::npos) << c.script << ": " << text;
}

TEST(Pdf, DistributionListShowsItsNameAndEveryMember) {
    REQUIRE_TOOL("pdftotext");
    testsupport::TempDir dir;
    const contacts::DistributionList list{"Lektorat <&>",
                                          "",
                                          {{"Effi Hoffmann", "effi.hoffmann@offizin.example", contacts::MemberKind::Address},
                                           {"\xD0\x9C\xD0\xB8\xD1\x8F", "", contacts::MemberKind::NameOnly}},
                                          {}};
    const std::string pdf = dir / "list.pdf";
    ASSERT_TRUE(ConvertHTMLToPDF(renderings::RenderDistributionList(list, renderings::Format::Html), pdf));
    const std::string text = PdfText(pdf);
    for (const char* shown : {"Lektorat<&>", "Members2", "EffiHoffmann<effi.hoffmann@offizin.example>", "\xD0\x9C\xD0\xB8\xD1\x8F"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << ": " << text;
}

TEST(Pdf, LongDocumentsFlowOverA4Pages) {
    testsupport::TempDir dir;
    std::string html = "<html><body>";
    for (int i = 0; i < 300; ++i) html += "<p>Paragraph " + std::to_string(i) + "</p>";
    html += "</body></html>";
    std::string pdf = dir / "long.pdf";
    ASSERT_TRUE(ConvertHTMLToPDF(html, pdf));
    auto [pages, sizes] = PageSizes(pdf);
    EXPECT_GT(pages, 3);
    EXPECT_EQ(sizes, std::set<std::string>{kA4});
    std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Paragraph0"), std::string::npos);
    EXPECT_NE(text.find("Paragraph299"), std::string::npos);
}

TEST(Pdf, HtmlFilesAreReadWithTheirByteOrderMarks) {
    testsupport::TempDir dir;
    const std::u16string body = u"<p>Stra\u00DFe \u0416 \u6771</p>";
    auto utf16 = [&](bool bigEndian) {
        std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (char16_t c : body) {
            char hi = char(c >> 8), lo = char(c & 0xFF);
            out += bigEndian ? hi : lo;
            out += bigEndian ? lo : hi;
        }
        return out;
    };
    const std::string utf8 = "<p>Stra\xC3\x9F" "e \xD0\x96 \xE6\x9D\xB1</p>";
    struct Case { const char* what; std::string bytes; };
    const Case cases[] = {
        {"UTF-8 without mark", utf8},
        {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
        {"UTF-16LE", utf16(false)},
        {"UTF-16BE", utf16(true)},
    };
    for (const auto& c : cases) {
        std::string html = dir / "in.html", pdf = dir / "out.pdf";
        std::ofstream(html, std::ios::binary) << c.bytes;
        ConvertHtml2Pdf(html, pdf);
        EXPECT_EQ(PdfText(pdf), "Stra\xC3\x9F" "e\xD0\x96\xE6\x9D\xB1") << c.what;
    }
}

TEST(Pdf, MissingHtmlDoesNothingAndAnExistingPdfIsReplaced) {
    testsupport::TempDir dir;
    std::string pdf = dir / "c.pdf";
    ConvertHtml2Pdf(dir / "missing.html", pdf);
    EXPECT_FALSE(std::filesystem::exists(pdf));

    std::ofstream(pdf) << "old";
    ConvertHtml2Pdf(dir / "missing.html", pdf);
    EXPECT_EQ(testsupport::ReadFile(pdf), "old") << "no HTML, no change";

    std::string html = dir / "c.html";
    std::ofstream(html) << "<p>Replaced</p>";
    ConvertHtml2Pdf(html, pdf);
    EXPECT_EQ(PdfText(pdf), "Replaced");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "no temporary file left";
}

TEST(Pdf, BrokenMarkupKeepsWhatCanBeRendered) {
    testsupport::TempDir dir;
    struct Case { const char* what; std::string html; std::string text; };
    const Case cases[] = {
        {"unclosed tags", "<table><tr><td>Before<td><b>Bold <i>text", "BeforeBoldtext"},
        {"stray closing tags", "</div></table>Plain</p> words", "Plainwords"},
        {"binary garbage after text", std::string("<p>Kept</p>") + std::string("\x01\x02\xFF\xFE<\x00>", 7), "Kept"},
    };
    for (const auto& c : cases) {
        std::string pdf = dir / "b.pdf";
        ASSERT_TRUE(ConvertHTMLToPDF(c.html, pdf)) << c.what;
        EXPECT_EQ(PdfText(pdf).substr(0, c.text.size()), c.text) << c.what;
    }
}

TEST(Pdf, HostileMarkupIsRenderedNotFatal) {
    testsupport::TempDir dir;
    std::string nested;
    for (int i = 0; i < 300; ++i) nested += "<table><tr><td>";
    struct Case { const char* what; std::string html; std::string text; };
    const Case cases[] = {
        // Font sizes past what Qt's font engines survive.
        {"a font larger than any page", "<p style='font-size:100000pt'>B</p><p style='font-size:2147483647px'>C</p>", "BC"},
        {"a megabyte without a space in a cell", "<table><tr><td>" + std::string(1 << 20, 'w') + "</td><td>end</td></tr></table>", "end"},
        {"tables nested 300 deep", nested + "deep", "deep"},
        // Qt gives such a letter a fall-back font without a family name.
        {"a letter no installed font has", "<p>abc \xDE\xB1 xyz</p>", "abc"},
        {"the letters after it", "<p>abc \xDE\xB1 xyz</p>", "xyz"},
        // It has no glyph; the line break stays a line break.
        {"the private-use character the line breaks travel as", "<p>a\xEE\x80\x80" "b<br>c</p>", "abc"},
    };
    for (const auto& c : cases) {
        const std::string pdf = dir / "h.pdf";
        ASSERT_TRUE(ConvertHTMLToPDF(c.html, pdf)) << c.what;
        const std::string text = PdfText(pdf);
        EXPECT_NE(text.find(c.text), std::string::npos) << c.what << ": " << text.substr(0, 200);
    }
}

TEST(Pdf, UnwritableTargetFailsAndLeavesNothing) {
    testsupport::TempDir dir;
    EXPECT_FALSE(ConvertHTMLToPDF("<p>x</p>", dir / "missing/out.pdf"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(Pdf, WorkerThreadsOneAfterAnotherCanConvert) {
    // Each export runs on a worker thread of its own; the application object
    // made for the first one must serve the ones after it.
    testsupport::TempDir dir;
    for (int run = 0; run < 3; ++run) {
        bool ok = false;
        std::thread worker([&] { ok = ConvertHTMLToPDF("<p>Run " + std::to_string(run) + "</p>", dir / "t.pdf"); });
        worker.join();
        EXPECT_TRUE(ok) << run;
        EXPECT_EQ(PdfText(dir / "t.pdf"), "Run" + std::to_string(run));
    }
}

TEST(Pdf, TextComesBackAsTheCharactersItWasMadeOf) {
    REQUIRE_TOOL("pdftotext");
    testsupport::TempDir dir;
    struct Case { const char* what; const char* text; const char* expected; };
    const Case cases[] = {
        {"letters fonts join into ligatures", "Hoffmann office affluent fjord flow", nullptr},
        {"Greek, with mu beside micro", "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 \xCE\xBC \xC2\xB5", nullptr},
        {"Cyrillic", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", nullptr},
        {"CJK ideographs sharing glyphs with radicals", "\xE5\xB1\xB1\xE7\x94\xB0 \xE6\x97\xA5\xE6\x9C\xAC \xE6\x9D\xB1\xE4\xBA\xAC \xED\x95\x9C\xEA\xB5\xAD", nullptr},
        {"emoji past U+FFFF, with modifier and flag", "\xF0\x9F\x98\x80 \xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD \xF0\x9F\x87\xA9\xF0\x9F\x87\xAA", nullptr},
        {"a decomposed letter comes back composed", "Zoe\xCC\x88", "Zo\xC3\xAB"},
    };
    for (const auto& c : cases) {
        const std::string pdf = dir / "t.pdf";
        ASSERT_TRUE(ConvertHTMLToPDF(std::string("<p>") + c.text + "</p>", pdf)) << c.what;
        EXPECT_EQ(PdfText(pdf), NoSpaces(c.expected ? c.expected : c.text)) << c.what;
    }
}

namespace {

// A contact whose notes hold `lines` short lines, as the export renders it.
std::string ContactWithLongNotes(int lines) {
    contacts::Contact contact;
    contact.fullName = "Anna Berg";
    for (int i = 0; i < lines; ++i) contact.notes.richText += "Line " + std::to_string(i) + "\r\n";
    return renderings::RenderContact(contact, renderings::Format::Html);
}

}  // namespace

// The body used to stall the layout for ever past 45,000 lines, and laying
// out a page cost time in proportion to the whole body.
TEST(Pdf, AHundredThousandLineBodyRendersInTimeInProportion) {
    testsupport::TempDir dir;
    const std::string pdf = dir / "long.pdf";
    int rendered = 0;  // the lines of the last body laid out
    const double growth = testsupport::GrowthRatio(
        [&](int lines) {
            rendered = lines;
            ASSERT_TRUE(ConvertHTMLToPDF(ContactWithLongNotes(lines), pdf));
        },
        25000, 100000, 1);
    EXPECT_LT(growth, testsupport::LinearGrowthBound(25000, 100000));
    auto [pages, sizes] = PageSizes(pdf);
    EXPECT_GT(pages, rendered / 100);
    EXPECT_EQ(sizes, std::set<std::string>{kA4});
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find("Notes"), std::string::npos);
    EXPECT_NE(text.find("Line0Line1Line2"), std::string::npos);
    EXPECT_NE(text.find("Line" + std::to_string(rendered - 2) + "Line" + std::to_string(rendered - 1)), std::string::npos);
}

// Peak memory used to be 85 times the body; the rendering's growth with the
// body stays within a few times its text (what the probe itself holds, the
// notes, the contact and its HTML page, counted in).
TEST(Pdf, MemoryGrowsWithTheBodyByAFewTimesItsText) {
#ifdef FERRYWELL_SANITIZER_BUILD
    GTEST_SKIP() << "a sanitizer's shadow memory says nothing about the program's own";
#endif
    testsupport::TempDir dir;
    auto peakKiB = [&](int lines) {
        auto r = testsupport::Run(Quote(std::string(FERRYWELL_BIN_DIR) + "/../tests/pdf_memory_probe") + " " +
                                   std::to_string(lines) + " " + Quote(dir / "m.pdf") + " 2>/dev/null");
        EXPECT_EQ(r.exitCode, 0) << r.out;
        return std::stol(r.out);
    };
    size_t body = 0;
    for (int i = 0; i < 100000; ++i) body += ("Line " + std::to_string(i) + "\r\n").size();
    const long grown = peakKiB(100000) - peakKiB(1000);
    EXPECT_LT(grown * 1024, long(12 * body)) << grown << " KiB for a body of " << body << " bytes";
}

TEST(Pdf, AStopRequestEndsTheRenderingWithinMomentsAndWritesNothing) {
    testsupport::TempDir dir;
    const std::string html = ContactWithLongNotes(100000);
    const std::string pdf = dir / "c.pdf";
    std::ofstream(pdf) << "old";
    // Stop at the third question, a few windows of text in: from then on
    // the renderer must give up at once.
    int asked = 0;
    const auto outcome = RenderHtmlToPdf(html, pdf, [&] { return ++asked >= 3; });
    EXPECT_EQ(outcome, PdfOutcome::Stopped);
    EXPECT_EQ(asked, 3);  // it asks no more once told to stop
    EXPECT_EQ(testsupport::ReadFile(pdf), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "no temporary file left";
}

TEST(Pdf, RenderersOnSeveralThreadsAtOnce) {
    testsupport::TempDir dir;
    constexpr int kThreads = 3;
    const char* texts[kThreads] = {"Hoffmann", "\xE5\xB1\xB1\xE7\x94\xB0", "\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"};
    std::vector<std::thread> threads;
    std::atomic<int> written{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 3; ++round) {
                std::string html = "<p>" + std::string(texts[t]) + "</p><table><tr><td>" + std::to_string(round) + "</td></tr></table>";
                if (ConvertHTMLToPDF(html, dir / ("t" + std::to_string(t) + "-" + std::to_string(round) + ".pdf"))) ++written;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(written.load(), kThreads * 3);
    for (int t = 0; t < kThreads; ++t)
        for (int round = 0; round < 3; ++round)
            EXPECT_EQ(PdfText(dir / ("t" + std::to_string(t) + "-" + std::to_string(round) + ".pdf")), texts[t] + std::to_string(round));
}
