#include "saved_name.h"

#include <notes/field_rules.h>

namespace exporting {

namespace {

// The name from the index alone; false when an item it depends on is not
// kept there.
bool NameFromIndex(const LNDocument& doc, std::string* name) {
    bool known = true;
    *name = DisplayNameFrom([&](std::string_view item) {
        std::vector<std::string> values;
        bool present = false;
        if (!doc.GetSummaryValues(LNString(std::string(item)), &values, &present)) known = false;
        if (!present || values.empty()) return std::string();
        return notes::CutValue(values.front());
    });
    return known;
}

}  // namespace

bool SavedDocumentName(LNDocument& doc, std::string* name, ContactRecord* contact, bool* opened) {
    if (NameFromIndex(doc, name) && !name->empty()) return true;
    *opened = true;
    try {
        doc.Open(0);
    } catch (const notesapi::NotesError&) {
        return false;
    }
    *name = DisplayNameFrom([&](std::string_view item) {
        std::vector<std::string> values = notes::ReadTextValues(doc, item);
        return values.empty() ? std::string() : values.front();
    });
    if (name->empty()) *contact = ReadContact(doc);
    doc.Close();
    return true;
}

}  // namespace exporting
