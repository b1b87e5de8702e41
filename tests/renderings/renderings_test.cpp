// The renderings of a contact as outside readers see them: every value under
// its label in Outlook's order, escaped and cleaned, in every format.
#include <renderings/render.h>

#include <base/utf.h>
#include <mapi/contact.h>

#include <msg_reader.h>

#include <gtest/gtest.h>

#include "contact_fixture.h"

using namespace renderings;
using mapi::ContactField;
using testsupport::HaveTool;
using testsupport::Quote;

namespace {

using contact_fixture::kHostile;

using Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string kScripts = "Zo\xC3\xAB \xCE\xB1\xCE\xB2\xCE\xB3 \xD0\x96\xD0\xB8\xD0\xB7 \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80";

// A text value of the full contact: the field's name, scripts and markup.
std::string FullValue(std::string_view name) { return std::string(name) + " " + kScripts + " " + kHostile; }

const std::string kFullBody = "first line\r\nsecond line\t" + kScripts + "\n" + std::string(120, 'n');

// A contact with every value set; texts mix markup, separators and scripts.
contacts::Contact FullContact() {
    contacts::Contact c = contact_fixture::EveryText(FullValue);
    for (auto* list : {&c.children, &c.categories}) {
        const char* name = list == &c.children ? "Children" : "Categories";
        *list = {std::string(name) + " " + kScripts, " ", "second, " + kHostile};
    }
    c.notes.richText = kFullBody;
    c.birthday = contacts::CalendarDay{1970, 1, 1};
    c.anniversary = contacts::CalendarDay{2000, 1, 1};
    return c;
}

// Labels and values as every rendering must show them, in the order and with
// the labels of Outlook's fields; the subject is also the conversation topic.
Pairs ExpectedPairs(const contacts::Contact& c) {
    Pairs out;
    for (const auto& f : mapi::ContactFields()) {
        if (f.field == ContactField::Birthday || f.field == ContactField::Anniversary) {
            out.emplace_back(f.label, f.field == ContactField::Birthday ? "1970-01-01" : "2000-01-01");
        } else if (f.field == ContactField::Children || f.field == ContactField::Categories) {
            std::string v;
            for (const auto& value : f.field == ContactField::Children ? c.children : c.categories)
                if (value != " ") v += (v.empty() ? "" : "\n") + value;  // one value a line; blank ones left out
            out.emplace_back(f.label, v);
        } else if (f.field == ContactField::Body) {
            std::string v = kFullBody;
            for (size_t p; (p = v.find("\r\n")) != std::string::npos;) v.replace(p, 2, "\n");
            out.emplace_back(f.label, v);
        } else if (f.key.type == mapi::PropType::Unicode && f.field != ContactField::To && f.field != ContactField::CC &&
                   f.field != ContactField::BCC) {
            out.emplace_back(f.label, FullValue(f.field == ContactField::ConversationTopic ? "Subject" : f.name));
        }
    }
    return out;
}

Pairs FromText(const std::string& text) {
    Pairs out;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) {
        if (line.rfind("    ", 0) == 0 && !out.empty()) {
            out.back().second += "\n" + line.substr(4);
            continue;
        }
        size_t colon = line.find(": ");
        out.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return out;
}

// Plain text of an RTF document: \uN, escaped symbols, \par and \line; the
// font table is skipped. Line breaks inside a paragraph come back as '\v'.
std::string RtfToText(const std::string& rtf) {
    std::string out;
    std::u16string pending;
    auto flush = [&] { out += base::Utf16ToUtf8(pending); pending.clear(); };
    int depth = 0, skipBelow = -1;
    for (size_t i = 0; i < rtf.size(); ++i) {
        char c = rtf[i];
        if (c == '{') { ++depth; continue; }
        if (c == '}') { if (depth == skipBelow) skipBelow = -1; --depth; continue; }
        if (c == '\r' || c == '\n') continue;
        if (c != '\\') { if (skipBelow < 0) { flush(); out += c; } continue; }
        char n = rtf[++i];
        if (n == '\\' || n == '{' || n == '}') { if (skipBelow < 0) { flush(); out += n; } continue; }
        std::string word;
        while (i + 1 < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf[i]))) word += rtf[i++];
        std::string num;
        while (i < rtf.size() && (std::isdigit(static_cast<unsigned char>(rtf[i])) || rtf[i] == '-')) num += rtf[i++];
        if (rtf[i] != ' ') --i;
        if (word == "fonttbl") skipBelow = depth;
        if (skipBelow >= 0) continue;
        if (word == "u") { pending += char16_t(int16_t(std::stoi(num))); if (rtf[i + 1] == '?') ++i; }
        else if (word == "par") { flush(); out += '\n'; }
        else if (word == "line") { flush(); out += '\v'; }
        else if (word == "tab") { flush(); out += '\t'; }
    }
    flush();
    return out;
}

