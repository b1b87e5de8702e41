// Contact values of any bytes (the input split at 0x1E, one value a field;
// the last part split at 0x1F into categories) written as a vCard must read
// back through a strict vCard 3.0 reader: CRLF lines of at most 75 octets,
// folded outside UTF-8 sequences, one BEGIN and one END, each text value
// escaped so that it unescapes to the value itself, with no value able to
// start a line of its own. A value that is valid UTF-8 without control
// characters other than tab and line feed comes back unchanged.
#include <renderings/render.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using contacts::Contact;

// The single-valued fields fed, and the name of the line each is written as.
const struct {
    std::string& (*field)(Contact&);
    std::string_view line;
} kFields[] = {
    {[](Contact& c) -> std::string& { return c.fullName; }, "FN"},
    {[](Contact& c) -> std::string& { return c.nickname; }, "NICKNAME"},
    {[](Contact& c) -> std::string& { return c.jobTitle; }, "TITLE"},
    {[](Contact& c) -> std::string& { return c.profession; }, "ROLE"},
    {[](Contact& c) -> std::string& { return c.spouse; }, "X-MS-SPOUSE"},
    {[](Contact& c) -> std::string& { return c.personalWebPage; }, "URL;TYPE=HOME"},
    {[](Contact& c) -> std::string& { return c.notes.richText; }, "NOTE"},
};

// The notes show their text without trailing line ends and blanks.
std::string AsNotes(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

// Which check failed is on stderr with the crash.
#define Require(ok) Check(ok, __LINE__)
void Check(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "vcard_fuzz: the check at line %d failed\n", line);
    std::abort();
}

// Well-formed UTF-8 (RFC 3629): no overlong forms, surrogates or code
// points past U+10FFFF.
bool ValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = uint8_t(s[i]);
        const size_t n = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
            cp = cp << 6 | (uint8_t(s[i + k]) & 0x3F);
        }
        if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n;
    }
    return true;
}

// A value the card leaves out: nothing but blanks and control characters,
// which the writer shows as blanks.
bool ShownBlank(std::string_view v) {
    for (char c : v)
        if (uint8_t(c) > 0x20 && c != 0x7F) return false;
    return true;
}

// A value that reaches the card as it is: valid UTF-8, no control
// characters but tab and line feed, not blank.
bool Plain(std::string_view v) {
    if (!ValidUtf8(v) || v.find_first_not_of(" \t\n") == std::string_view::npos) return false;
    for (char c : v)
        if ((uint8_t(c) < 0x20 && c != '\t' && c != '\n') || c == 0x7F) return false;
    return true;
}

// The text values of an escaped line value split at unescaped separators.
std::vector<std::string> Unescape(std::string_view v, char separator) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (c == '\\') {
            Require(i + 1 < v.size());
            const char e = v[++i];
            Require(e == 'n' || e == '\\' || e == ',' || e == ';');
            out.back() += e == 'n' ? '\n' : e;
        } else if (c == separator) {
            out.emplace_back();
        } else {
            Require(c != ',' && c != ';');  // always escaped in a text value
            out.back() += c;
        }
    }
    return out;
}

// The card's logical lines: name (with parameters) -> values of that name.
std::multimap<std::string, std::string> Lines(std::string_view card) {
    std::vector<std::string> logical;
    size_t pos = 0;
    while (pos < card.size()) {
        const size_t end = card.find("\r\n", pos);
        Require(end != std::string_view::npos);
        std::string_view line = card.substr(pos, end - pos);
        Require(line.find_first_of("\r\n") == std::string_view::npos);
        Require(line.size() <= 75);
        if (!line.empty() && line[0] == ' ') {
            Require(!logical.empty());
            line.remove_prefix(1);
            logical.back() += line;
        } else {
            logical.emplace_back(line);
        }
        Require(ValidUtf8(line));
        pos = end + 2;
    }
    std::multimap<std::string, std::string> out;
    for (const std::string& l : logical) {
        const size_t colon = l.find(':');
        Require(colon != std::string::npos && colon > 0);
        const std::string name = l.substr(0, colon);
        Require(name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-;=,") == std::string::npos);
        out.emplace(name, l.substr(colon + 1));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = input.find('\x1E', start);
        if (end == std::string_view::npos || parts.size() == std::size(kFields)) {
            parts.emplace_back(input.substr(start));
            break;
        }
        parts.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    Contact contact;
    for (size_t i = 0; i < parts.size() && i < std::size(kFields); ++i) kFields[i].field(contact) = parts[i];
    if (parts.size() >= std::size(kFields)) parts[std::size(kFields) - 1] = AsNotes(parts[std::size(kFields) - 1]);
    std::vector<std::string> categories;
    if (parts.size() > std::size(kFields)) {
        std::string_view rest = parts.back();
        for (size_t start = 0;;) {
            const size_t end = rest.find('\x1F', start);
            categories.emplace_back(rest.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
        contact.categories = categories;
    }

    const std::string card = renderings::RenderContact(contact, renderings::Format::VCard);
    const auto lines = Lines(card);
    Require(lines.count("BEGIN") == 1 && lines.count("END") == 1);
    Require(card.rfind("BEGIN:VCARD\r\n", 0) == 0);
    Require(card.size() >= 11 && card.compare(card.size() - 11, 11, "END:VCARD\r\n") == 0);
    for (size_t i = 0; i < parts.size() && i < std::size(kFields); ++i) {
        const std::string name(kFields[i].line);
        if (name == "FN") continue;  // always written, from other names when FullName is blank
        const auto [first, last] = lines.equal_range(name);
        if (ShownBlank(parts[i])) {
            Require(first == last);
            continue;
        }
        Require(std::distance(first, last) == 1);
        const std::vector<std::string> values = Unescape(first->second, '\0');
        Require(values.size() == 1);
        if (Plain(parts[i])) Require(values[0] == parts[i]);
    }
    if (!parts.empty() && Plain(parts[0])) {
        const auto fn = lines.find("FN");
        Require(fn != lines.end() && Unescape(fn->second, '\0')[0] == parts[0]);
    }
    // Categories: every value that is not blank, in order, one list.
    std::vector<std::string> shown;
    for (const auto& c : categories)
        if (!ShownBlank(c)) shown.push_back(c);
    Require(lines.count("CATEGORIES") == (shown.empty() ? 0u : 1u));
    if (const auto it = lines.find("CATEGORIES"); it != lines.end()) {
        const std::vector<std::string> read = Unescape(it->second, ',');
        Require(read.size() == shown.size());
        for (size_t i = 0; i < read.size(); ++i)
            if (Plain(shown[i])) Require(read[i] == shown[i]);
    }
    return 0;
}
