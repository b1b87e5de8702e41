// One contact document as the exporters read it, and the contact table that
// turns it into a contact of the model: each Notes item to the value of the
// same meaning, and whatever finds no place into the notes, so that nothing
// the document holds is lost without a word.
#pragma once

#include <notes/field_rules.h>
#include <contacts/contact.h>
#include <exporting/csv_file.h>
#include <store/contact_item.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// One item of a contact document with every value, each cut by
// notes::CutValue and Trimmed; dates as their text ("1975-03-14",
// "2001-05-22 10:36:36").
struct NotesItem {
    std::string name;
    std::vector<std::string> values;
};

struct ContactRecord {
    // Every item of the document but Body, Comment and the bookkeeping ones
    // (IsBookkeepingItem), in document order; items of one name (ASCII case
    // ignored) are one, with the values of each in document order.
    std::vector<NotesItem> items;
    // The items a value of which was cut by notes::CutValue.
    std::vector<std::string> cutItems;
    std::string from;
    bool hasSubject = false;  // the document has a "Subject" item
    std::string subject;      // its value
    std::string body;         // plain text of "Body" (pictures as "[picture]", tabs, links with their URL)
    std::string comment;      // plain text of "Comment"
    notes::OleDate birthday, anniversary;  // valid only when the text parsed
    // The document's files and the pictures of its rich text, each with its
    // bytes (ReadAttachments); the photo among them, once more, as the photo.
    std::vector<contacts::Attachment> attachments;
    std::optional<contacts::Photo> photo;
    // The files that could not be read or were too large, each "name: why";
    // the contact is written without them.
    std::vector<std::string> attachmentsLeftOut;
    bool hasAttachments = false;  // attachments or a photo
    int64_t changed = 0;  // LastChange of the document

    // The value of an item by the text rule: its first value, one blank
    // when it is present but empty, empty when the document lacks it.
    std::string Value(std::string_view item) const;
    // Every value of an item (names compare ignoring ASCII case); none when
    // the document lacks it.
    const std::vector<std::string>* Values(std::string_view item) const;
    // The name the contact goes by: the first FullName (a hierarchical one
    // by its common name), else the name parts as the store joins them
    // (title, first, middle and last name), else the company, else the first
    // MailAddress that is no Notes routing address, else InternetAddress;
    // values trimmed; empty when it has none.
    std::string DisplayName() const;
};

// DisplayName's rule over any source of values: firstValue(item) gives the
// item's first value (cut as ReadContact cuts it), empty when the document
// lacks the item.
std::string DisplayNameFrom(const std::function<std::string(std::string_view)>& firstValue);

// The value without the blanks, tabs and line ends around it, as the
// contact table reads every value.
std::string Trimmed(std::string value);

// Items Notes keeps for itself, which no reader of a contact needs and
// which are neither exported nor listed in the notes: "$" items (attachments,
// edit history...), Form and Type, the form's own settings ("_" items,
// NameDisplayPref, MailSystem), who may read or edit the document
// (DocAuthors, Owner, DocumentAccess) and Notes' keys (Certificate,
// PublicKey, UserCertificate).
bool IsBookkeepingItem(std::string_view name);

// When the document was last changed, as 100 ns ticks since 1601-01-01 UTC:
// its <modified> time, else its <created> time; 0 when it has neither.
int64_t LastChange(const LNDocument& doc);

// Reads every item of the document but the bookkeeping ones; a failing read
// keeps the empty value. A date is set only when its text is one day (with
// or without a time): two dates joined by ";" or a time alone set nothing.
ContactRecord ReadContact(const LNDocument& doc);

// Reads the document's attached files and the pictures of its rich text
// into contact: names cleaned (contacts::CleanFileName), bytes decoded, the
// MIME type by the extension. A file whose data is not whole base64, or that
// is larger than contacts::kMaxAttachmentBytes, is listed in
// attachmentsLeftOut instead. A file the rich text does not show, or a
// picture of an item the notes leave out ($Photo), is named on a line of its
// own after the body ("[attachment: name]", "[picture: name]"), so that the
// notes name every file where it stands or at their end. The photo is, in order:
// a picture of a rich-text item named Photo or $Photo; the file such an item
// names (as a text value or an attachment icon); the only picture file
// attached. It must be a JPEG, PNG, GIF or BMP image by its bytes.
void ReadAttachments(const LNDocument& doc, ContactRecord* contact);

// The table:
//  - names: FullName (first value) the display name, Title the prefix,
//    FirstName, MiddleInitial, LastName, Suffix, ShortName the initials,
//    Nickname; work: CompanyName, JobTitle, Department, Location the office,
//    Manager and Assistant by their common names, Spouse, every Children;
//  - the home address from StreetAddress, City, State, Zip and Country, the
//    business address from the Office items of the same names; no "other"
//    address;
//  - phones by meaning: OfficePhoneNumber the primary and business phone,
//    PhoneNumber home, CellPhoneNumber mobile, PersPager pager, the two fax
//    numbers, Work2Phone, Home2Phone, AssistantPhone and CarPhone;
//  - e-mail 1 to 3 from the first MailAddress, MiscPhone1 and MiscPhone2;
//    a slot those leave empty takes the next further MailAddress value or
//    InternetAddress that differs from the addresses already placed; a
//    MailAddress that is a Notes routing address takes no slot and is kept
//    in the notes as "Notes mail address: …";
//  - every Categories value; WebSite as personal and business web page;
//  - Birthday and Anniversary as days, when their local midnight is a
//    FILETIME (not before 1601-01-01 UTC).
// A hierarchical FullName is shown by its common name and kept in the notes
// as "Notes name: …"; when it is the only name, its common name gives the
// first and last name. Each place takes its item's first value that is not
// blank; further values of OfficePhoneNumber and PhoneNumber take business
// and home phone 2 when free. Whatever finds no place is listed in the notes
// (moreFromSource) as "Label: value", unless it is among the contact's values
// already; the notes hold the rich text and the Comment besides.
contacts::Contact MapContact(const ContactRecord& contact, const std::string& subject = "");
// The same, moving the record's long values (its rich text, Comment, files
// and photo) into the contact rather than copying them: a value of tens of
// megabytes is then held once. The record keeps its items.
contacts::Contact MapContact(ContactRecord&& contact, const std::string& subject = "");

}  // namespace exporting