Pairs FromRtf(const std::string& rtf) {
    std::string text = RtfToText(rtf);
    Pairs out;
    std::stringstream ss(text);
    std::string line;
    std::getline(ss, line);  // title
    while (std::getline(ss, line)) {
        if (line.empty()) continue;
        for (char& c : line) if (c == '\v') c = '\n';
        size_t colon = line.find(": ");
        out.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
    return out;
}

// The text unrtf (an outside RTF reader) finds in an RTF file: its HTML
// output without tags, character references decoded (it writes characters
// beyond the BMP as two references, one per UTF-16 unit, and a tab as the
// no-break spaces up to the next tab stop and a line end).
const char* kUnrtfText = R"(
import sys, re, html, subprocess
out = subprocess.run(['unrtf', '--html', sys.argv[1]], capture_output=True, check=True).stdout.decode('utf-8')
body = re.sub('(&nbsp;)+\n', '\t', out.split('<body>', 1)[1].split('</body>', 1)[0]).replace('\n', '')
body = re.sub(r'<[^>]*>', '', body.replace('<br>', '\n'))
body = re.sub(r'&#(\d+);', lambda m: chr(int(m.group(1))), body)
sys.stdout.write(html.unescape(body).encode('utf-16-le', 'surrogatepass').decode('utf-16-le'))
)";

// Labelled values from lines of text: a line that starts with one of the
// expected labels and ": " starts a value, any other line after one
// continues it (unrtf shows paragraph and line breaks alike).
Pairs FromLabelledLines(const std::string& text, const Pairs& expected) {
    Pairs out;
    std::stringstream ss(text);
    for (std::string line; std::getline(ss, line);) {
        if (line.empty()) continue;
        bool starts = false;
        for (const auto& [label, value] : expected) {
            if (line.rfind(label + ": ", 0) == 0) {
                out.emplace_back(label, line.substr(label.size() + 2));
                starts = true;
                break;
            }
        }
        if (!starts && !out.empty()) out.back().second += "\n" + line;
    }
    return out;
}

// Reads the table rows of an HTML page (or of the HTML part of an MHTML
// message) with Python's own parsers; prints label and value, tab-separated,
// with line breaks as "\n".
const char* kHtmlRows = R"(
import sys, email, email.policy
from html.parser import HTMLParser
data = open(sys.argv[1], 'rb').read()
if sys.argv[2] == 'mhtml':
    m = email.message_from_bytes(data, policy=email.policy.default)
    assert m.get_content_type() == 'multipart/related', m.get_content_type()
    parts = [p for p in m.iter_parts()]
    assert len(parts) == 1 and parts[0].get_content_type() == 'text/html'
    print('SUBJECT\t' + str(m['subject']))
    html = parts[0].get_content()
else:
    html = data.decode('utf-8')
class Rows(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.cell = None; self.row = []; self.rows = []
    def handle_starttag(self, tag, attrs):
        if tag in ('th', 'td'): self.cell = ''
        elif tag == 'br' and self.cell is not None: self.cell += '\n'
    def handle_endtag(self, tag):
        if tag in ('th', 'td'): self.row.append(self.cell); self.cell = None
        elif tag == 'tr': self.rows.append(self.row); self.row = []
    def handle_data(self, d):
        if self.cell is not None: self.cell += d
p = Rows(); p.feed(html)
for r in p.rows:
    print('\t'.join(c.replace('\\', '\\\\').replace('\n', '\\n') for c in r))
)";

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) { out += s[i + 1] == 'n' ? '\n' : s[i + 1]; ++i; }
        else out += s[i];
    }
    return out;
}

