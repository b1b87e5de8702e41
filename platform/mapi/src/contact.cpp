#include <mapi/contact.h>
#include <mapi/tags.h>

#include <array>
#include <stdexcept>
#include <type_traits>

namespace mapi {

namespace {
const std::array<ContactFieldInfo, 66>& Table() {
    using F = ContactField;
    static const std::array<ContactFieldInfo, 66> table{{
        {F::FullName, "FullName", "Full Name", PidTagDisplayName.Key()},
        {F::Title, "Title", "Title", PidTagDisplayNamePrefix.Key()},
        {F::FirstName, "FirstName", "First Name", PidTagGivenName.Key()},
        {F::MiddleName, "MiddleName", "Middle Name", PidTagMiddleName.Key()},
        {F::LastName, "LastName", "Last Name", PidTagSurname.Key()},
        {F::Suffix, "Suffix", "Suffix", PidTagGeneration.Key()},
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
        {F::Children, "Children", "Children", PidTagChildrensNames.Key()},
        {F::Email1Address, "Email1Address", "E-mail", PidLidEmail1EmailAddress.Key()},
        {F::Email2Address, "Email2Address", "E-mail 2", PidLidEmail2EmailAddress.Key()},
        {F::Email3Address, "Email3Address", "E-mail 3", PidLidEmail3EmailAddress.Key()},
        {F::PrimaryTelephoneNumber, "PrimaryTelephoneNumber", "Primary Phone", PidTagPrimaryTelephoneNumber.Key()},
        {F::BusinessTelephoneNumber, "BusinessTelephoneNumber", "Business Phone", PidTagBusinessTelephoneNumber.Key()},
        {F::Business2TelephoneNumber, "Business2TelephoneNumber", "Business Phone 2", PidTagBusiness2TelephoneNumber.Key()},
        {F::CompanyMainTelephoneNumber, "CompanyMainTelephoneNumber", "Company Main Phone", PidTagCompanyMainTelephoneNumber.Key()},
        {F::AssistantTelephoneNumber, "AssistantTelephoneNumber", "Assistant's Phone", PidTagAssistantTelephoneNumber.Key()},
        {F::CallbackTelephoneNumber, "CallbackTelephoneNumber", "Callback", PidTagCallbackTelephoneNumber.Key()},
        {F::HomeTelephoneNumber, "HomeTelephoneNumber", "Home Phone", PidTagHomeTelephoneNumber.Key()},
        {F::Home2TelephoneNumber, "Home2TelephoneNumber", "Home Phone 2", PidTagHome2TelephoneNumber.Key()},
        {F::MobileTelephoneNumber, "MobileTelephoneNumber", "Mobile Phone", PidTagMobileTelephoneNumber.Key()},
        {F::CarTelephoneNumber, "CarTelephoneNumber", "Car Phone", PidTagCarTelephoneNumber.Key()},
        {F::RadioTelephoneNumber, "RadioTelephoneNumber", "Radio Phone", PidTagRadioTelephoneNumber.Key()},
        {F::PagerNumber, "PagerNumber", "Pager", PidTagPagerTelephoneNumber.Key()},
        {F::OtherTelephoneNumber, "OtherTelephoneNumber", "Other Phone", PidTagOtherTelephoneNumber.Key()},
        {F::ISDNNumber, "ISDNNumber", "ISDN", PidTagIsdnNumber.Key()},
        {F::TTYTDDTelephoneNumber, "TTYTDDTelephoneNumber", "TTY/TDD Phone",
         PidTagTelecommunicationsDeviceForDeafTelephoneNumber.Key()},
        {F::TelexNumber, "TelexNumber", "Telex", PidTagTelexNumber.Key()},
        {F::BusinessFaxNumber, "BusinessFaxNumber", "Business Fax", PidTagBusinessFaxNumber.Key()},
        {F::HomeFaxNumber, "HomeFaxNumber", "Home Fax", PidTagHomeFaxNumber.Key()},
        {F::OtherFaxNumber, "OtherFaxNumber", "Other Fax", PidTagPrimaryFaxNumber.Key()},
        {F::BusinessAddressStreet, "BusinessAddressStreet", "Business Street", PidLidWorkAddressStreet.Key()},
        {F::BusinessAddressCity, "BusinessAddressCity", "Business City", PidLidWorkAddressCity.Key()},
        {F::BusinessAddressState, "BusinessAddressState", "Business State", PidLidWorkAddressState.Key()},
        {F::BusinessAddressPostalCode, "BusinessAddressPostalCode", "Business Postal Code", PidLidWorkAddressPostalCode.Key()},
        {F::BusinessAddressCountry, "BusinessAddressCountry", "Business Country", PidLidWorkAddressCountry.Key()},
        {F::HomeAddressStreet, "HomeAddressStreet", "Home Street", PidTagHomeAddressStreet.Key()},
        {F::HomeAddressCity, "HomeAddressCity", "Home City", PidTagHomeAddressCity.Key()},
        {F::HomeAddressState, "HomeAddressState", "Home State", PidTagHomeAddressStateOrProvince.Key()},
        {F::HomeAddressPostalCode, "HomeAddressPostalCode", "Home Postal Code", PidTagHomeAddressPostalCode.Key()},
        {F::HomeAddressCountry, "HomeAddressCountry", "Home Country", PidTagHomeAddressCountry.Key()},
        {F::OtherAddressStreet, "OtherAddressStreet", "Other Street", PidTagOtherAddressStreet.Key()},
        {F::OtherAddressCity, "OtherAddressCity", "Other City", PidTagOtherAddressCity.Key()},
        {F::OtherAddressState, "OtherAddressState", "Other State", PidTagOtherAddressStateOrProvince.Key()},
        {F::OtherAddressPostalCode, "OtherAddressPostalCode", "Other Postal Code", PidTagOtherAddressPostalCode.Key()},
        {F::OtherAddressCountry, "OtherAddressCountry", "Other Country", PidTagOtherAddressCountry.Key()},
        {F::PersonalHomePage, "PersonalHomePage", "Personal Web Page", PidTagPersonalHomePage.Key()},
        {F::BusinessHomePage, "BusinessHomePage", "Business Web Page", PidTagBusinessHomePage.Key()},
        {F::Birthday, "Birthday", "Birthday", PidTagBirthday.Key()},
        {F::Anniversary, "Anniversary", "Anniversary", PidTagWeddingAnniversary.Key()},
        {F::Categories, "Categories", "Categories", PidNameKeywords.Key()},
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
    // The table's entries by field, looked up once: setting a contact's
    // fields asks for them many times per item.
    using Index = std::array<const ContactFieldInfo*, std::tuple_size_v<std::decay_t<decltype(Table())>>>;
    static const Index index = [] {
        Index byField{};
        for (const auto& info : Table())
            if (size_t(info.field) < byField.size()) byField[size_t(info.field)] = &info;
        return byField;
    }();
    const size_t at = size_t(f);
    if (at >= index.size() || !index[at]) throw std::logic_error("contact field missing from the table");
    return *index[at];
}

const ContactFieldInfo* FindContactField(std::string_view name) {
    for (const auto& info : Table())
        if (info.name == name) return &info;
    return nullptr;
}

std::optional<PropertyKey> LocalDayKey(ContactField f) {
    if (f == ContactField::Birthday) return PidLidBirthdayLocal.Key();
    if (f == ContactField::Anniversary) return PidLidWeddingAnniversaryLocal.Key();
    return std::nullopt;
}

}  // namespace mapi
