#include "group_record.h"

#include "run_context.h"

namespace exporting {

std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

bool LogResolution(RunContext& run, const GroupRecord& group) {
    if (!group.error.empty()) {
        run.LogError("Cannot resolve the members of group \"" + OneLine(group.document.name) + "\": " + group.error);
        return false;
    }
    for (const notes::MemberNote& note : group.notes) run.Log(notes::DescribeMemberNote(note), kColourSkip);
    return true;
}

void ApplyGroup(store::DistListItem& list, const GroupRecord& group) {
    list.SetName(group.document.name);
    list.SetBody(group.document.description);
    for (const notes::ResolvedMember& m : group.members) list.AddMember(m.displayName, m.address);
}

}  // namespace exporting
