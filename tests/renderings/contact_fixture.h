// Contacts for the rendering tests: one with every value the model holds,
// each named after the Outlook field it is shown as, and a text with every
// character the renderings must escape.
#pragma once

#include <contacts/contact.h>

#include <functional>
#include <string>
#include <string_view>

namespace contact_fixture {

inline const std::string kHostile = "<b>\"Q\" & 'A'</b> \\ x; y, z";

// Every text of a contact, value(name) each, name the Outlook field's
// ("LastName", "HomeAddressCity", "PagerNumber"; "Subject" for the subject).
inline contacts::Contact EveryText(const std::function<std::string(std::string_view)>& value) {
    using contacts::PhoneKind;
    contacts::Contact c;
    c.fullName = value("FullName");
    c.prefix = value("Title");
    c.firstName = value("FirstName");
    c.middleName = value("MiddleName");
    c.lastName = value("LastName");
    c.suffix = value("Suffix");
    c.initials = value("Initials");
    c.nickname = value("NickName");
    c.subject = value("Subject");
    c.company = value("CompanyName");
    c.jobTitle = value("JobTitle");
    c.department = value("Department");
    c.office = value("OfficeLocation");
    c.profession = value("Profession");
    c.manager = value("ManagerName");
    c.assistant = value("AssistantName");
    c.spouse = value("Spouse");
    c.emails = {value("Email1Address"), value("Email2Address"), value("Email3Address")};
    const std::pair<PhoneKind, std::string_view> phones[] = {
        {PhoneKind::Primary, "PrimaryTelephoneNumber"}, {PhoneKind::Business, "BusinessTelephoneNumber"},
        {PhoneKind::Business2, "Business2TelephoneNumber"}, {PhoneKind::CompanyMain, "CompanyMainTelephoneNumber"},
        {PhoneKind::Assistant, "AssistantTelephoneNumber"}, {PhoneKind::Callback, "CallbackTelephoneNumber"},
        {PhoneKind::Home, "HomeTelephoneNumber"}, {PhoneKind::Home2, "Home2TelephoneNumber"},
        {PhoneKind::Mobile, "MobileTelephoneNumber"}, {PhoneKind::Car, "CarTelephoneNumber"},
        {PhoneKind::Radio, "RadioTelephoneNumber"}, {PhoneKind::Pager, "PagerNumber"},
        {PhoneKind::Other, "OtherTelephoneNumber"}, {PhoneKind::Isdn, "ISDNNumber"},
        {PhoneKind::TtyTdd, "TTYTDDTelephoneNumber"}, {PhoneKind::Telex, "TelexNumber"},
        {PhoneKind::BusinessFax, "BusinessFaxNumber"}, {PhoneKind::HomeFax, "HomeFaxNumber"},
        {PhoneKind::OtherFax, "OtherFaxNumber"},
    };
    for (const auto& [kind, name] : phones) c.phones.push_back({kind, value(name)});
    const std::pair<contacts::Address*, std::string> addresses[] = {
        {&c.business, "BusinessAddress"}, {&c.home, "HomeAddress"}, {&c.other, "OtherAddress"}};
    for (const auto& [address, prefix] : addresses) {
        address->street = value(prefix + "Street");
        address->city = value(prefix + "City");
        address->state = value(prefix + "State");
        address->postalCode = value(prefix + "PostalCode");
        address->country = value(prefix + "Country");
    }
    c.personalWebPage = value("PersonalHomePage");
    c.businessWebPage = value("BusinessHomePage");
    return c;
}

}  // namespace contact_fixture
