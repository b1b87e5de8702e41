#include <notes/field_rules.h>
#include <notes/group_document.h>

#include "blanks.h"

#include <base/ascii.h>
#include <notesapi/notesapi.h>

namespace notes {

namespace {

std::string First(const std::vector<std::string>& values) { return values.empty() ? std::string() : values.front(); }

}  // namespace

bool IsGroupDocument(const LNDocument& doc) {
    try {
        return doc.IsOpen() && base::EqualsIgnoringAsciiCase(doc.GetForm().str(), kGroupForm);
    } catch (const notesapi::NotesError&) {
        return false;
    }
}

std::vector<std::string> NonBlankValues(const LNDocument& doc, std::string_view itemName) {
    std::vector<std::string> out;
    for (const std::string& value : ReadTextValues(doc, itemName)) {
        std::string_view v = TrimBlanks(value);
        if (!v.empty()) out.emplace_back(v);
    }
    return out;
}

GroupDocument ReadGroupDocument(const LNDocument& doc) {
    GroupDocument g;
    g.name = First(NonBlankValues(doc, "ListName"));
    g.description = ReadItemText(doc, "ListDescription", kWindowDefault);
    g.groupType = First(NonBlankValues(doc, "GroupType"));
    if (g.groupType.empty()) g.groupType = First(NonBlankValues(doc, "ListType"));
    g.members = NonBlankValues(doc, "Members");
    return g;
}

}  // namespace notes
