// The store's map from named properties (property set + long id or name) to
// the property ids 0x8000 and above that items use for them.
//
// The encoded entry stream always ends with one more entry that no item
// uses: some readers never read the stream's last entry, and this way they
// lose nothing. Loading a map drops that entry again.
#pragma once

#include "prop_value.h"

#include <optional>

namespace pst {

class NameMap {
public:
    void Load(const PropMap& props);
    PropMap Encode() const;

    uint16_t IdFor(const mapi::NamedProperty& name);  // assigns an id when new
    // Maps a property named by a string (as in PS_PUBLIC_STRINGS) unless the
    // map already has string names; Outlook's maps always do, and some
    // readers cannot open a map whose string stream is empty.
    void EnsureStringName(const mapi::Guid& set, const std::string& name);
    // The entry the encoded stream ends with.
    static const mapi::NamedProperty& ClosingName();
    std::optional<uint16_t> Find(const mapi::NamedProperty& name) const;
    std::optional<mapi::NamedProperty> NameOf(uint16_t id) const;
    // Properties as read, the named ones by their names.
    mapi::PropertyBag BagOf(const PropMap& props) const;
    bool Dirty() const { return dirty_; }
    void ClearDirty() { dirty_ = false; }

private:
    uint16_t GuidIndex(Bytes& guids, const mapi::Guid& g) const;
    uint16_t NewIndex();
    void Register(const mapi::NamedProperty& name, uint16_t index);
    Bytes guids_;
    Bytes entries_;
    Bytes strings_;
    std::map<mapi::NamedProperty, uint16_t> ids_;
    std::map<uint16_t, mapi::NamedProperty> names_;
    uint16_t nextIndex_ = 0;
    bool dirty_ = true;
};

}  // namespace pst
