#include <mapi/contact.h>
#include <mapi/tags.h>

#include <array>
#include <stdexcept>

namespace mapi {

namespace {
const std::array<ContactFieldInfo, 49>& Table() {
    using F = ContactField;
    static const std::array<ContactFieldInfo, 49> table{{
        {F::FullName, "FullName", "Full Name", PidTagDisplayName.Key()},
        {F::Title, "Title", "Title", PidTagDisplayNamePrefix.Key()},
        {F::FirstName, "FirstName", "First Name", PidTagGivenName.Key()},
        {F::MiddleName, "MiddleName", "Middle Name", PidTagMiddleName.Key()},
        {F::LastName, "LastName", "Last Name", PidTagSurname.Key()},
        {F::Initials, "Initials", "Initials", PidTagInitials.Key()},
        {F::NickName, "NickName", "Nickname", PidTagNickname.Key()},
        {F::Subject, "Subject", "Subject", PidTagSubject.Key()},
        {F::ConversationTopic, "ConversationTopic", "Conversation Topic", PidTagConversationTopic.Key()},
        {F::CompanyName, "CompanyName", "Company", PidTagCompanyName.Key()},
        {F::JobTitle, "JobTitle", "Job Title", PidTagTitle.Key()},
        {F::Department, "Department", "Department", PidTagDepartmentName.Key()},
        {F::OfficeLocation, "OfficeLocation", "Office", PidTagOfficeLocation.Key()},
        {F::Profession, "Profession", "Profession", PidTagProfession.Key()},
        {F::ManagerName, "ManagerName", "Manager", PidTagManagerName.Key()},
        {F::AssistantName, "AssistantName", "Assistant", PidTagAssistant.Key()},
        {F::Spouse, "Spouse", "Spouse", PidTagSpouseName.Key()},
        {F::Email1Address, "Email1Address", "E-mail", PidLidEmail1EmailAddress.Key()},
        {F::Email2Address, "Email2Address", "E-mail 2", PidLidEmail2EmailAddress.Key()},
        {F::Email3Address, "Email3Address", "E-mail 3", PidLidEmail3EmailAddress.Key()},
        {F::PrimaryTelephoneNumber, "PrimaryTelephoneNumber", "Primary Phone", PidTagPrimaryTelephoneNumber.Key()},
        {F::BusinessTelephoneNumber, "BusinessTelephoneNumber", "Business Phone", PidTagBusinessTelephoneNumber.Key()},
        {F::Business2TelephoneNumber, "Business2TelephoneNumber", "Business Phone 2", PidTagBusiness2TelephoneNumber.Key()},
        {F::CompanyMainTelephoneNumber, "CompanyMainTelephoneNumber", "Company Main Phone", PidTagCompanyMainTelephoneNumber.Key()},
        {F::HomeTelephoneNumber, "HomeTelephoneNumber", "Home Phone", PidTagHomeTelephoneNumber.Key()},
        {F::Home2TelephoneNumber, "Home2TelephoneNumber", "Home Phone 2", PidTagHome2TelephoneNumber.Key()},
        {F::MobileTelephoneNumber, "MobileTelephoneNumber", "Mobile Phone", PidTagMobileTelephoneNumber.Key()},
        {F::BusinessFaxNumber, "BusinessFaxNumber", "Business Fax", PidTagBusinessFaxNumber.Key()},
        {F::HomeFaxNumber, "HomeFaxNumber", "Home Fax", PidTagHomeFaxNumber.Key()},
        {F::TelexNumber, "TelexNumber", "Telex", PidTagTelexNumber.Key()},
        {F::BusinessAddressStreet, "BusinessAddressStreet", "Business Street", PidLidWorkAddressStreet.Key()},
        {F::BusinessAddressCity, "BusinessAddressCity", "Business City", PidLidWorkAddressCity.Key()},
        {F::BusinessAddressState, "BusinessAddressState", "Business State", PidLidWorkAddressState.Key()},
        {F::BusinessAddressPostalCode, "BusinessAddressPostalCode", "Business Postal Code", PidLidWorkAddressPostalCode.Key()},
        {F::HomeAddressStreet, "HomeAddressStreet", "Home Street", PidTagHomeAddressStreet.Key()},
        {F::HomeAddressState, "HomeAddressState", "Home State", PidTagHomeAddressStateOrProvince.Key()},
        {F::HomeAddressPostalCode, "HomeAddressPostalCode", "Home Postal Code", PidTagHomeAddressPostalCode.Key()},
        {F::HomeAddressCountry, "HomeAddressCountry", "Home Country", PidTagHomeAddressCountry.Key()},
        {F::OtherAddressCity, "OtherAddressCity", "Other City", PidTagOtherAddressCity.Key()},
        {F::OtherAddressPostalCode, "OtherAddressPostalCode", "Other Postal Code", PidTagOtherAddressPostalCode.Key()},
        {F::PersonalHomePage, "PersonalHomePage", "Personal Web Page", PidTagPersonalHomePage.Key()},
        {F::BusinessHomePage, "BusinessHomePage", "Business Web Page", PidTagBusinessHomePage.Key()},
        {F::Birthday, "Birthday", "Birthday", PidTagBirthday.Key()},
        {F::Anniversary, "Anniversary", "Anniversary", PidTagWeddingAnniversary.Key()},
        {F::Body, "Body", "Notes", PidTagBody.Key()},
        {F::Sent, "Sent", "Sent", PidTagMessageFlags.Key()},
        {F::To, "To", "To", PidTagDisplayTo.Key()},
        {F::CC, "CC", "Cc", PidTagDisplayCc.Key()},
        {F::BCC, "BCC", "Bcc", PidTagDisplayBcc.Key()},
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
