#include "prop_value.h"

#include <pst/error.h>

#include <base/utf.h>

#include <algorithm>

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
// UTF-8 to UTF-16LE bytes, decoded as every other text of the program is.
void AppendUtf16(Bytes& out, const std::string& s) { base::AppendUtf16Le(out, s); }

// A multi-valued variable-size value: the count, one offset per value from
// the start of the whole, then the values one after the other.
template <class Values, class AppendValue>
void AppendMultiple(Bytes& out, const Values& values, AppendValue append) {
    const size_t start = out.size();
    base::Append32(out, uint32_t(values.size()));
    out.resize(start + 4 + 4 * values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        base::Put32(&out[start + 4 + 4 * i], uint32_t(out.size() - start));
        append(out, values[i]);
    }
}

// The values of such a property, each made from its bytes by read(p, n).
template <class Values, class ReadValue>
Values ReadMultiple(const uint8_t* p, size_t n, ReadValue read) {
    auto damaged = [] { return PstError(ErrorKind::BadFormat, "The PST file is damaged: bad multi-valued property"); };
    if (n == 0) return {};
    if (n < 4) throw damaged();
    const uint32_t count = base::Get32(p);
    if (count > (n - 4) / 4) throw damaged();
    Values values;
    values.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const size_t start = base::Get32(p + 4 + 4 * size_t(i));
        const size_t end = i + 1 < count ? base::Get32(p + 8 + 4 * size_t(i)) : n;
        if (start < 4 + 4 * size_t(count) || start > end || end > n) throw damaged();
        values.push_back(read(p + start, end - start));
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

void AppendSerialized(Bytes& b, PropType type, const mapi::PropertyValue& value) {
    switch (type) {
    case PropType::Int32: base::Append32(b, uint32_t(As<int32_t>(value))); break;
    case PropType::Boolean: b.push_back(As<bool>(value) ? 1 : 0); break;
    case PropType::Int64: base::Append64(b, uint64_t(As<int64_t>(value))); break;
    case PropType::SysTime: base::Append64(b, uint64_t(As<mapi::FileTime>(value).ticks)); break;
    case PropType::Unicode: AppendUtf16(b, As<std::string>(value)); break;
    case PropType::String8: {
        const auto& s = As<std::string>(value);
        b.insert(b.end(), s.begin(), s.end());
        break;
    }
    case PropType::Binary:
    case PropType::MultipleInt32: {
        const auto& bytes = As<mapi::Binary>(value);
        b.insert(b.end(), bytes.begin(), bytes.end());
        break;
    }
    case PropType::MultipleBinary:
        AppendMultiple(b, As<mapi::MultiBinary>(value),
                       [](Bytes& out, const mapi::Binary& one) { out.insert(out.end(), one.begin(), one.end()); });
        break;
    case PropType::Guid: {
        const auto& g = As<mapi::Guid>(value);
        b.insert(b.end(), g.begin(), g.end());
        break;
    }
    case PropType::MultipleUnicode: AppendMultiple(b, As<mapi::Strings>(value), AppendUtf16); break;
    }
}

uint32_t InlineValue(PropType type, const mapi::PropertyValue& value) {
    if (type == PropType::Boolean) return As<bool>(value) ? 1 : 0;
    if (type == PropType::Int32) return uint32_t(As<int32_t>(value));
    Mismatch();
}

Bytes Serialize(const TypedValue& v) {
    Bytes b;
    AppendSerialized(b, v.type, v.value);
    return b;
}

size_t SerializedSize(PropType type, const mapi::PropertyValue& value) {
    if (IsFixedType(type)) return FixedSize(type);
    if (type == PropType::Unicode) return base::Utf16Length(std::get<std::string>(value)) * 2;
    if (auto* values = std::get_if<mapi::Strings>(&value)) {
        size_t size = 4 + 4 * values->size();
        for (const auto& s : *values) size += base::Utf16Length(s) * 2;
        return size;
    }
    if (auto* s = std::get_if<std::string>(&value)) return s->size();
    if (auto* b = std::get_if<mapi::Binary>(&value)) return b->size();
    if (auto* m = std::get_if<mapi::MultiBinary>(&value)) {
        size_t n = 4;
        for (const auto& one : *m) n += 4 + one.size();
        return n;
    }
    return 16;
}

size_t SerializedSize(const TypedValue& v) { return SerializedSize(v.type, v.value); }

PropRefs RefsOf(const PropMap& props) {
    PropRefs refs;
    refs.reserve(props.size());
    for (const auto& [id, v] : props) refs.push_back({id, v.type, &v.value});
    return refs;
}

const PropRef* FindRef(std::span<const PropRef> refs, uint16_t id) {
    auto it = std::lower_bound(refs.begin(), refs.end(), id, [](const PropRef& r, uint16_t want) { return r.id < want; });
    return it != refs.end() && it->id == id ? &*it : nullptr;
}

namespace {
// UTF-16LE bytes as UTF-8, without trailing terminators.
std::string TextOf(const uint8_t* p, size_t n) {
    std::u16string w;
    w.reserve(n / 2);
    for (size_t i = 0; i + 1 < n; i += 2) w.push_back(char16_t(base::Get16(p + i)));
    while (!w.empty() && w.back() == 0) w.pop_back();
    return mapi::Utf16ToUtf8(w);
}
}  // namespace

TypedValue Deserialize(PropType type, const uint8_t* p, size_t n) {
    auto need = [&](size_t k) {
        if (n < k) throw PstError(ErrorKind::BadFormat, "The PST file is damaged: short property value");
    };
    switch (type) {
    case PropType::Int32: need(4); return {type, int32_t(base::Get32(p))};
    case PropType::Boolean: need(1); return {type, p[0] != 0};
    case PropType::Int64: need(8); return {type, int64_t(base::Get64(p))};
    case PropType::SysTime: need(8); return {type, mapi::FileTime{int64_t(base::Get64(p))}};
    case PropType::Unicode: return {type, TextOf(p, n)};
    case PropType::MultipleUnicode: return {type, ReadMultiple<mapi::Strings>(p, n, TextOf)};
    case PropType::String8: return {type, std::string(reinterpret_cast<const char*>(p), n)};
    case PropType::Binary:
    case PropType::MultipleInt32: return {type, mapi::Binary(p, p + n)};
    case PropType::MultipleBinary:
        return {type, ReadMultiple<mapi::MultiBinary>(p, n, [](const uint8_t* v, size_t k) { return mapi::Binary(v, v + k); })};
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
