// Where an exported item came from: the source database, the document's
// universal id, and the document's modification time and sequence number
// when it was written. Kept as numeric named properties of a property set of
// our own on every item we write (PST and MSG alike), so that a later run can
// tell what it saved before and whether the document changed since.
#pragma once

#include <mapi/property.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mapi {

// PSETID_FerrywellSource {93125657-D478-4F2F-9F49-C70DB331710B}.
extern const Guid kPsetidFerrywellSource;

struct SourceLid {
    uint32_t lid;
    PropType type;
    PropertyKey Key() const { return PropertyKey::Named(kPsetidFerrywellSource, lid, type); }
};

// The database's identity ("replica:852571E80054A1B2", "file:...").
inline constexpr SourceLid PidLidFerrywellSourceDatabase{0x0001, PropType::Unicode};
// The document's universal id: 32 upper-case hexadecimal digits.
inline constexpr SourceLid PidLidFerrywellSourceUnid{0x0002, PropType::Unicode};
// The document's modification time (UTC).
inline constexpr SourceLid PidLidFerrywellSourceModified{0x0003, PropType::SysTime};
// The document's sequence number: a 32-bit unsigned count held in PT_LONG.
inline constexpr SourceLid PidLidFerrywellSourceSequence{0x0004, PropType::Int32};

struct SourceIdentity {
    std::string database;
    std::string unid;
    FileTime modified;
    uint32_t sequence = 0;

    // Both names are needed to find an item again.
    bool Valid() const { return !database.empty() && !unid.empty(); }
    bool operator==(const SourceIdentity&) const = default;
};

// The four properties' keys, for readers that fetch only them.
std::vector<PropertyKey> SourceIdentityKeys();

// Sets the four properties; an identity that is not Valid() sets nothing.
void SetSourceIdentity(PropertyBag& properties, const SourceIdentity& identity);
// The identity an item carries: none unless both names are there as text;
// a missing time or sequence reads as 0.
std::optional<SourceIdentity> GetSourceIdentity(const PropertyBag& properties);

enum class SavedState {
    NotSaved,   // nothing of this document was written before
    Unchanged,  // written, and the document has not changed since
    Changed,    // written, and the document has a later time or a higher sequence now
};
// How the document described by current stands against what was written
// (saved: the identity the earlier item carries, or null when there is none).
SavedState CompareWithSaved(const SourceIdentity* saved, const SourceIdentity& current);

}  // namespace mapi
