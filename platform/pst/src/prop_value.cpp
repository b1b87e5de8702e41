#include "prop_value.h"

#include <pst/error.h>

namespace pst {

using mapi::PropType;

bool IsInlineType(PropType t) { return t == PropType::Int32 || t == PropType::Boolean; }
bool IsFixedType(PropType t) { return IsInlineType(t) || t == PropType::Int64 || t == PropType::SysTime; }
size_t FixedSize(PropType t) {
    switch (t) {
    case PropType::Boolean: return 1;
    case PropType::Int32: return 4;
    default: return 8;
    }
}
bool IsKnownType(uint16_t t) {
    switch (PropType(t)) {
    case PropType::Int32: case PropType::Boolean: case PropType::Int64: case PropType::String8:
    case PropType::Unicode: case PropType::SysTime: case PropType::Guid: case PropType::Binary:
    case PropType::MultipleInt32: case PropType::MultipleBinary: case PropType::MultipleUnicode:
        return true;
    }
    return false;
}

namespace {
// UTF-8 to UTF-16LE bytes in one pass; invalid sequences become U+FFFD.
void AppendUtf16(Bytes& out, const std::string& s) {
    // Never more UTF-16 units than UTF-8 bytes: size for that, trim at the end.
    const size_t start = out.size();
    out.resize(start + s.size() * 2);
    uint8_t* o = out.data() + start;
    auto put = [&](uint32_t u) {
        *o++ = uint8_t(u);
        *o++ = uint8_t(u >> 8);
    };
    const auto* p = reinterpret_cast<const uint8_t*>(s.data());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        uint8_t c = p[i];
        if (c < 0x80) {
            put(c);
            ++i;
            continue;
        }
        size_t len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
        uint32_t cp = len == 4 ? c & 0x07 : len == 3 ? c & 0x0F : c & 0x1F;
        bool ok = len != 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            else cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
            ok = false;
        if (!ok) {
            put(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
        i += len;
    }
    out.resize(size_t(o - out.data()));
}

// A multi-valued variable-size value: the count, one offset per value from
// the start of the whole, then the values one after the other.
void AppendMultiBinary(Bytes& out, const mapi::MultiBinary& values) {
    uint32_t at = uint32_t(4 + 4 * values.size());
    Append32(out, uint32_t(values.size()));
    for (const auto& v : values) {
        Append32(out, at);
        at += uint32_t(v.size());
    }
    for (const auto& v : values) out.insert(out.end(), v.begin(), v.end());
}

mapi::MultiBinary ReadMultiBinary(const uint8_t* p, size_t n) {
    auto damaged = [] { return PstError(ErrorKind::BadFormat, "The PST file is damaged: bad multi-valued property"); };
    if (n == 0) return {};
    if (n < 4) throw damaged();
    const uint32_t count = Get32(p);
    if (count > (n - 4) / 4) throw damaged();
    mapi::MultiBinary values(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t start = Get32(p + 4 + 4 * size_t(i));
        const size_t end = i + 1 < count ? Get32(p + 8 + 4 * size_t(i)) : n;
        if (start < 4 + 4 * size_t(count) || start > end || end > n) throw damaged();
        values[i].assign(p + start, p + end);
    }
    return values;
}

[[noreturn]] void Mismatch() { throw PstError(ErrorKind::InvalidArgument, "A property value does not match its type"); }
template <class T>
const T& As(const mapi::PropertyValue& v) {
    if (auto* p = std::get_if<T>(&v)) return *p;
    Mismatch();
}
}  // namespace

Bytes Serialize(const TypedValue& v) {
    Bytes b;
    switch (v.type) {
    case PropType::Int32: Append32(b, uint32_t(As<int32_t>(v.value))); break;
    case PropType::Boolean: b.push_back(As<bool>(v.value) ? 1 : 0); break;
    case PropType::Int64: Append64(b, uint64_t(As<int64_t>(v.value))); break;
    case PropType::SysTime: Append64(b, uint64_t(As<mapi::FileTime>(v.value).ticks)); break;
    case PropType::Unicode: AppendUtf16(b, As<std::string>(v.value)); break;
    case PropType::String8: {
        const auto& s = As<std::string>(v.value);
        b.assign(s.begin(), s.end());
        break;
    }
    case PropType::Binary:
    case PropType::MultipleInt32: b = As<mapi::Binary>(v.value); break;
    case PropType::MultipleBinary: AppendMultiBinary(b, As<mapi::MultiBinary>(v.value)); break;
    case PropType::Guid: {
        const auto& g = As<mapi::Guid>(v.value);
        b.assign(g.begin(), g.end());
        break;
    }
    case PropType::MultipleUnicode: {
        // A count, each value's offset from the start, then the values as
        // UTF-16LE without terminators.
        const auto& values = As<mapi::Strings>(v.value);
        Append32(b, uint32_t(values.size()));
        b.resize(4 + 4 * values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            Put32(&b[4 + 4 * i], uint32_t(b.size()));
            AppendUtf16(b, values[i]);
        }
        break;
    }
    }
    return b;
}

namespace {
// UTF-16 units: one per lead byte, two for four-byte sequences.
size_t Utf16Size(const std::string& s) {
    size_t units = 0;
    for (char ch : s) {
        auto c = uint8_t(ch);
        if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
    }
    return units * 2;
}
}  // namespace

size_t SerializedSize(const TypedValue& v) {
    if (IsFixedType(v.type)) return FixedSize(v.type);
    if (v.type == PropType::Unicode) return Utf16Size(std::get<std::string>(v.value));
    if (auto* values = std::get_if<mapi::Strings>(&v.value)) {
        size_t size = 4 + 4 * values->size();
        for (const auto& s : *values) size += Utf16Size(s);
        return size;
    }
    if (auto* s = std::get_if<std::string>(&v.value)) return s->size();
    if (auto* b = std::get_if<mapi::Binary>(&v.value)) return b->size();
    if (auto* m = std::get_if<mapi::MultiBinary>(&v.value)) {
        size_t n = 4;
        for (const auto& value : *m) n += 4 + value.size();
        return n;
    }
    return 16;
}

namespace {
// UTF-16LE bytes as UTF-8, without trailing terminators.
std::string TextOf(const uint8_t* p, size_t n) {
    std::u16string w;
    w.reserve(n / 2);
    for (size_t i = 0; i + 1 < n; i += 2) w.push_back(char16_t(Get16(p + i)));
    while (!w.empty() && w.back() == 0) w.pop_back();
    return mapi::Utf16ToUtf8(w);
}
}  // namespace

TypedValue Deserialize(PropType type, const uint8_t* p, size_t n) {
    auto need = [&](size_t k) {
        if (n < k) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: short property value");
    };
    switch (type) {
    case PropType::Int32: need(4); return {type, int32_t(Get32(p))};
    case PropType::Boolean: need(1); return {type, p[0] != 0};
    case PropType::Int64: need(8); return {type, int64_t(Get64(p))};
    case PropType::SysTime: need(8); return {type, mapi::FileTime{int64_t(Get64(p))}};
    case PropType::Unicode: return {type, TextOf(p, n)};
    case PropType::MultipleUnicode: {
        if (n == 0) return {type, mapi::Strings{}};
        need(4);
        const uint32_t count = Get32(p);
        if (count > (n - 4) / 4) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: bad multi-valued property");
        mapi::Strings values;
        values.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const size_t begin = Get32(p + 4 + 4 * i);
            const size_t end = i + 1 < count ? Get32(p + 8 + 4 * i) : n;
            if (begin < 4 + 4 * size_t(count) || begin > end || end > n)
                throw PstError(ErrorKind::BadFormat, "The PST file is damaged: bad multi-valued property");
            values.push_back(TextOf(p + begin, end - begin));
        }
        return {type, std::move(values)};
    }
    case PropType::String8: return {type, std::string(reinterpret_cast<const char*>(p), n)};
    case PropType::Binary:
    case PropType::MultipleInt32: return {type, mapi::Binary(p, p + n)};
    case PropType::MultipleBinary: return {type, ReadMultiBinary(p, n)};
    case PropType::Guid: {
        mapi::Guid g{};
        need(g.size());
        std::copy(p, p + g.size(), g.begin());
        return {type, g};
    }
    }
    throw PstError(ErrorKind::BadFormat, "unknown property type");
}

}  // namespace pst
