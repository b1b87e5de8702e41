// A contact as plain values: names, organisation, addresses, phones by kind,
// e-mail addresses, dates, categories, notes, attachments, photo and where
// it came from. Whatever reads a source fills one; each output is written
// from it by a converter of its own. Texts are UTF-8; an empty text is a
// value the contact does not have.
#pragma once

#include <contacts/origin.h>

#include <compare>
#include <string_view>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace contacts {

// A day of the calendar, without a time or a time zone.
struct CalendarDay {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31
    auto operator<=>(const CalendarDay&) const = default;
};

struct Address {
    std::string street;  // may hold several lines
    std::string city;
    std::string state;
    std::string postalCode;
    std::string country;
    bool Empty() const { return street.empty() && city.empty() && state.empty() && postalCode.empty() && country.empty(); }
    bool operator==(const Address&) const = default;
};

// What a phone number is for. Outlook has a place for each.
enum class PhoneKind {
    Primary,
    Business,
    Business2,
    BusinessFax,
    CompanyMain,
    Home,
    Home2,
    HomeFax,
    Mobile,
    Pager,
    Car,
    Assistant,
    Callback,
    Isdn,
    Radio,
    TtyTdd,
    Telex,
    Other,
    OtherFax,
};

struct Phone {
    PhoneKind kind = PhoneKind::Other;
    std::string number;
    bool operator==(const Phone&) const = default;
};

struct Attachment {
    std::string name;
    std::string mimeType;
    std::string bytes;
    bool operator==(const Attachment&) const = default;
};

struct Photo {
    std::string mimeType;
    std::string bytes;
    bool operator==(const Photo&) const = default;
};

// The notes of a contact, in the parts its text is made of (NotesText).
struct Notes {
    std::string richText;  // the document's text, as plain text
    std::string comment;
    // "Label: value" lines for the values of the source that found no
    // place of their own.
    std::vector<std::string> moreFromSource;
    bool operator==(const Notes&) const = default;
};

// A field of the source that found no place of its own in the contact,
// under the source's name for it, with every value in order. The notes list
// it as well; an output laid out by the source's own names (a table of Notes
// columns) finds it here.
struct SourceField {
    std::string name;
    std::vector<std::string> values;
    bool operator==(const SourceField&) const = default;
};

struct Contact {
    // The item's subject, and the sender a file name may show.
    std::string subject;
    std::string from;

    // Names.
    std::string fullName;  // the display name
    std::string prefix;    // "Dr."
    std::string firstName;
    std::string middleName;
    std::string lastName;
    std::string suffix;  // "Jr."
    std::string initials;
    std::string nickname;

    // Organisation.
    std::string company;
    std::string jobTitle;
    std::string profession;
    std::string department;
    std::string office;
    std::string manager;    // by name
    std::string assistant;  // by name

    std::string spouse;
    std::vector<std::string> children;

    Address home, business, other;
    std::vector<Phone> phones;  // in the order found; a kind at most once
    // The e-mail addresses in order; an empty one keeps its place, so that
    // the second address stays the second when there is no first.
    std::vector<std::string> emails;
    std::string personalWebPage;
    std::string businessWebPage;

    std::optional<CalendarDay> birthday, anniversary;
    std::vector<std::string> categories;
    Notes notes;
    std::vector<SourceField> unplaced;  // in the source's order

    std::vector<Attachment> attachments;
    std::optional<Photo> photo;
    Origin origin;

    // The number of that kind; none when the contact has none.
    const std::string* PhoneOf(PhoneKind kind) const;
    // The values of a field that found no place (names compare ignoring
    // ASCII case); none when there is no such field.
    const std::vector<std::string>* Unplaced(std::string_view name) const;
    bool operator==(const Contact&) const = default;
};

// The notes as one text: the rich text, then the comment, then the heading
// "More from Notes:" over the lines of moreFromSource; empty parts are left
// out, the others separated by an empty line, trailing line ends dropped.
std::string NotesText(const Notes& notes);
// The same, taking the texts: the rich text moved when it is the only part,
// else both texts let go once joined, so that a document's text of tens of
// megabytes is not held twice for long.
std::string NotesText(Notes&& notes);
// What NotesText gives, as a view of the one part it is made of; none when
// parts are to be joined.
std::optional<std::string_view> NotesTextInPlace(const Notes& notes);

// True for a text of blanks and line ends alone.
bool IsBlank(std::string_view text);

}  // namespace contacts
