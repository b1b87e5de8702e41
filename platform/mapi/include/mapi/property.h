// MAPI property model shared by the PST and MSG writers and the store library:
// property types and tags, named properties, values and a property bag.
#pragma once

#include <base/utf.h>

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace mapi {

enum class PropType : uint16_t {
    Int32 = 0x0003,    // PT_LONG
    Boolean = 0x000B,  // PT_BOOLEAN
    Int64 = 0x0014,    // PT_I8
    String8 = 0x001E,  // PT_STRING8
    Unicode = 0x001F,  // PT_UNICODE
    SysTime = 0x0040,  // PT_SYSTIME
    Guid = 0x0048,     // PT_CLSID
    Binary = 0x0102,   // PT_BINARY
    MultipleInt32 = 0x1003,  // PT_MV_LONG, held as Binary: the values packed little-endian
    MultipleUnicode = 0x101F,  // PT_MV_UNICODE, held as Strings
    MultipleBinary = 0x1102,  // PT_MV_BINARY, held as MultiBinary
};

using Guid = std::array<uint8_t, 16>;  // stored in the little-endian wire layout

// Parses "00062004-0000-0000-C000-000000000046" into the wire layout.
Guid GuidFromString(const char* text);

// PSETID_Address: the property set of the contact's named properties.
extern const Guid kPsetidAddress;
// PS_PUBLIC_STRINGS and PS_MAPI, which every name-to-id map knows.
extern const Guid kPsPublicStrings;
extern const Guid kPsMapi;

// A named property of a property set, identified by a numeric long id (LID)
// or, when `name` is not empty, by that name (as PS_PUBLIC_STRINGS names are).
struct NamedProperty {
    Guid propertySet{};
    uint32_t lid = 0;
    std::string name;
    bool IsString() const { return !name.empty(); }
    // By property set (its bytes in order), then id, then name. Property
    // bags and name maps order their keys by this many times per item.
    std::strong_ordering operator<=>(const NamedProperty& other) const {
        if (const auto c = CompareSets(propertySet, other.propertySet); c != 0) return c;
        if (const auto c = lid <=> other.lid; c != 0) return c;
        return name.compare(other.name) <=> 0;
    }
    bool operator==(const NamedProperty&) const = default;

private:
    static std::strong_ordering CompareSets(const Guid& a, const Guid& b) {
        // Two big-endian halves compare as the bytes do.
        uint64_t a0, a1, b0, b1;
        std::memcpy(&a0, a.data(), 8);
        std::memcpy(&a1, a.data() + 8, 8);
        std::memcpy(&b0, b.data(), 8);
        std::memcpy(&b1, b.data() + 8, 8);
        if (a0 != b0) return __builtin_bswap64(a0) <=> __builtin_bswap64(b0);
        return __builtin_bswap64(a1) <=> __builtin_bswap64(b1);
    }
};

// Where a property lives: a fixed 16-bit property id, or a named property that
// a store maps to an id of 0x8000 or above.
struct PropertyKey {
    std::variant<uint16_t, NamedProperty> id;
    PropType type = PropType::Unicode;

    static PropertyKey Tag(uint16_t propId, PropType t) { return {propId, t}; }
    static PropertyKey Named(const Guid& set, uint32_t lid, PropType t) { return {NamedProperty{set, lid, {}}, t}; }
    static PropertyKey Named(const NamedProperty& name, PropType t) { return {name, t}; }
    static PropertyKey NamedString(const Guid& set, std::string name, PropType t) {
        return {NamedProperty{set, 0, std::move(name)}, t};
    }
    bool IsNamed() const { return std::holds_alternative<NamedProperty>(id); }
    uint16_t TagId() const { return std::get<uint16_t>(id); }
    const NamedProperty& Name() const { return std::get<NamedProperty>(id); }
    // Fixed ids before named properties, then by id or name, then by type.
    std::strong_ordering operator<=>(const PropertyKey& other) const {
        if (id.index() != other.id.index()) return id.index() <=> other.id.index();
        const auto c = IsNamed() ? Name() <=> other.Name() : *std::get_if<uint16_t>(&id) <=> *std::get_if<uint16_t>(&other.id);
        if (c != 0) return c;
        return type <=> other.type;
    }
    bool operator==(const PropertyKey&) const = default;
};

// 100-nanosecond intervals since 1 January 1601 (UTC), as MAPI stores PT_SYSTIME.
struct FileTime {
    int64_t ticks = 0;
    auto operator<=>(const FileTime&) const = default;
};

// OLE automation date (days since 30 December 1899) <-> FILETIME.
FileTime FileTimeFromOleDate(double oleDate);
double OleDateFromFileTime(FileTime ft);

using Binary = std::vector<uint8_t>;
using MultiBinary = std::vector<Binary>;
// The values of a multi-valued text, in order.
using Strings = std::vector<std::string>;
// Text is UTF-8 in memory; writers convert to UTF-16LE for PT_UNICODE.
using PropertyValue = std::variant<int32_t, bool, int64_t, std::string, FileTime, Binary, Guid, MultiBinary, Strings>;

// An ordered set of properties. Keys are unique; a later Set replaces a value.
class PropertyBag {
public:
    void Set(const PropertyKey& key, PropertyValue value) { values_.insert_or_assign(key, std::move(value)); }
    void Erase(const PropertyKey& key) { values_.erase(key); }
    bool Has(const PropertyKey& key) const { return values_.count(key) != 0; }
    const PropertyValue* Find(const PropertyKey& key) const;
    std::optional<std::string> GetString(const PropertyKey& key) const;
    std::optional<FileTime> GetTime(const PropertyKey& key) const;
    std::optional<int32_t> GetInt32(const PropertyKey& key) const;
    const Binary* GetBinary(const PropertyKey& key) const;
    const MultiBinary* GetMultiBinary(const PropertyKey& key) const;
    std::optional<Strings> GetStrings(const PropertyKey& key) const;
    const std::map<PropertyKey, PropertyValue>& All() const { return values_; }
    bool Empty() const { return values_.empty(); }

private:
    std::map<PropertyKey, PropertyValue> values_;
};

// UTF-8 <-> UTF-16 for property values: the shared conversion, named here
// for the code that reads and writes properties.
using base::Utf16ToUtf8;
using base::Utf8ToUtf16;

}  // namespace mapi
