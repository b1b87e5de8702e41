// Group documents of an address book (form "Group"): a named list of members,
// each an Internet address, a Notes name or the name of another group.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class LNDocument;

namespace notes {

inline constexpr std::string_view kGroupForm = "Group";

struct GroupDocument {
    std::string name;                  // ListName (its first value; further values are aliases)
    std::string description;           // ListDescription
    std::string groupType;             // GroupType, else ListType, as stored: "0" multi-purpose,
                                       // "1" mail only, "2" access control only, "3" deny list,
                                       // "4" servers only
    std::vector<std::string> members;  // Members, every value as written, blanks trimmed, empty ones left out
};

// True for an open document of form "Group" (ASCII case ignored).
bool IsGroupDocument(const LNDocument& doc);

// The group's items from an open document; unreadable or missing items stay
// empty. Never throws.
GroupDocument ReadGroupDocument(const LNDocument& doc);

// Every value of a text item, blanks trimmed, empty values left out; empty
// when the item is missing or unreadable. Never throws.
std::vector<std::string> NonBlankValues(const LNDocument& doc, std::string_view itemName);

}  // namespace notes
