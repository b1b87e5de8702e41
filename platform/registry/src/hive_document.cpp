#include <registry/hive_document.h>

#include "hive_text.h"

#include <cinttypes>
#include <cstdio>

namespace registry {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kFileTimeOf1970 = 116444736000000000ULL;

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

size_t SkipBlanks(std::string_view s, size_t pos) {
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    return pos;
}

bool OnlyBlanksFrom(std::string_view s, size_t pos) {
    return SkipBlanks(s, pos) == s.size();
}

std::vector<uint8_t> StringData(std::u16string_view text) {
    std::vector<uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

// Reads hex digits of a "str(..)" or "hex(..)" type number up to ')'.
bool ParseTypeNumber(std::string_view s, size_t& pos, uint32_t& type) {
    size_t digits = 0;
    type = 0;
    while (pos < s.size() && detail::IsHexDigit(s[pos]) && digits < 8) {
        type = type * 16 + static_cast<uint32_t>(detail::HexValue(s[pos++]));
        ++digits;
    }
    return digits > 0 && pos < s.size() && s[pos++] == ')';
}

bool StartsWith(std::string_view s, size_t pos, std::string_view prefix) {
    return s.substr(pos, prefix.size()) == prefix;
}

// Line-oriented reader over the whole text, which is known to end with '\n'.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}
    bool AtEnd() const { return next_ >= text_.size(); }
    // Moves to the next line and returns it without its '\n'.
    std::string_view Advance() {
        start_ = next_;
        const size_t eol = text_.find('\n', start_);
        next_ = eol + 1;
        ++number_;
        return text_.substr(start_, eol - start_);
    }
    size_t Start() const { return start_; }
    size_t Next() const { return next_; }
    size_t Number() const { return number_; }

private:
    std::string_view text_;
    size_t start_ = 0;
    size_t next_ = 0;
    size_t number_ = 0;
};

struct ParseError {
    std::string message;
};

// Parses the data part of a value record from `pos` of `line`; hex data may
// continue over further lines, which `lines` then moves past.
void ParseValueData(Lines& lines, std::string_view line, size_t pos, HiveValue& value) {
    auto parseString = [&](size_t at) {
        std::u16string text;
        const size_t after = detail::ParseEscaped(line, at, '"', text);
        if (after == std::string_view::npos) throw ParseError{"string value without closing quote"};
        if (!OnlyBlanksFrom(line, after)) throw ParseError{"text after the closing quote of a string value"};
        value.data = StringData(text);
    };
    if (StartsWith(line, pos, "\"")) {
        value.type = kRegSz;
        parseString(pos + 1);
        return;
    }
    if (StartsWith(line, pos, "str:\"")) {
        value.type = kRegSz;
        parseString(pos + 5);
        return;
    }
    if (StartsWith(line, pos, "str(")) {
        pos += 4;
        if (!ParseTypeNumber(line, pos, value.type) || !StartsWith(line, pos, ":\"")) {
            throw ParseError{"malformed str(...) type"};
        }
        parseString(pos + 2);
        return;
    }
    if (StartsWith(line, pos, "dword:")) {
        pos += 6;
        uint32_t v = 0;
        for (int i = 0; i < 8; ++i, ++pos) {
            if (pos >= line.size() || !detail::IsHexDigit(line[pos])) throw ParseError{"dword value without 8 hex digits"};
            v = v * 16 + static_cast<uint32_t>(detail::HexValue(line[pos]));
        }
        if (!OnlyBlanksFrom(line, pos)) throw ParseError{"text after a dword value"};
        value.type = kRegDword;
        value.data = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                      static_cast<uint8_t>(v >> 24)};
        return;
    }
    if (StartsWith(line, pos, "hex:")) {
        value.type = kRegBinary;
        pos += 4;
    } else if (StartsWith(line, pos, "hex(")) {
        pos += 4;
        if (!ParseTypeNumber(line, pos, value.type) || !StartsWith(line, pos, ":")) {
            throw ParseError{"malformed hex(...) type"};
        }
        ++pos;
    } else {
        throw ParseError{"unknown value type"};
    }
    for (;;) {
        pos = SkipBlanks(line, pos);
        if (pos >= line.size()) return;
        if (line[pos] == '\\') {
            if (!OnlyBlanksFrom(line, pos + 1)) throw ParseError{"text after a line continuation"};
            if (lines.AtEnd()) throw ParseError{"hex data continued past the end of the file"};
            line = lines.Advance();
            pos = 0;
            continue;
        }
        if (pos + 1 >= line.size() || !detail::IsHexDigit(line[pos]) || !detail::IsHexDigit(line[pos + 1])) {
            throw ParseError{"malformed hex data"};
        }
        value.data.push_back(static_cast<uint8_t>(detail::HexValue(line[pos]) * 16 + detail::HexValue(line[pos + 1])));
        pos = SkipBlanks(line, pos + 2);
        if (pos < line.size() && line[pos] == ',') {
            ++pos;
        } else if (pos < line.size() && line[pos] != '\\') {
            throw ParseError{"malformed hex data"};
        }
    }
}

HiveValue ParseValue(Lines& lines, std::string_view line, size_t pos) {
    HiveValue value;
    value.begin = lines.Start();
    if (line[pos] == '@') {
        ++pos;
    } else {
        std::u16string name;
        pos = detail::ParseEscaped(line, pos + 1, '"', name);
        if (pos == std::string_view::npos) throw ParseError{"value name without closing quote"};
        value.name = detail::Utf16ToUtf8(name);
    }
    pos = SkipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') throw ParseError{"value name without '='"};
    ParseValueData(lines, line, SkipBlanks(line, pos + 1), value);
    value.end = lines.Next();
    return value;
}

