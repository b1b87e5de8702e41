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
    } catch (LNSTATUS) {
        return false;
    }
}

std::vector<std::string> ReadTextValues(const LNDocument& doc, std::string_view itemName) {
    std::vector<std::string> out;
    if (!doc.IsOpen()) return out;
    try {
        LNString name{std::string(itemName)};
        if (!doc.HasItem(name)) return out;
        LNText text;
        if (doc.GetItem(name, &text) != LNNOERROR) return out;
        out.reserve(text.GetCount());
        for (size_t i = 0; i < text.GetCount(); ++i) {
            const LNString value = text[i];
            std::string_view v = TrimBlanks(value.str());
            if (!v.empty()) out.push_back(CutToChars(v, kMaxValueChars));
        }
    } catch (LNSTATUS) {
        out.clear();
    }
    return out;
}

GroupDocument ReadGroupDocument(const LNDocument& doc) {
    GroupDocument g;
    g.name = First(ReadTextValues(doc, "ListName"));
    g.description = RetriveNSFCONTACTValue(doc, "ListDescription", kWindowDefault);
    g.groupType = First(ReadTextValues(doc, "GroupType"));
    if (g.groupType.empty()) g.groupType = First(ReadTextValues(doc, "ListType"));
    g.members = ReadTextValues(doc, "Members");
    return g;
}

}  // namespace notes
