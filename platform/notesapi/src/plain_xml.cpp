#include "plain_xml.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace notesapi {

namespace {

enum : uint8_t {
    kNameStart = 1,  // an ASCII letter or '_'
    kName = 2,       // those, digits, '-' and '.'
    kSpace = 4,      // XML's white space
    kBad = 8,        // a control character XML does not allow anywhere
    kTextStop = 16,  // ends a plain run of character data
    kValueStop = 32  // ends a plain run of an attribute value
};

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> classes{};
    for (int i = 0; i < 256; ++i) {
        uint8_t k = 0;
        if ((i >= 'a' && i <= 'z') || (i >= 'A' && i <= 'Z') || i == '_') k |= kNameStart | kName;
        if ((i >= '0' && i <= '9') || i == '-' || i == '.') k |= kName;
        if (i == ' ' || i == '\t' || i == '\n' || i == '\r') k |= kSpace;
        if (i < 0x20 && !(k & kSpace)) k |= kBad;
        const bool special = i >= 0x80 || (k & kBad) || i == '<' || i == '&' || i == '\r';
        if (special || i == ']') k |= kTextStop;
        if (special || i == '\t' || i == '\n' || i == '\'' || i == '"') k |= kValueStop;
        classes[size_t(i)] = k;
    }
    return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

inline bool Is(char c, uint8_t k) { return kClasses[static_cast<unsigned char>(c)] & k; }

// Length of the UTF-8 sequence of one XML character at p, whose first byte
// is over 0x7F and which must end by end; 0 when there is none (a bad or
// overlong sequence, a surrogate, U+FFFE or U+FFFF).
size_t Utf8Char(const char* p, const char* end) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    const size_t left = size_t(end - p);
    auto follows = [&](size_t i) { return i < left && (u[i] & 0xC0) == 0x80; };
    const unsigned c = u[0];
    if (c >= 0xC2 && c <= 0xDF) return follows(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!follows(1) || !follows(2)) return 0;
        if ((c == 0xE0 && u[1] < 0xA0) || (c == 0xED && u[1] > 0x9F)) return 0;
        if (c == 0xEF && u[1] == 0xBF && u[2] >= 0xBE) return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!follows(1) || !follows(2) || !follows(3)) return 0;
        if ((c == 0xF0 && u[1] < 0x90) || (c == 0xF4 && u[1] > 0x8F)) return 0;
        return 4;
    }
    return 0;
}

// True when [p, end) holds XML characters only.
bool AllChars(const char* p, const char* end) {
    while (p < end) {
        if (static_cast<unsigned char>(*p) < 0x80) {
            if (Is(*p++, kBad)) return false;
        } else {
            const size_t n = Utf8Char(p, end);
            if (!n) return false;
            p += n;
        }
    }
    return true;
}

bool IsXmlChar(uint32_t v) {
    return v == 0x9 || v == 0xA || v == 0xD || (v >= 0x20 && v <= 0xD7FF) || (v >= 0xE000 && v <= 0xFFFD) ||
           (v >= 0x10000 && v <= 0x10FFFF);
}

