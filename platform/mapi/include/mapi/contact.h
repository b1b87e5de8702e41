// The contact item's properties: each name the exporters set (the names of the
// Outlook contact object model) with the MAPI property it is stored in, as
// defined by MS-OXOCNTC and MS-OXPROPS.
#pragma once

#include <mapi/property.h>
#include <mapi/tags.h>

#include <optional>
#include <span>
#include <string_view>

namespace mapi {

enum class ContactField {
    Subject, ConversationTopic, FirstName, Initials, LastName, Title,
    PrimaryTelephoneNumber, HomeTelephoneNumber, MobileTelephoneNumber,
    CompanyName, JobTitle, OfficeLocation, Department,
    HomeAddressPostalCode, HomeAddressCountry, BusinessTelephoneNumber,
    Business2TelephoneNumber, BusinessFaxNumber, Email1Address, Email2Address,
    Email3Address, HomeFaxNumber, TelexNumber, Body, Home2TelephoneNumber,
    HomeAddressStreet, MiddleName, AssistantName, Profession, Spouse,
    CompanyMainTelephoneNumber, OtherAddressCity, Anniversary, Birthday,
    ManagerName, NickName, PersonalHomePage, BusinessHomePage,
    OtherAddressPostalCode, HomeAddressState, FullName,
    BusinessAddressStreet, BusinessAddressState, BusinessAddressPostalCode,
    BusinessAddressCity, Sent, To, CC, BCC,
    Suffix, Children, Categories, HomeAddressCity, BusinessAddressCountry,
    OtherAddressStreet, OtherAddressState, OtherAddressCountry,
    PagerNumber, AssistantTelephoneNumber, CallbackTelephoneNumber, CarTelephoneNumber,
    ISDNNumber, RadioTelephoneNumber, TTYTDDTelephoneNumber, OtherTelephoneNumber, OtherFaxNumber,
};

struct ContactFieldInfo {
    ContactField field;
    std::string_view name;   // object-model name, e.g. "Email1Address"
    std::string_view label;  // what a reader of a rendered contact sees, e.g. "E-mail"
    PropertyKey key;         // texts are Unicode, Children and Categories multi-valued
};

// Every contact field, in the fixed order renderings use.
std::span<const ContactFieldInfo> ContactFields();
const ContactFieldInfo& InfoOf(ContactField f);
const ContactFieldInfo* FindContactField(std::string_view name);

// The property that keeps a date field's day as 00:00 UTC of that day
// (PidLidBirthdayLocal, PidLidWeddingAnniversaryLocal); none for other fields.
std::optional<PropertyKey> LocalDayKey(ContactField f);

inline constexpr std::string_view kContactMessageClass = "IPM.Contact";

}  // namespace mapi
