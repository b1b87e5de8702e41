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

contacts::DistributionList ListOf(const GroupRecord& group) {
    contacts::DistributionList list;
    list.name = group.document.name;
    list.description = group.document.description;
    list.members.reserve(group.members.size());
    for (const notes::ResolvedMember& m : group.members)
        list.members.push_back({m.displayName, m.address,
                                m.address.empty() ? contacts::MemberKind::NameOnly : contacts::MemberKind::Address});
    return list;
}


}  // namespace exporting