HiveKey ParseKeyLine(const Lines& lines, std::string_view line, size_t pos) {
    std::u16string name;
    const size_t after = detail::ParseEscaped(line, pos + 1, ']', name);
    if (after == std::string_view::npos) throw ParseError{"key name without closing bracket"};
    for (size_t i = after; i < line.size(); ++i) {
        if (!IsBlank(line[i]) && !(line[i] >= '0' && line[i] <= '9')) throw ParseError{"text after a key name"};
    }
    HiveKey key;
    key.name = detail::Utf16ToUtf8(name);
    key.begin = lines.Start();
    key.end = lines.Next();
    return key;
}

bool KeyMatches(const HiveKey& key, std::string_view name) {
    return EqualsNoCase(key.name, name);
}

std::string ValueRecord(std::string_view name, uint32_t type, std::string_view text) {
    std::string record = name.empty() ? "@" : "\"" + detail::EscapeString(detail::Utf8ToUtf16(name), '"', '"') + "\"";
    record += '=';
    if (type != kRegSz) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(type));
        record += buf;
    }
    record += '"' + detail::EscapeString(detail::Utf8ToUtf16(text), '"', '"') + "\"\n";
    return record;
}

std::string KeyHeader(std::string_view key, int64_t unixTime) {
    const uint64_t fileTime = static_cast<uint64_t>(unixTime) * 10000000ULL + kFileTimeOf1970;
    char buf[80];
    std::snprintf(buf, sizeof buf, "] %" PRId64 "\n#time=%x%08x\n", unixTime, static_cast<unsigned>(fileTime >> 32),
                  static_cast<unsigned>(fileTime & 0xFFFFFFFFu));
    return "\n[" + detail::EscapeString(detail::Utf8ToUtf16(key), '[', ']') + buf;
}

}  // namespace

HiveDocument::HiveDocument() : text_(std::string(kHeader) + "\n") {}

std::optional<HiveDocument> HiveDocument::Parse(std::string text, std::string& error) {
    HiveDocument doc;
    doc.text_ = std::move(text);
    const std::string_view t = doc.text_;
    if (t.empty()) {
        error = "the file is empty";
        return std::nullopt;
    }
    if (t.back() != '\n') {
        error = "the file ends in the middle of a line (truncated)";
        return std::nullopt;
    }
    Lines lines(t);
    try {
        if (lines.Advance() != kHeader) throw ParseError{"not a Wine registry file (expected \"WINE REGISTRY Version 2\")"};
        while (!lines.AtEnd()) {
            const std::string_view line = lines.Advance();
            if (line.find('\0') != std::string_view::npos) throw ParseError{"NUL byte in the text"};
            const size_t pos = SkipBlanks(line, 0);
            if (pos >= line.size() || line[pos] == ';') continue;
            switch (line[pos]) {
                case '[':
                    doc.keys_.push_back(ParseKeyLine(lines, line, pos));
                    break;
                case '#':
                    if (!doc.keys_.empty()) doc.keys_.back().end = lines.Next();
                    break;
                case '"':
                case '@':
                    if (doc.keys_.empty()) throw ParseError{"value outside of any key"};
                    doc.keys_.back().values.push_back(ParseValue(lines, line, pos));
                    doc.keys_.back().end = lines.Next();
                    break;
                default:
                    throw ParseError{"unrecognised line"};
            }
        }
    } catch (const ParseError& e) {
        error = "line " + std::to_string(lines.Number()) + ": " + e.message;
        return std::nullopt;
    }
    return doc;
}

bool HiveDocument::HasKey(std::string_view name) const {
    for (const auto& key : keys_) {
        if (KeyMatches(key, name)) return true;
        if (key.name.size() > name.size() && key.name[name.size()] == '\\' &&
            EqualsNoCase(std::string_view(key.name).substr(0, name.size()), name)) {
            return true;
        }
    }
    return false;
}

const HiveValue* HiveDocument::FindValue(std::string_view key, std::string_view name) const {
    for (auto k = keys_.rbegin(); k != keys_.rend(); ++k) {
        if (!KeyMatches(*k, key)) continue;
        for (auto v = k->values.rbegin(); v != k->values.rend(); ++v) {
            if (EqualsNoCase(v->name, name)) return &*v;
        }
    }
    return nullptr;
}

std::string HiveDocument::WithStringValue(std::string_view key, std::string_view name, uint32_t type,
                                          std::string_view text, int64_t unixTime) const {
    const std::string record = ValueRecord(name, type, text);
    if (const HiveValue* old = FindValue(key, name)) {
        return text_.substr(0, old->begin) + record + text_.substr(old->end);
    }
    for (auto k = keys_.rbegin(); k != keys_.rend(); ++k) {
        if (KeyMatches(*k, key)) return text_.substr(0, k->end) + record + text_.substr(k->end);
    }
    return text_ + KeyHeader(key, unixTime) + record;
}

std::optional<std::string> ValueAsString(const HiveValue& value) {
    if (value.type != kRegSz && value.type != kRegExpandSz) return std::nullopt;
    if (value.data.size() % 2 != 0) return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const auto c = static_cast<char16_t>(value.data[i] | (value.data[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return detail::Utf16ToUtf8(text);
}

}  // namespace registry
