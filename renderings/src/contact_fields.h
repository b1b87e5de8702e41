// What the renderings of a contact show: the values it has, each with its
// label, in a fixed order, cleaned for output.
#pragma once

#include <contacts/contact.h>

#include <string>
#include <string_view>
#include <vector>

namespace renderings {

// Every value a rendering may show, in the order they are shown.
enum class Field {
    FullName, Title, FirstName, MiddleName, LastName, Suffix, Initials, NickName, Subject, ConversationTopic,
    CompanyName, JobTitle, Department, OfficeLocation, Profession, ManagerName, AssistantName, Spouse, Children,
    Email1Address, Email2Address, Email3Address,
    PrimaryTelephoneNumber, BusinessTelephoneNumber, Business2TelephoneNumber, CompanyMainTelephoneNumber,
    AssistantTelephoneNumber, CallbackTelephoneNumber, HomeTelephoneNumber, Home2TelephoneNumber,
    MobileTelephoneNumber, CarTelephoneNumber, RadioTelephoneNumber, PagerNumber, OtherTelephoneNumber, ISDNNumber,
    TTYTDDTelephoneNumber, TelexNumber, BusinessFaxNumber, HomeFaxNumber, OtherFaxNumber,
    BusinessAddressStreet, BusinessAddressCity, BusinessAddressState, BusinessAddressPostalCode, BusinessAddressCountry,
    HomeAddressStreet, HomeAddressCity, HomeAddressState, HomeAddressPostalCode, HomeAddressCountry,
    OtherAddressStreet, OtherAddressCity, OtherAddressState, OtherAddressPostalCode, OtherAddressCountry,
    PersonalHomePage, BusinessHomePage, Birthday, Anniversary, Categories, Body, Attachments,
};

// A value as shown: the contact's own text where that needs no cleaning,
// so that a note of tens of megabytes is not copied; else a cleaned copy.
class ShownText {
public:
    ShownText() = default;
    explicit ShownText(std::string own) : own_(std::move(own)) {}
    // A view of text that outlives this.
    static ShownText Borrowed(std::string_view text) {
        ShownText shown;
        shown.borrowed_ = text;
        shown.isBorrowed_ = true;
        return shown;
    }
    std::string_view View() const { return isBorrowed_ ? borrowed_ : std::string_view(own_); }
    // The text as a string of its own: moved when it is one, else copied.
    std::string Take() && { return isBorrowed_ ? std::string(borrowed_) : std::move(own_); }

private:
    std::string own_;
    std::string_view borrowed_;
    bool isBorrowed_ = false;
};

struct ShownField {
    Field field;
    std::string_view label;
    ShownText value;  // valid UTF-8; line breaks are "\n"; days as "YYYY-MM-DD";
                      // the values of a list one a line; attachments one a
                      // line as "name (size)"
};

// Valid UTF-8 with "\n" line breaks and no other control characters but tabs.
std::string Clean(std::string text);

// True when the text holds more than blanks, tabs and line breaks.
bool HasText(std::string_view text);

// Every field that holds more than blanks. The values may be views of the
// contact's texts, valid while it is.
std::vector<ShownField> ShownFields(const contacts::Contact& contact);

// The value of one field as ShownFields gives it, or "" when it has none.
ShownText ShownTextOf(const contacts::Contact& contact, Field field);
// The same as a string of its own.
std::string ShownValue(const contacts::Contact& contact, Field field);

// The values of a list that hold more than blanks, cleaned.
std::vector<std::string> ShownValues(const std::vector<std::string>& list);

// A day as "YYYY-MM-DD"; "" for none.
std::string DayText(const std::optional<contacts::CalendarDay>& day);

// A heading for the contact: its full name, else its subject, else "Contact".
std::string ContactTitle(const contacts::Contact& contact);

}  // namespace renderings