Pairs FromPython(const std::string& out, std::string* subject = nullptr) {
    Pairs rows;
    std::stringstream ss(out);
    for (std::string line; std::getline(ss, line);) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        if (line.rfind("SUBJECT\t", 0) == 0) { if (subject) *subject = line.substr(tab + 1); continue; }
        rows.emplace_back(Unescape(line.substr(0, tab)), Unescape(line.substr(tab + 1)));
    }
    return rows;
}

}  // namespace

TEST(Renderings, TextIsOneLabelledLinePerSetProperty) {
    contacts::Contact c;
    c.lastName = "Berg";
    c.firstName = "Anna";
    c.emails = {"anna@example.org"};
    c.spouse = " ";  // a blank value shows nothing
    c.notes.richText = "one\r\ntwo";
    c.birthday = contacts::CalendarDay{1970, 1, 1};
    EXPECT_EQ(RenderContact(c, Format::Text),
              "First Name: Anna\nLast Name: Berg\nE-mail: anna@example.org\nBirthday: 1970-01-01\nNotes: one\n    two\n");
}

TEST(Renderings, EveryFormatShowsEveryValueInTheSameOrder) {
    testsupport::TempDir dir;
    const contacts::Contact contact = FullContact();
    const Pairs expected = ExpectedPairs(contact);
    ASSERT_EQ(expected.size(), 62u);

    struct Case { const char* what; Format type; const char* file; };
    const Case cases[] = {
        {"text", Format::Text, "c.txt"}, {"RTF", Format::Rtf, "c.rtf"}, {"DOC", Format::Doc, "c.doc"},
        {"HTML", Format::Html, "c.html"}, {"MHTML", Format::Mhtml, "c.mhtml"},
    };
    for (const auto& c : cases) {
        std::string path = dir.Write(c.file, RenderContact(contact, c.type));
        std::string bytes = testsupport::ReadFile(path);
        Pairs got;
        switch (c.type) {
            case Format::Text: got = FromText(bytes); break;
            case Format::Rtf:
            case Format::Doc:
                EXPECT_EQ(bytes.rfind("{\\rtf1", 0), 0u);
                EXPECT_EQ(bytes.find_first_of("\x80\xFF"), std::string::npos) << "RTF must be 7-bit";
                got = FromRtf(bytes);
                if (HaveTool("unrtf")) {
                    auto r = testsupport::RunPython(kUnrtfText, Quote(path));
                    ASSERT_EQ(r.exitCode, 0) << c.what << "\n" << r.out;
                    EXPECT_EQ(FromLabelledLines(r.out, expected), expected) << c.what << " read by unrtf";
                } else {
                    ADD_FAILURE() << "checking tool missing: unrtf";
                }
                break;
            default: {
                auto r = testsupport::RunPython(kHtmlRows, Quote(path) + (c.type == Format::Mhtml ? " mhtml" : " html"));
                ASSERT_EQ(r.exitCode, 0) << c.what << "\n" << r.out;
                std::string subject;
                got = FromPython(r.out, &subject);
                if (c.type == Format::Mhtml) {
                    EXPECT_EQ(subject, contact.fullName);
                }
            }
        }
        EXPECT_EQ(got, expected) << c.what;
    }
}

