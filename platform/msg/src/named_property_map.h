// The named property mapping of a message file: which property id in the
// 0x8000 range stands for which name (a property set and a LID or a string).
#pragma once

#include <mapi/property.h>
#include <msg/compound_file.h>

#include <map>
#include <optional>

namespace msg {

class NamedPropertyMap {
public:
    // Assigns ids 0x8000, 0x8001, ... in the order names are first added.
    uint16_t Add(const mapi::NamedProperty& name);
    std::optional<uint16_t> IdOf(const mapi::NamedProperty& name) const;
    const mapi::NamedProperty* NameOf(uint16_t id) const;
    bool Empty() const { return byName_.empty(); }

    // The mapping storage: GUID, entry and string streams plus the hash streams.
    Storage ToStorage() const;
    // Reads the names of a mapping storage; entries that point outside its
    // streams are left out.
    static NamedPropertyMap FromStorage(const Storage& storage);

private:
    std::map<mapi::NamedProperty, uint16_t> byName_;
    std::map<uint16_t, mapi::NamedProperty> byId_;
};

}  // namespace msg