size_t EncodeUtf8(uint32_t v, char* out) {
    if (v < 0x80) {
        out[0] = char(v);
        return 1;
    }
    if (v < 0x800) {
        out[0] = char(0xC0 | (v >> 6));
        out[1] = char(0x80 | (v & 0x3F));
        return 2;
    }
    if (v < 0x10000) {
        out[0] = char(0xE0 | (v >> 12));
        out[1] = char(0x80 | ((v >> 6) & 0x3F));
        out[2] = char(0x80 | (v & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (v >> 18));
    out[1] = char(0x80 | ((v >> 12) & 0x3F));
    out[2] = char(0x80 | ((v >> 6) & 0x3F));
    out[3] = char(0x80 | (v & 0x3F));
    return 4;
}

int DigitValue(char c, uint32_t base) {
    if (c >= '0' && c <= '9') return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes the reference at p (its '&') into out, which takes 4 bytes, and
// sets *next after its ';'. Its length in out, never more than the
// reference's own; 0 when it is neither one of XML's five entities nor a
// character reference to an XML character.
size_t DecodeReference(const char* p, const char* end, char* out, const char** next) {
    const char* q = p + 1;
    if (q < end && *q == '#') {
        uint32_t base = 10;
        if (++q < end && *q == 'x') {
            base = 16;
            ++q;
        }
        const char* digits = q;
        uint32_t v = 0;
        for (; q < end && *q != ';'; ++q) {
            const int d = DigitValue(*q, base);
            if (d < 0) return 0;
            v = v * base + uint32_t(d);
            if (v > 0x10FFFF) return 0;
        }
        if (q == end || q == digits || !IsXmlChar(v)) return 0;
        *next = q + 1;
        return EncodeUtf8(v, out);
    }
    static constexpr struct {
        std::string_view name;
        char c;
    } kEntities[] = {{"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto& e : kEntities) {
        if (size_t(end - q) >= e.name.size() && std::memcmp(q, e.name.data(), e.name.size()) == 0) {
            out[0] = e.c;
            *next = q + e.name.size();
            return 1;
        }
    }
    return 0;
}

// Kept by each thread between documents: the attribute array handed to the
// start handler and the names of the open elements.
struct Scratch {
    std::vector<const char*> attributes;
    struct Open {
        const char* name;
        size_t size;
    };
    std::vector<Open> open;
    std::vector<std::string_view> sorted;  // attribute names, for a tag with many
    // A document with very many attributes or very deep nesting does not
    // leave its arrays behind.
    void Trim() {
        constexpr size_t kKept = 4096;
        if (attributes.capacity() > kKept) std::vector<const char*>().swap(attributes);
        if (open.capacity() > kKept) std::vector<Open>().swap(open);
        if (sorted.capacity() > kKept) std::vector<std::string_view>().swap(sorted);
    }
};

// True when two of the attributes (names and values, one after the other)
// have the same name: each pair compared for a few, sorted names for many.
bool RepeatsAName(const std::vector<const char*>& attributes, std::vector<std::string_view>* sorted) {
    const size_t n = attributes.size();
    constexpr size_t kCompareEach = 32;  // names and values
    if (n <= kCompareEach) {
        for (size_t i = 2; i < n; i += 2)
            for (size_t j = 0; j < i; j += 2)
                if (std::strcmp(attributes[i], attributes[j]) == 0) return true;
        return false;
    }
    sorted->clear();
    for (size_t i = 0; i < n; i += 2) sorted->push_back(attributes[i]);
    std::sort(sorted->begin(), sorted->end());
    return std::adjacent_find(sorted->begin(), sorted->end()) != sorted->end();
}

class PlainParser {
public:
    PlainParser(char* data, size_t size, const PlainXmlHandlers& h, Scratch* scratch)
        : p_(data), end_(data + size), h_(h), atts_(scratch->attributes), open_(scratch->open), sorted_(scratch->sorted) {
        open_.clear();
    }

    bool Run() {
        bool rootSeen = false;
        for (;;) {
            if (open_.empty()) {
                // Before and after the element: white space, comments and
                // processing instructions.
                while (p_ < end_ && Is(*p_, kSpace)) ++p_;
                if (p_ == end_) return rootSeen;
                if (end_ - p_ < 2 || *p_ != '<') return false;
                if (p_[1] == '!') {
                    if (!Comment()) return false;
                } else if (p_[1] == '?') {
                    if (!ProcessingInstruction()) return false;
                } else {
                    if (rootSeen || !StartTag()) return false;
                    rootSeen = true;
                }
                continue;
            }
            if (!Text()) return false;
            bool ok;  // p_ is at a '<'
            if (end_ - p_ < 2) return false;
            switch (p_[1]) {
                case '/': ok = EndTag(); break;
                case '?': ok = ProcessingInstruction(); break;
                case '!': ok = Comment() || Cdata(); break;
                default: ok = StartTag(); break;
            }
            if (!ok) return false;
        }
    }

private:
    void Emit(const char* s, size_t n) {
        if (n) h_.text(h_.userData, s, int(n));
    }

    // Character data up to the next '<', where it stops; false on anything
    // else that ends it.
    bool Text() {
        for (;;) {
            const char* run = p_;
            for (;;) {
                while (p_ < end_ && !Is(*p_, kTextStop)) ++p_;
                if (p_ == end_) break;
                if (static_cast<unsigned char>(*p_) >= 0x80) {
                    const size_t n = Utf8Char(p_, end_);
                    if (!n) return false;
                    p_ += n;
                } else if (*p_ == ']') {
                    if (end_ - p_ >= 3 && p_[1] == ']' && p_[2] == '>') return false;
                    ++p_;
                } else {
                    break;
                }
            }
            Emit(run, size_t(p_ - run));
            if (p_ == end_) return false;
            if (*p_ == '<') return true;
            if (*p_ == '\r') {
                Emit("\n", 1);
                if (++p_ < end_ && *p_ == '\n') ++p_;
            } else if (*p_ == '&') {
                char c[4];
                const char* next = nullptr;
                const size_t n = DecodeReference(p_, end_, c, &next);
                if (!n) return false;
                Emit(c, n);
                p_ += next - p_;
            } else {
                return false;  // a control character
            }
        }
    }

    // At "<!": a comment, which has no "--" but the one that ends it.
    bool Comment() {
        if (end_ - p_ < 4 || std::memcmp(p_, "<!--", 4) != 0) return false;
        const char* body = p_ + 4;
        const char* dashes = static_cast<const char*>(::memmem(body, size_t(end_ - body), "--", 2));
        if (!dashes || end_ - dashes < 3 || dashes[2] != '>' || !AllChars(body, dashes)) return false;
        p_ += dashes + 3 - p_;
        return true;
    }

    // At "<?": a processing instruction, whose target is not xml.
    bool ProcessingInstruction() {
        const char* q = p_ + 2;
        const char* target = q;
        if (q == end_ || !Is(*q, kNameStart)) return false;
        while (q < end_ && Is(*q, kName)) ++q;
        if (q - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l')
            return false;
        if (q == end_) return false;
        if (*q == '?') {
            if (end_ - q < 2 || q[1] != '>') return false;
            p_ += q + 2 - p_;
            return true;
        }
        if (!Is(*q, kSpace)) return false;
        const char* close = static_cast<const char*>(::memmem(q, size_t(end_ - q), "?>", 2));
        if (!close || !AllChars(q, close)) return false;
        p_ += close + 2 - p_;
        return true;
    }

    // At "<!": a CDATA section, its text character data.
    bool Cdata() {
        constexpr std::string_view kOpen = "<![CDATA[";
        if (size_t(end_ - p_) < kOpen.size() || std::memcmp(p_, kOpen.data(), kOpen.size()) != 0) return false;
        const char* q = p_ + kOpen.size();
        const char* close = static_cast<const char*>(::memmem(q, size_t(end_ - q), "]]>", 3));
        if (!close || !AllChars(q, close)) return false;
        for (const char* cr; (cr = static_cast<const char*>(std::memchr(q, '\r', size_t(close - q)))) != nullptr;) {
            Emit(q, size_t(cr - q));
            Emit("\n", 1);
            q = cr + 1;
            if (q < close && *q == '\n') ++q;
        }
        Emit(q, size_t(close - q));
        p_ += close + 3 - p_;
        return true;
    }

    // An ASCII name at p_ without a prefix, and a byte after it; false when
    // there is none.
    bool Name(char** name) {
        if (p_ == end_ || !Is(*p_, kNameStart)) return false;
        *name = p_;
        while (p_ < end_ && Is(*p_, kName)) ++p_;
        return p_ < end_;
    }

    void SkipSpace(bool* seen = nullptr) {
        while (p_ < end_ && Is(*p_, kSpace)) {
            ++p_;
            if (seen) *seen = true;
        }
    }

    // At '<' and a name: the start tag, reported, and the element opened
    // unless the tag closes it too.
    bool StartTag() {
        ++p_;
        char* name;
        if (!Name(&name) || !(Is(*p_, kSpace) || *p_ == '>' || *p_ == '/')) return false;
        const size_t nameSize = size_t(p_ - name);
        bool space = Is(*p_, kSpace);
        const char after = *p_;
        *p_++ = '\0';
        atts_.clear();
        bool empty = after == '/';
        if (after != '>' && after != '/') {
            for (;;) {
                SkipSpace(&space);
                if (p_ == end_) return false;
                if (*p_ == '>') break;
                if (*p_ == '/') {
                    empty = true;
                    break;
                }
                if (!space || !Attribute()) return false;
                space = false;
            }
            ++p_;
        }
        if (empty && (p_ == end_ || *p_++ != '>')) return false;
        if (atts_.size() > 2 && RepeatsAName(atts_, &sorted_)) return false;
        atts_.push_back(nullptr);
        h_.start(h_.userData, name, atts_.data());
        if (empty) {
            h_.end(h_.userData, name);
        } else {
            open_.push_back({name, nameSize});
        }
        return true;
    }

    // name = 'value' or "value", the value decoded in place.
    bool Attribute() {
        char* name;
        if (!Name(&name) || !(Is(*p_, kSpace) || *p_ == '=')) return false;
        if (p_ - name == 5 && std::memcmp(name, "xmlns", 5) == 0) return false;
        const bool equals = *p_ == '=';
        *p_++ = '\0';
        if (!equals) {
            SkipSpace();
            if (p_ == end_ || *p_++ != '=') return false;
        }
        SkipSpace();
        if (p_ == end_ || (*p_ != '\'' && *p_ != '"')) return false;
        const char quote = *p_++;
        char* const value = p_;
        char* w = p_;  // never past p_: what is decoded is never longer
        for (;;) {
            const char* run = p_;
            while (p_ < end_ && !Is(*p_, kValueStop)) ++p_;
            if (w != run) std::memmove(w, run, size_t(p_ - run));
            w += p_ - run;
            if (p_ == end_) return false;
            const char c = *p_;
            if (c == quote) break;
            if (static_cast<unsigned char>(c) >= 0x80) {
                const size_t n = Utf8Char(p_, end_);
                if (!n) return false;
                if (w != p_) std::memmove(w, p_, n);
                w += n;
                p_ += n;
            } else if (c == '\'' || c == '"') {
                *w++ = c;
                ++p_;
            } else if (c == '\t' || c == '\n' || c == '\r') {
                *w++ = ' ';  // may be where c was
                if (++p_ < end_ && c == '\r' && *p_ == '\n') ++p_;
            } else if (c == '&') {
                char decoded[4];
                const char* next = nullptr;
                const size_t n = DecodeReference(p_, end_, decoded, &next);
                if (!n) return false;
                std::memcpy(w, decoded, n);
                w += n;
                p_ += next - p_;
            } else {
                return false;  // '<' or a control character
            }
        }
        *w = '\0';
        ++p_;
        atts_.push_back(name);
        atts_.push_back(value);
        return true;
    }

    // At "</": the end tag of the innermost open element, reported.
    bool EndTag() {
        const Scratch::Open open = open_.back();
        const char* q = p_ + 2;
        if (size_t(end_ - q) < open.size || std::memcmp(q, open.name, open.size) != 0) return false;
        p_ += 2 + open.size;
        if (p_ == end_ || Is(*p_, kName)) return false;
        SkipSpace();
        if (p_ == end_ || *p_++ != '>') return false;
        open_.pop_back();
        h_.end(h_.userData, open.name);
        return true;
    }

    char* p_;
    char* const end_;
    const PlainXmlHandlers& h_;
    std::vector<const char*>& atts_;
    std::vector<Scratch::Open>& open_;
    std::vector<std::string_view>& sorted_;
};

}  // namespace

bool ParsePlainXml(char* data, size_t size, const PlainXmlHandlers& handlers) {
    if (size > size_t(INT_MAX)) return false;  // a run of text is reported with an int size
    thread_local Scratch scratch;
    const bool ok = PlainParser(data, size, handlers, &scratch).Run();
    scratch.Trim();
    return ok;
}

}  // namespace notesapi
