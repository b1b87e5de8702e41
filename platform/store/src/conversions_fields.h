// What the renderings show: the set properties of a contact with their labels,
// in the contact table's order, values cleaned for output.
#pragma once

#include <mapi/contact.h>

#include <string>
#include <vector>

namespace store::render {

struct ShownField {
    mapi::ContactField field;
    std::string_view label;
    std::string value;  // valid UTF-8; line breaks are "\n"; dates as YYYY-MM-DD
};

// Valid UTF-8 with "\n" line breaks and no other control characters but tabs.
std::string Clean(const std::string& text);

// Every contact field that holds a date or a text with more than blanks. The message flags
// (the Sent state) and the empty To/Cc/Bcc texts are not contact details and
// are not shown.
std::vector<ShownField> ShownFields(const mapi::PropertyBag& properties);

// The value of one field as ShownFields gives it, or "" when it is not set.
std::string ShownValue(const mapi::PropertyBag& properties, mapi::ContactField field);

// "YYYY-MM-DD", followed by " HH:MM:SS" when the time of day is not midnight.
std::string FormatDate(mapi::FileTime time);

// A heading for the contact: its full name, else its subject, else "Contact".
std::string ContactTitle(const mapi::PropertyBag& properties);

}  // namespace store::render
