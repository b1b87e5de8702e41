// Property values as the PST stores them: typed values keyed by property id,
// and their byte form.
#pragma once

#include "bytes.h"

#include <mapi/property.h>

#include <map>
#include <span>
#include <vector>

namespace pst {

struct TypedValue {
    mapi::PropType type;
    mapi::PropertyValue value;
};

// Properties of one object by 16-bit property id (named ones already mapped).
using PropMap = std::map<uint16_t, TypedValue>;

inline uint32_t TagOf(uint16_t id, mapi::PropType t) { return uint32_t(id) << 16 | uint16_t(t); }

// Types whose value fits in four bytes and is kept inline.
bool IsInlineType(mapi::PropType t);
// Types of fixed size (inline or eight bytes); others are variable.
bool IsFixedType(mapi::PropType t);
size_t FixedSize(mapi::PropType t);
bool IsKnownType(uint16_t t);

// A property on its way into the file: its id and type, and its value,
// which lives elsewhere (in the caller's property bag) and is not copied.
struct PropRef {
    uint16_t id;
    mapi::PropType type;
    const mapi::PropertyValue* value;
};
// Sorted by id, one entry per id.
using PropRefs = std::vector<PropRef>;
// The properties of a map, pointing into it.
PropRefs RefsOf(const PropMap& props);
// The entry for id in refs sorted by id, or nullptr.
const PropRef* FindRef(std::span<const PropRef> refs, uint16_t id);

// Throws PstError(InvalidArgument) when the value does not match the type.
Bytes Serialize(const TypedValue& v);
// The same bytes, appended to out.
void AppendSerialized(Bytes& out, mapi::PropType type, const mapi::PropertyValue& value);
// The four bytes an inline type is stored in, as a little-endian number.
uint32_t InlineValue(mapi::PropType type, const mapi::PropertyValue& value);
// The size Serialize gives, without building it.
size_t SerializedSize(const TypedValue& v);
size_t SerializedSize(mapi::PropType type, const mapi::PropertyValue& value);
TypedValue Deserialize(mapi::PropType type, const uint8_t* data, size_t size);

}  // namespace pst
