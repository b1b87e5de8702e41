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
    std::string value;  // valid UTF-8; line breaks are "\n"; dates as ShownDate gives them;
                        // the values of a multi-valued text one a line
};

// Valid UTF-8 with "\n" line breaks and no other control characters but tabs.
std::string Clean(const std::string& text);

// Every contact field that holds a date or a text with more than blanks. The message flags
// (the Sent state) and the empty To/Cc/Bcc texts are not contact details and
// are not shown.
std::vector<ShownField> ShownFields(const mapi::PropertyBag& properties);

// The value of one field as ShownFields gives it, or "" when it is not set.
std::string ShownValue(const mapi::PropertyBag& properties, mapi::ContactField field);

// The day of a date field as "YYYY-MM-DD": the day its Local twin keeps
// (PidLidBirthdayLocal, PidLidWeddingAnniversaryLocal) when it has one, else
// the day its instant falls on in this process's time zone; "" when unset.
std::string ShownDay(const mapi::PropertyBag& properties, mapi::ContactField field);
// ShownDay, followed by the local time " HH:MM:SS" when the field has no
// Local twin and its instant is not at local midnight.
std::string ShownDate(const mapi::PropertyBag& properties, mapi::ContactField field);

// The values of a multi-valued text that hold more than blanks, cleaned.
std::vector<std::string> ShownValues(const mapi::PropertyBag& properties, mapi::ContactField field);

// A heading for the contact: its full name, else its subject, else "Contact".
std::string ContactTitle(const mapi::PropertyBag& properties);

}  // namespace store::render
