#include "contact_fields.h"

#include <contacts/attachment_files.h>

#include <base/utf.h>

#include <algorithm>
#include <array>
#include <cstdio>

namespace renderings {

namespace {

using contacts::Contact;
using contacts::PhoneKind;

constexpr std::array<std::pair<Field, std::string_view>, 63> kLabels{{
    {Field::FullName, "Full Name"},
    {Field::Title, "Title"},
    {Field::FirstName, "First Name"},
    {Field::MiddleName, "Middle Name"},
    {Field::LastName, "Last Name"},
    {Field::Suffix, "Suffix"},
    {Field::Initials, "Initials"},
    {Field::NickName, "Nickname"},
    {Field::Subject, "Subject"},
    {Field::ConversationTopic, "Conversation Topic"},
    {Field::CompanyName, "Company"},
    {Field::JobTitle, "Job Title"},
    {Field::Department, "Department"},
    {Field::OfficeLocation, "Office"},
    {Field::Profession, "Profession"},
    {Field::ManagerName, "Manager"},
    {Field::AssistantName, "Assistant"},
    {Field::Spouse, "Spouse"},
    {Field::Children, "Children"},
    {Field::Email1Address, "E-mail"},
    {Field::Email2Address, "E-mail 2"},
    {Field::Email3Address, "E-mail 3"},
    {Field::PrimaryTelephoneNumber, "Primary Phone"},
    {Field::BusinessTelephoneNumber, "Business Phone"},
    {Field::Business2TelephoneNumber, "Business Phone 2"},
    {Field::CompanyMainTelephoneNumber, "Company Main Phone"},
    {Field::AssistantTelephoneNumber, "Assistant's Phone"},
    {Field::CallbackTelephoneNumber, "Callback"},
    {Field::HomeTelephoneNumber, "Home Phone"},
    {Field::Home2TelephoneNumber, "Home Phone 2"},
    {Field::MobileTelephoneNumber, "Mobile Phone"},
    {Field::CarTelephoneNumber, "Car Phone"},
    {Field::RadioTelephoneNumber, "Radio Phone"},
    {Field::PagerNumber, "Pager"},
    {Field::OtherTelephoneNumber, "Other Phone"},
    {Field::ISDNNumber, "ISDN"},
    {Field::TTYTDDTelephoneNumber, "TTY/TDD Phone"},
    {Field::TelexNumber, "Telex"},
    {Field::BusinessFaxNumber, "Business Fax"},
    {Field::HomeFaxNumber, "Home Fax"},
    {Field::OtherFaxNumber, "Other Fax"},
    {Field::BusinessAddressStreet, "Business Street"},
    {Field::BusinessAddressCity, "Business City"},
    {Field::BusinessAddressState, "Business State"},
    {Field::BusinessAddressPostalCode, "Business Postal Code"},
    {Field::BusinessAddressCountry, "Business Country"},
    {Field::HomeAddressStreet, "Home Street"},
    {Field::HomeAddressCity, "Home City"},
    {Field::HomeAddressState, "Home State"},
    {Field::HomeAddressPostalCode, "Home Postal Code"},
    {Field::HomeAddressCountry, "Home Country"},
    {Field::OtherAddressStreet, "Other Street"},
    {Field::OtherAddressCity, "Other City"},
    {Field::OtherAddressState, "Other State"},
    {Field::OtherAddressPostalCode, "Other Postal Code"},
    {Field::OtherAddressCountry, "Other Country"},
    {Field::PersonalHomePage, "Personal Web Page"},
    {Field::BusinessHomePage, "Business Web Page"},
    {Field::Birthday, "Birthday"},
    {Field::Anniversary, "Anniversary"},
    {Field::Categories, "Categories"},
    {Field::Body, "Notes"},
    {Field::Attachments, "Attachments"},
}};

std::string_view PhoneNumber(const Contact& c, PhoneKind kind) {
    const std::string* number = c.PhoneOf(kind);
    return number ? std::string_view(*number) : std::string_view();
}

std::string_view EmailAt(const Contact& c, size_t slot) {
    return slot < c.emails.size() ? std::string_view(c.emails[slot]) : std::string_view();
}

// The field's value as the contact holds it, not cleaned yet: a view of the
// contact's text, or of *made when it is made of several (the notes).
std::string_view RawText(const Contact& c, Field f, std::string* made) {
    switch (f) {
    case Field::FullName: return c.fullName;
    case Field::Title: return c.prefix;
    case Field::FirstName: return c.firstName;
    case Field::MiddleName: return c.middleName;
    case Field::LastName: return c.lastName;
    case Field::Suffix: return c.suffix;
    case Field::Initials: return c.initials;
    case Field::NickName: return c.nickname;
    case Field::Subject:
    case Field::ConversationTopic: return c.subject;
    case Field::CompanyName: return c.company;
    case Field::JobTitle: return c.jobTitle;
    case Field::Department: return c.department;
    case Field::OfficeLocation: return c.office;
    case Field::Profession: return c.profession;
    case Field::ManagerName: return c.manager;
    case Field::AssistantName: return c.assistant;
    case Field::Spouse: return c.spouse;
    case Field::Email1Address: return EmailAt(c, 0);
    case Field::Email2Address: return EmailAt(c, 1);
    case Field::Email3Address: return EmailAt(c, 2);
    case Field::PrimaryTelephoneNumber: return PhoneNumber(c, PhoneKind::Primary);
    case Field::BusinessTelephoneNumber: return PhoneNumber(c, PhoneKind::Business);
    case Field::Business2TelephoneNumber: return PhoneNumber(c, PhoneKind::Business2);
    case Field::CompanyMainTelephoneNumber: return PhoneNumber(c, PhoneKind::CompanyMain);
    case Field::AssistantTelephoneNumber: return PhoneNumber(c, PhoneKind::Assistant);
    case Field::CallbackTelephoneNumber: return PhoneNumber(c, PhoneKind::Callback);
    case Field::HomeTelephoneNumber: return PhoneNumber(c, PhoneKind::Home);
    case Field::Home2TelephoneNumber: return PhoneNumber(c, PhoneKind::Home2);
    case Field::MobileTelephoneNumber: return PhoneNumber(c, PhoneKind::Mobile);
    case Field::CarTelephoneNumber: return PhoneNumber(c, PhoneKind::Car);
    case Field::RadioTelephoneNumber: return PhoneNumber(c, PhoneKind::Radio);
    case Field::PagerNumber: return PhoneNumber(c, PhoneKind::Pager);
    case Field::OtherTelephoneNumber: return PhoneNumber(c, PhoneKind::Other);
    case Field::ISDNNumber: return PhoneNumber(c, PhoneKind::Isdn);
    case Field::TTYTDDTelephoneNumber: return PhoneNumber(c, PhoneKind::TtyTdd);
    case Field::TelexNumber: return PhoneNumber(c, PhoneKind::Telex);
    case Field::BusinessFaxNumber: return PhoneNumber(c, PhoneKind::BusinessFax);
    case Field::HomeFaxNumber: return PhoneNumber(c, PhoneKind::HomeFax);
    case Field::OtherFaxNumber: return PhoneNumber(c, PhoneKind::OtherFax);
    case Field::BusinessAddressStreet: return c.business.street;
    case Field::BusinessAddressCity: return c.business.city;
    case Field::BusinessAddressState: return c.business.state;
    case Field::BusinessAddressPostalCode: return c.business.postalCode;
    case Field::BusinessAddressCountry: return c.business.country;
    case Field::HomeAddressStreet: return c.home.street;
    case Field::HomeAddressCity: return c.home.city;
    case Field::HomeAddressState: return c.home.state;
    case Field::HomeAddressPostalCode: return c.home.postalCode;
    case Field::HomeAddressCountry: return c.home.country;
    case Field::OtherAddressStreet: return c.other.street;
    case Field::OtherAddressCity: return c.other.city;
    case Field::OtherAddressState: return c.other.state;
    case Field::OtherAddressPostalCode: return c.other.postalCode;
    case Field::OtherAddressCountry: return c.other.country;
    case Field::PersonalHomePage: return c.personalWebPage;
    case Field::BusinessHomePage: return c.businessWebPage;
    case Field::Body:
        if (const auto inPlace = contacts::NotesTextInPlace(c.notes)) return *inPlace;
        *made = contacts::NotesText(c.notes);
        return *made;
    case Field::Children:
    case Field::Categories:
    case Field::Birthday:
    case Field::Anniversary:
    case Field::Attachments: break;
    }
    return {};
}

std::string JoinedLines(const std::vector<std::string>& values) {
    std::string out;
    for (const auto& value : ShownValues(values)) {
        if (!out.empty()) out += '\n';
        out += value;
    }
    return out;
}

// Each file by name and size, one a line.
std::string AttachmentLines(const std::vector<contacts::Attachment>& attachments) {
    std::vector<std::string> lines;
    for (const contacts::Attachment& a : attachments) lines.push_back(a.name + " (" + contacts::SizeText(a.bytes.size()) + ")");
    return JoinedLines(lines);
}

// A byte Clean changes: a control character other than a line feed or a
// tab (a carriage return among them).
bool IsControl(unsigned char c) { return (c < 0x20 && c != '\n' && c != '\t') || c == 0x7F; }

// True when Clean would give the text back as it is.
bool IsClean(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return IsControl(static_cast<unsigned char>(c)); }) &&
           base::IsValidUtf8(text);
}

}  // namespace

