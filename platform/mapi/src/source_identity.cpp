#include <mapi/source_identity.h>

namespace mapi {

const Guid kPsetidFerrywellSource = GuidFromString("93125657-D478-4F2F-9F49-C70DB331710B");

std::vector<PropertyKey> SourceIdentityKeys() {
    return {PidLidFerrywellSourceDatabase.Key(), PidLidFerrywellSourceUnid.Key(), PidLidFerrywellSourceModified.Key(),
            PidLidFerrywellSourceSequence.Key()};
}

void SetSourceIdentity(PropertyBag& properties, const SourceIdentity& identity) {
    if (!identity.Valid()) return;
    properties.Set(PidLidFerrywellSourceDatabase.Key(), identity.database);
    properties.Set(PidLidFerrywellSourceUnid.Key(), identity.unid);
    properties.Set(PidLidFerrywellSourceModified.Key(), identity.modified);
    properties.Set(PidLidFerrywellSourceSequence.Key(), int32_t(identity.sequence));
}

std::optional<SourceIdentity> GetSourceIdentity(const PropertyBag& properties) {
    SourceIdentity id;
    id.database = properties.GetString(PidLidFerrywellSourceDatabase.Key()).value_or(std::string());
    id.unid = properties.GetString(PidLidFerrywellSourceUnid.Key()).value_or(std::string());
    if (!id.Valid()) return std::nullopt;
    id.modified = properties.GetTime(PidLidFerrywellSourceModified.Key()).value_or(FileTime{});
    id.sequence = uint32_t(properties.GetInt32(PidLidFerrywellSourceSequence.Key()).value_or(0));
    return id;
}

SavedState CompareWithSaved(const SourceIdentity* saved, const SourceIdentity& current) {
    if (!saved) return SavedState::NotSaved;
    // An older document than the one written (an export taken before the
    // last run) is not "changed": the newer item stays.
    return current.modified > saved->modified || current.sequence > saved->sequence ? SavedState::Changed
                                                                                     : SavedState::Unchanged;
}

}  // namespace mapi
