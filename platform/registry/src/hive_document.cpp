#include <base/ascii.h>
#include <registry/hive_document.h>

#include "hive_text.h"

#include <cinttypes>
#include <cstdio>
#include <optional>

namespace registry {

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
// 100 ns intervals between 1601-01-01 and 1970-01-01.
constexpr uint64_t kFileTimeOf1970 = 116444736000000000ULL;

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

void StoreStringData(std::u16string_view text, std::vector<uint8_t>& data) {
    data.clear();
    data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        data.push_back(static_cast<uint8_t>(c & 0xFF));
        data.push_back(static_cast<uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
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
// continue over further lines, which `lines` then moves past. `scratch`
// only saves allocations between calls.
void ParseValueData(Lines& lines, std::string_view line, size_t pos, HiveValue& value, std::u16string& scratch) {
    value.data.clear();
    auto parseString = [&](size_t at) {
        scratch.clear();
        const size_t after = detail::ParseEscaped(line, at, '"', scratch);
        if (after == std::string_view::npos) throw ParseError{"string value without closing quote"};
        if (!OnlyBlanksFrom(line, after)) throw ParseError{"text after the closing quote of a string value"};
        StoreStringData(scratch, value.data);
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

// Walks the whole text line by line, validating every record and telling
// the visitor about each key and value as it passes. Nothing is kept: the
// value handed over is reused for the next record.
class Visitor {
public:
    virtual ~Visitor() = default;
    // A "[...]" line; `end` is just after it.
    virtual void Key(std::string_view name, size_t begin, size_t end) = 0;
    // The current key goes on to `end` (an option or value line).
    virtual void Extend(size_t end) = 0;
    virtual void Value(const HiveValue& value) = 0;
    // Whether the data of the value named `name` is wanted. Text that was
    // checked once need not have every value decoded again.
    virtual bool WantsData(std::string_view /*name*/) { return false; }
};

class Walker {
public:
    explicit Walker(std::string_view text) : lines_(text) {}

    // Returns an error naming the line, or nothing when the whole text is valid.
    std::optional<std::string> Run(Visitor& visitor) {
        try {
            if (lines_.Advance() != kHeader) {
                throw ParseError{"not a Wine registry file (expected \"WINE REGISTRY Version 2\")"};
            }
            bool inKey = false;
            while (!lines_.AtEnd()) {
                const std::string_view line = lines_.Advance();
                if (line.find('\0') != std::string_view::npos) throw ParseError{"NUL byte in the text"};
                const size_t pos = SkipBlanks(line, 0);
                if (pos >= line.size() || line[pos] == ';') continue;
                switch (line[pos]) {
                    case '[':
                        ParseKeyLine(line, pos);
                        visitor.Key(keyName_, lines_.Start(), lines_.Next());
                        inKey = true;
                        break;
                    case '#':
                        if (inKey) visitor.Extend(lines_.Next());
                        break;
                    case '"':
                    case '@':
                        if (!inKey) throw ParseError{"value outside of any key"};
                        ParseValue(line, pos, [&](std::string_view name) { return visitor.WantsData(name); });
                        visitor.Value(value_);
                        visitor.Extend(lines_.Next());
                        break;
                    default:
                        throw ParseError{"unrecognised line"};
                }
            }
        } catch (const ParseError& e) {
            return "line " + std::to_string(lines_.Number()) + ": " + e.message;
        }
        return std::nullopt;
    }

private:
    void ParseKeyLine(std::string_view line, size_t pos) {
        const size_t after = detail::ParseEscapedUtf8(line, pos + 1, ']', keyName_, name16_);
        if (after == std::string_view::npos) throw ParseError{"key name without closing bracket"};
        for (size_t i = after; i < line.size(); ++i) {
            if (!IsBlank(line[i]) && !(line[i] >= '0' && line[i] <= '9')) throw ParseError{"text after a key name"};
        }
    }

    // Moves past the continuation lines of checked hex data: in such a record
    // every backslash ends a line that goes on.
    void SkipContinuations(std::string_view line) {
        for (;;) {
            size_t end = line.size();
            while (end > 0 && IsBlank(line[end - 1])) --end;
            if (end == 0 || line[end - 1] != '\\' || lines_.AtEnd()) return;
            line = lines_.Advance();
        }
    }

    template <typename WantsData>
    void ParseValue(std::string_view line, size_t pos, WantsData wantsData) {
        value_.begin = lines_.Start();
        value_.name.clear();
        if (line[pos] == '@') {
            ++pos;
        } else {
            pos = detail::ParseEscapedUtf8(line, pos + 1, '"', value_.name, name16_);
            if (pos == std::string_view::npos) throw ParseError{"value name without closing quote"};
        }
        pos = SkipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '=') throw ParseError{"value name without '='"};
        if (wantsData(value_.name)) {
            ParseValueData(lines_, line, SkipBlanks(line, pos + 1), value_, name16_);
        } else {
            value_.type = kRegNone;
            value_.data.clear();
            SkipContinuations(line);
        }
        value_.end = lines_.Next();
    }

    Lines lines_;
    std::string keyName_;
    std::u16string name16_;
    HiveValue value_;
};

// Follows the keys that match one name (case-insensitively).
class KeyTracker : public Visitor {
public:
    explicit KeyTracker(std::string_view key) : key_(key) {}
    void Key(std::string_view name, size_t, size_t end) override {
        inMatch_ = base::EqualsIgnoringAsciiCase(name, key_);
        if (inMatch_) lastEnd_ = end;
    }
    void Extend(size_t end) override {
        if (inMatch_) lastEnd_ = end;
    }
    void Value(const HiveValue&) override {}

protected:
    std::string_view key_;
    bool inMatch_ = false;
    std::optional<size_t> lastEnd_;  // end of the last matching key
};

// The latest definition of one value, and where the last section of its key ends.
class ValueFinder final : public KeyTracker {
public:
    ValueFinder(std::string_view key, std::string_view name) : KeyTracker(key), name_(name) {}
    void Value(const HiveValue& value) override {
        if (inMatch_ && base::EqualsIgnoringAsciiCase(value.name, name_)) found = value;
    }
    bool WantsData(std::string_view name) override { return inMatch_ && base::EqualsIgnoringAsciiCase(name, name_); }
    std::optional<size_t> KeyEnd() const { return lastEnd_; }
    std::optional<HiveValue> found;

private:
    std::string_view name_;
};

// Whether a key has a section of its own or is the parent of one.
class KeyFinder final : public Visitor {
public:
    explicit KeyFinder(std::string_view key) : key_(key) {}
    void Key(std::string_view name, size_t, size_t) override {
        if (base::EqualsIgnoringAsciiCase(name, key_) ||
            (name.size() > key_.size() && name[key_.size()] == '\\' && base::EqualsIgnoringAsciiCase(name.substr(0, key_.size()), key_))) {
            found = true;
        }
    }
    void Extend(size_t) override {}
    void Value(const HiveValue&) override {}
    bool found = false;

private:
    std::string_view key_;
};

// Checks the text and keeps nothing.
class Validator final : public Visitor {
public:
    bool WantsData(std::string_view) override { return true; }
    void Key(std::string_view, size_t, size_t) override {}
    void Extend(size_t) override {}
    void Value(const HiveValue&) override {}
};

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
    if (text.empty()) {
        error = "the file is empty";
        return std::nullopt;
    }
    if (text.back() != '\n') {
        error = "the file ends in the middle of a line (truncated)";
        return std::nullopt;
    }
    Validator validator;
    if (auto why = Walker(text).Run(validator)) {
        error = std::move(*why);
        return std::nullopt;
    }
    HiveDocument doc;
    doc.text_ = std::move(text);
    return doc;
}

bool HiveDocument::HasKey(std::string_view name) const {
    KeyFinder finder(name);
    Walker(text_).Run(finder);
    return finder.found;
}

std::optional<HiveValue> HiveDocument::FindValue(std::string_view key, std::string_view name) const {
    ValueFinder finder(key, name);
    Walker(text_).Run(finder);
    return std::move(finder.found);
}

std::string HiveDocument::WithStringValue(std::string_view key, std::string_view name, uint32_t type,
                                          std::string_view text, int64_t unixTime) const {
    const std::string record = ValueRecord(name, type, text);
    ValueFinder finder(key, name);
    Walker(text_).Run(finder);
    // Built piece by piece into one buffer of the final size: the copy is the
    // only memory a change takes beyond the hive itself.
    auto splice = [&](size_t begin, size_t end, std::string_view insert) {
        std::string out;
        out.reserve(text_.size() - (end - begin) + insert.size());
        out.append(text_, 0, begin);
        out.append(insert);
        out.append(text_, end);
        return out;
    };
    if (finder.found) return splice(finder.found->begin, finder.found->end, record);
    if (const auto end = finder.KeyEnd()) return splice(*end, *end, record);
    return splice(text_.size(), text_.size(), KeyHeader(key, unixTime) + record);
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