std::string Clean(std::string text) {
    // Cleaned where it stands: the text never grows (a CR LF becomes one
    // line break), and a long value is not held twice.
    std::string out = base::ValidUtf8(std::move(text));
    size_t to = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = out[i];
        if (c == '\r') {
            out[to++] = '\n';
            if (i + 1 < out.size() && out[i + 1] == '\n') ++i;
        } else if (IsControl(c)) {
            out[to++] = ' ';
        } else {
            out[to++] = char(c);
        }
    }
    out.resize(to);
    return out;
}

bool HasText(std::string_view text) { return text.find_first_not_of(" \t\n") != std::string_view::npos; }

std::string DayText(const std::optional<contacts::CalendarDay>& day) {
    if (!day) return {};
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", day->year, day->month, day->day);
    return buf;
}

ShownText ShownTextOf(const Contact& c, Field f) {
    switch (f) {
    case Field::Children: return ShownText(JoinedLines(c.children));
    case Field::Categories: return ShownText(JoinedLines(c.categories));
    case Field::Birthday: return ShownText(DayText(c.birthday));
    case Field::Anniversary: return ShownText(DayText(c.anniversary));
    case Field::Attachments: return ShownText(AttachmentLines(c.attachments));
    default: break;
    }
    std::string made;
    const std::string_view raw = RawText(c, f, &made);
    if (raw.empty()) return ShownText();
    if (!made.empty()) return ShownText(Clean(std::move(made)));
    return IsClean(raw) ? ShownText::Borrowed(raw) : ShownText(Clean(std::string(raw)));
}

std::string ShownValue(const Contact& c, Field f) { return ShownTextOf(c, f).Take(); }

std::vector<std::string> ShownValues(const std::vector<std::string>& list) {
    std::vector<std::string> out;
    for (const auto& item : list) {
        std::string value = Clean(item);
        if (HasText(value)) out.push_back(std::move(value));
    }
    return out;
}

std::vector<ShownField> ShownFields(const Contact& c) {
    std::vector<ShownField> out;
    for (const auto& [field, label] : kLabels) {
        ShownText value = ShownTextOf(c, field);
        if (HasText(value.View())) out.push_back({field, label, std::move(value)});
    }
    return out;
}

std::string ContactTitle(const Contact& c) {
    for (auto f : {Field::FullName, Field::Subject}) {
        std::string v = ShownValue(c, f);
        if (HasText(v)) return v;
    }
    return "Contact";
}

}  // namespace renderings