TEST(Renderings, HtmlIsACompleteEscapedUtf8Page) {
    contacts::Contact c;
    c.fullName = "<script>alert(1)</script>";
    std::string html = RenderContact(c, Format::Html);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

// Mail readers take the MHTML file for a message: its header set must be
// one Python's strict parser finds nothing wrong with, whatever the title.
TEST(Renderings, MhtmlHeadersAreAValidMessageHeader) {
    const char* kCheck = R"(
import sys, email, email.policy, email.utils, time
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.strict)
problems = list(m.defects)
for name in ('From', 'Date', 'Subject', 'MIME-Version', 'Content-Type'):
    values = m.get_all(name) or []
    if len(values) != 1: problems.append('%s appears %d times' % (name, len(values)))
    for v in values: problems += ['%s: %r' % (name, d) for d in v.defects]
addresses = m['from'].addresses
if len(addresses) != 1 or '@' not in addresses[0].addr_spec: problems.append('no sender address')
when = m['date'].datetime
if when is None or when.tzinfo is None or abs(when.timestamp() - time.time()) > 600: problems.append('date %r' % m['date'])
if m.get_all('Bcc'): problems.append('forged header')
print('SUBJECT\t' + str(m['subject']))
print('\n'.join(problems))
)";
    testsupport::TempDir dir;
    const std::string titles[] = {
        "Anna Berg",
        "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 \xE5\xB1\xB1\xE7\x94\xB0 \xF0\x9F\x98\x80",
        "Anna\r\nBcc: victim@example.org",
    };
    for (const auto& title : titles) {
        contacts::Contact c;
        c.fullName = title;
        const std::string path = dir.Write("c.mhtml", RenderContact(c, Format::Mhtml));
        auto r = testsupport::RunPython(kCheck, Quote(path));
        ASSERT_EQ(r.exitCode, 0) << title << "\n" << r.out;
        EXPECT_EQ(r.out.substr(r.out.find('\n') + 1), "\n") << title << ": " << r.out;
    }
}

TEST(Renderings, MhtmlFilePartsKeepAnyNameWholeUnderAStrictParser) {
    const char* kParts = R"(
import sys, email, email.policy
m = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.strict)
for part in list(m.walk())[2:]:
    print(part.get_filename(), part.get_content_type(), part.get_payload(decode=True).hex(), len(part.defects))
)";
    testsupport::TempDir dir;
    contacts::Contact c;
    c.fullName = "Anna Berg";
    c.attachments = {{"plain name.txt", "text/plain", "ab"},
                     {"\"quoted\"\r\nBcc: x@example.org.txt", "application/octet-stream", std::string("\0\xFF", 2)},
                     {"\xC3\xBC" "ber \xE5\xB1\xB1.pdf", "application/pdf", ""}};
    const std::string path = dir.Write("c.mhtml", RenderContact(c, Format::Mhtml));
    auto r = testsupport::RunPython(kParts, Quote(path));
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(r.out, "plain name.txt text/plain 6162 0\n"
                     "\"quoted\"\r\nBcc: x@example.org.txt application/octet-stream 00ff 0\n"
                     "\xC3\xBC" "ber \xE5\xB1\xB1.pdf application/pdf  0\n");
}

TEST(Renderings, InvalidUtf8AndControlCharactersAreCleaned) {
    contacts::Contact c;
    c.firstName = "A\xFF" "B\x01" "C";
    for (Format type : {Format::Text, Format::Html, Format::VCard}) {
        std::string out = RenderContact(c, type);
        EXPECT_EQ(base::Utf16ToUtf8(base::Utf8ToUtf16(out)), out) << int(type);
        EXPECT_NE(out.find("A\xEF\xBF\xBD" "B C"), std::string::npos) << int(type);
    }
}

namespace {

// Every property vobject reads from a card: name, sorted TYPE values and the
// value (structured values as their components joined by '|').
const char* kVobjectDump = R"(
import sys, vobject
text = open(sys.argv[1], encoding='utf-8', newline='').read()
cards = list(vobject.readComponents(text))
assert len(cards) == 1, len(cards)
def flat(v):
    if isinstance(v, list): return ','.join(v)
    return v
for child in cards[0].getChildren():
    v = child.value
    if child.name == 'N': v = '|'.join(flat(x) for x in (v.family, v.given, v.additional, v.prefix, v.suffix))
    elif child.name == 'ADR': v = '|'.join(flat(x) for x in (v.box, v.extended, v.street, v.city, v.region, v.code, v.country))
    elif child.name in ('ORG', 'CATEGORIES'): v = '|'.join(v)
    types = ','.join(sorted(t.upper() for t in child.params.get('TYPE', [])))
    print(child.name + '\t' + types + '\t' + v.replace('\\', '\\\\').replace('\n', '\\n'))
)";

