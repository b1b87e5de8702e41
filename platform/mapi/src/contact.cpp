#include <mapi/contact.h>

#include <array>
#include <stdexcept>

namespace mapi {

namespace {
constexpr PropType U = PropType::Unicode;
PropertyKey T(uint16_t id, PropType t = U) { return PropertyKey::Tag(id, t); }
PropertyKey A(uint32_t lid, PropType t = U) { return PropertyKey::Named(kPsetidAddress, lid, t); }

const std::array<ContactFieldInfo, 49>& Table() {
    using F = ContactField;
    static const std::array<ContactFieldInfo, 49> table{{
        {F::FullName, "FullName", "Full Name", T(tag::DisplayName)},
        {F::Title, "Title", "Title", T(0x3A45)},                        // PidTagDisplayNamePrefix
        {F::FirstName, "FirstName", "First Name", T(0x3A06)},           // PidTagGivenName
        {F::MiddleName, "MiddleName", "Middle Name", T(0x3A44)},
        {F::LastName, "LastName", "Last Name", T(0x3A11)},              // PidTagSurname
        {F::Initials, "Initials", "Initials", T(0x3A0A)},
        {F::NickName, "NickName", "Nickname", T(0x3A4F)},
        {F::Subject, "Subject", "Subject", T(tag::Subject)},
        {F::ConversationTopic, "ConversationTopic", "Conversation Topic", T(tag::ConversationTopic)},
        {F::CompanyName, "CompanyName", "Company", T(0x3A16)},
        {F::JobTitle, "JobTitle", "Job Title", T(0x3A17)},              // PidTagTitle
        {F::Department, "Department", "Department", T(0x3A18)},         // PidTagDepartmentName
        {F::OfficeLocation, "OfficeLocation", "Office", T(0x3A19)},
        {F::Profession, "Profession", "Profession", T(0x3A46)},
        {F::ManagerName, "ManagerName", "Manager", T(0x3A4E)},
        {F::AssistantName, "AssistantName", "Assistant", T(0x3A30)},    // PidTagAssistant
        {F::Spouse, "Spouse", "Spouse", T(0x3A48)},                     // PidTagSpouseName
        {F::Email1Address, "Email1Address", "E-mail", A(0x8083)},       // PidLidEmail1EmailAddress
        {F::Email2Address, "Email2Address", "E-mail 2", A(0x8093)},     // PidLidEmail2EmailAddress
        {F::Email3Address, "Email3Address", "E-mail 3", A(0x80A3)},     // PidLidEmail3EmailAddress
        {F::PrimaryTelephoneNumber, "PrimaryTelephoneNumber", "Primary Phone", T(0x3A1A)},
        {F::BusinessTelephoneNumber, "BusinessTelephoneNumber", "Business Phone", T(0x3A08)},
        {F::Business2TelephoneNumber, "Business2TelephoneNumber", "Business Phone 2", T(0x3A1B)},
        {F::CompanyMainTelephoneNumber, "CompanyMainTelephoneNumber", "Company Main Phone", T(0x3A57)},
        {F::HomeTelephoneNumber, "HomeTelephoneNumber", "Home Phone", T(0x3A09)},
        {F::Home2TelephoneNumber, "Home2TelephoneNumber", "Home Phone 2", T(0x3A2F)},
        {F::MobileTelephoneNumber, "MobileTelephoneNumber", "Mobile Phone", T(0x3A1C)},
        {F::BusinessFaxNumber, "BusinessFaxNumber", "Business Fax", T(0x3A24)},
        {F::HomeFaxNumber, "HomeFaxNumber", "Home Fax", T(0x3A25)},
        {F::TelexNumber, "TelexNumber", "Telex", T(0x3A2C)},
        {F::BusinessAddressStreet, "BusinessAddressStreet", "Business Street", A(0x8045)},        // PidLidWorkAddressStreet
        {F::BusinessAddressCity, "BusinessAddressCity", "Business City", A(0x8046)},              // PidLidWorkAddressCity
        {F::BusinessAddressState, "BusinessAddressState", "Business State", A(0x8047)},           // PidLidWorkAddressState
        {F::BusinessAddressPostalCode, "BusinessAddressPostalCode", "Business Postal Code", A(0x8048)},  // PidLidWorkAddressPostalCode
        {F::HomeAddressStreet, "HomeAddressStreet", "Home Street", T(0x3A5D)},
        {F::HomeAddressState, "HomeAddressState", "Home State", T(0x3A5C)},       // PidTagHomeAddressStateOrProvince
        {F::HomeAddressPostalCode, "HomeAddressPostalCode", "Home Postal Code", T(0x3A5B)},
        {F::HomeAddressCountry, "HomeAddressCountry", "Home Country", T(0x3A5A)},
        {F::OtherAddressCity, "OtherAddressCity", "Other City", T(0x3A5F)},
        {F::OtherAddressPostalCode, "OtherAddressPostalCode", "Other Postal Code", T(0x3A61)},
        {F::PersonalHomePage, "PersonalHomePage", "Personal Web Page", T(0x3A50)},
        {F::BusinessHomePage, "BusinessHomePage", "Business Web Page", T(0x3A51)},
        {F::Birthday, "Birthday", "Birthday", T(0x3A42, PropType::SysTime)},
        {F::Anniversary, "Anniversary", "Anniversary", T(0x3A41, PropType::SysTime)},  // PidTagWeddingAnniversary
        {F::Body, "Body", "Notes", T(tag::Body)},
        {F::Sent, "Sent", "Sent", T(tag::MessageFlags, PropType::Int32)},
        {F::To, "To", "To", T(tag::DisplayTo)},
        {F::CC, "CC", "Cc", T(tag::DisplayCc)},
        {F::BCC, "BCC", "Bcc", T(tag::DisplayBcc)},
    }};
    return table;
}
}  // namespace

std::span<const ContactFieldInfo> ContactFields() { return Table(); }

const ContactFieldInfo& InfoOf(ContactField f) {
    for (const auto& info : Table())
        if (info.field == f) return info;
    throw std::logic_error("contact field missing from the table");
}

const ContactFieldInfo* FindContactField(std::string_view name) {
    for (const auto& info : Table())
        if (info.name == name) return &info;
    return nullptr;
}

}  // namespace mapi
