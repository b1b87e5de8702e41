// One contact document as the exporters read it, and the contact table that
// turns it into an Outlook contact item.
#pragma once

#include <notes/field_rules.h>
#include <exporting/csv_file.h>
#include <store/contact_item.h>

#include <string>

namespace exporting {

struct ContactRecord {
    // Notes item name -> value by the text rule; only items the document has.
    ContactValues values;
    std::string from;
    bool hasSubject = false;  // the document has a "Subject" item
    std::string subject;      // its value
    std::string body;         // plain text of "Body"
    notes::OleDate birthday, anniversary;  // valid only when the text parsed
    bool hasAttachments = false;

    // The value of an item, empty when the document lacks it.
    const std::string& Value(std::string_view item) const;
};

// Reads every item the exporters use; a failing read keeps the empty value.
// The dates keep their text in values (for the CSV file) and are set only
// when that text parses: two dates joined by ";" set nothing.
ContactRecord ReadContact(const LNDocument& doc);

// Sets the contact's properties in the table's order (a later row wins; a
// text is set only when not empty), with subject as Subject and
// ConversationTopic (nothing when empty), then Sent and the empty To, CC, BCC.
void ApplyContactTable(store::RDOContactItem& item, const ContactRecord& contact, const std::string& subject);

}  // namespace exporting