struct CardLine { std::string name, types, value; };

std::vector<CardLine> ReadCard(const std::string& path) {
    auto r = testsupport::RunPython(kVobjectDump, Quote(path));
    EXPECT_EQ(r.exitCode, 0) << r.out;
    std::vector<CardLine> out;
    std::stringstream ss(r.out);
    for (std::string line; std::getline(ss, line);) {
        size_t a = line.find('\t'), b = line.find('\t', a + 1);
        if (b == std::string::npos) continue;
        out.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), Unescape(line.substr(b + 1))});
    }
    return out;
}

}  // namespace

TEST(Renderings, VobjectReadsEveryValueOfTheVCard) {
    testsupport::TempDir dir;
    const contacts::Contact contact = FullContact();
    std::string path = dir.Write("c.vcf", RenderContact(contact, Format::VCard));
    auto v = [&](ContactField f) {
        if (f != ContactField::Body) return FullValue(mapi::InfoOf(f).name);
        std::string s = kFullBody;
        for (size_t p; (p = s.find("\r\n")) != std::string::npos;) s.replace(p, 2, "\n");
        return s;
    };
    using F = ContactField;
    auto values = [&](const std::vector<std::string>& list) {
        std::vector<std::string> out;
        for (const auto& value : list)
            if (value != " ") out.push_back(value);
        return out;
    };
    const auto categories = values(contact.categories), children = values(contact.children);
    std::vector<std::tuple<std::string, std::string, std::string>> expected = {
        {"VERSION", "", "3.0"},
        {"PRODID", "", "-//Ferrywell//Contact//EN"},
        {"N", "", v(F::LastName) + "|" + v(F::FirstName) + "|" + v(F::MiddleName) + "|" + v(F::Title) + "|" + v(F::Suffix)},
        {"FN", "", v(F::FullName)},
        {"NICKNAME", "", v(F::NickName)},
        {"X-INITIALS", "", v(F::Initials)},
        {"ORG", "", v(F::CompanyName) + "|" + v(F::Department) + "|" + v(F::OfficeLocation)},
        {"TITLE", "", v(F::JobTitle)},
        {"ROLE", "", v(F::Profession)},
        {"TEL", "PREF,VOICE", v(F::PrimaryTelephoneNumber)},
        {"TEL", "VOICE,WORK", v(F::BusinessTelephoneNumber)},
        {"TEL", "VOICE,WORK", v(F::Business2TelephoneNumber)},
        {"TEL", "X-EVOLUTION-COMPANY", v(F::CompanyMainTelephoneNumber)},
        {"TEL", "X-EVOLUTION-ASSISTANT", v(F::AssistantTelephoneNumber)},
        {"TEL", "X-EVOLUTION-CALLBACK", v(F::CallbackTelephoneNumber)},
        {"TEL", "HOME,VOICE", v(F::HomeTelephoneNumber)},
        {"TEL", "HOME,VOICE", v(F::Home2TelephoneNumber)},
        {"TEL", "CELL,VOICE", v(F::MobileTelephoneNumber)},
        {"TEL", "CAR", v(F::CarTelephoneNumber)},
        {"TEL", "X-EVOLUTION-RADIO", v(F::RadioTelephoneNumber)},
        {"TEL", "PAGER", v(F::PagerNumber)},
        {"TEL", "VOICE", v(F::OtherTelephoneNumber)},
        {"TEL", "ISDN", v(F::ISDNNumber)},
        {"TEL", "X-EVOLUTION-TTYTDD", v(F::TTYTDDTelephoneNumber)},
        {"TEL", "X-EVOLUTION-TELEX", v(F::TelexNumber)},
        {"TEL", "FAX,WORK", v(F::BusinessFaxNumber)},
        {"TEL", "FAX,HOME", v(F::HomeFaxNumber)},
        {"TEL", "FAX", v(F::OtherFaxNumber)},
        {"EMAIL", "INTERNET,PREF", v(F::Email1Address)},
        {"EMAIL", "INTERNET", v(F::Email2Address)},
        {"EMAIL", "INTERNET", v(F::Email3Address)},
        {"ADR", "WORK", "||" + v(F::BusinessAddressStreet) + "|" + v(F::BusinessAddressCity) + "|" + v(F::BusinessAddressState) + "|" +
                            v(F::BusinessAddressPostalCode) + "|" + v(F::BusinessAddressCountry)},
        {"ADR", "HOME", "||" + v(F::HomeAddressStreet) + "|" + v(F::HomeAddressCity) + "|" + v(F::HomeAddressState) + "|" +
                            v(F::HomeAddressPostalCode) + "|" + v(F::HomeAddressCountry)},
        {"ADR", "OTHER", "||" + v(F::OtherAddressStreet) + "|" + v(F::OtherAddressCity) + "|" + v(F::OtherAddressState) + "|" +
                             v(F::OtherAddressPostalCode) + "|" + v(F::OtherAddressCountry)},
        {"CATEGORIES", "", categories[0] + "|" + categories[1]},
        {"BDAY", "", "1970-01-01"},
        {"X-EVOLUTION-ANNIVERSARY", "", "2000-01-01"},
        {"X-ANNIVERSARY", "", "2000-01-01"},
        {"URL", "HOME", v(F::PersonalHomePage)},
        {"URL", "WORK", v(F::BusinessHomePage)},
        {"X-MS-MANAGER", "", v(F::ManagerName)},
        {"X-EVOLUTION-MANAGER", "", v(F::ManagerName)},
        {"X-MS-ASSISTANT", "", v(F::AssistantName)},
        {"X-EVOLUTION-ASSISTANT", "", v(F::AssistantName)},
        {"X-MS-SPOUSE", "", v(F::Spouse)},
        {"X-EVOLUTION-SPOUSE", "", v(F::Spouse)},
        {"X-MS-CHILD", "", children[0]},
        {"X-MS-CHILD", "", children[1]},
        {"NOTE", "", v(F::Body)},
    };
    auto got = ReadCard(path);
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, std::get<0>(expected[i])) << i;
        EXPECT_EQ(got[i].types, std::get<1>(expected[i])) << got[i].name;
        EXPECT_EQ(got[i].value, std::get<2>(expected[i])) << got[i].name;
    }
}

TEST(Renderings, VCardLinesAreFoldedAt75OctetsBetweenCharacters) {
    testsupport::TempDir dir;
    // Values whose characters are 1, 2, 3 and 4 octets long, so folds land at
    // every position within a multi-octet character, and characters that are
    // escaped as they are folded; short values, and long ones that are given
    // their room at once.
    const std::string pieces[] = {"a", "\xC3\xA9", "\xE6\x9D\xB1", "\xF0\x9F\x98\x80", ";", "\\,\n;"};
    for (const auto& piece : pieces) {
        for (size_t shift = 0; shift < 8; ++shift) {
            std::string value = std::string(shift % 4, 'x');
            while (value.size() < (shift < 4 ? 400u : 5000u)) value += piece;
            contacts::Contact c;
            c.notes.richText = value;
            std::string path = dir.Write("f.vcf", RenderContact(c, Format::VCard));
            std::string card = testsupport::ReadFile(path);
            std::stringstream ss(card);
            for (std::string line; std::getline(ss, line);) {
                ASSERT_FALSE(line.empty() || line.back() != '\r') << "lines end in CR LF";
                line.pop_back();
                EXPECT_LE(line.size(), 75u);
                EXPECT_EQ(base::Utf16ToUtf8(base::Utf8ToUtf16(line)), line) << "fold inside a character";
            }
            auto got = ReadCard(path);
            ASSERT_FALSE(got.empty());
            EXPECT_EQ(got.back().value, value) << piece << " shift " << shift;
        }
    }
}
