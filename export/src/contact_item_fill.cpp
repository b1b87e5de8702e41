#include <exporting/contact_item_fill.h>

#include <array>
#include <utility>

namespace exporting {

namespace {

using F = mapi::ContactField;
using contacts::Contact;
using contacts::PhoneKind;

// The single texts in the order they are set.
constexpr std::array<std::pair<F, std::string Contact::*>, 15> kNames{{
    {F::FullName, &Contact::fullName},
    {F::Title, &Contact::prefix},
    {F::FirstName, &Contact::firstName},
    {F::MiddleName, &Contact::middleName},
    {F::LastName, &Contact::lastName},
    {F::Suffix, &Contact::suffix},
    {F::Initials, &Contact::initials},
    {F::NickName, &Contact::nickname},
    {F::CompanyName, &Contact::company},
    {F::JobTitle, &Contact::jobTitle},
    {F::Profession, &Contact::profession},
    {F::Department, &Contact::department},
    {F::OfficeLocation, &Contact::office},
    {F::Spouse, &Contact::spouse},
    {F::ManagerName, &Contact::manager},
}};

struct AddressFields {
    contacts::Address Contact::*address;
    F street, city, state, postalCode, country;
};
constexpr std::array<AddressFields, 3> kAddresses{{
    {&Contact::home, F::HomeAddressStreet, F::HomeAddressCity, F::HomeAddressState, F::HomeAddressPostalCode,
     F::HomeAddressCountry},
    {&Contact::business, F::BusinessAddressStreet, F::BusinessAddressCity, F::BusinessAddressState,
     F::BusinessAddressPostalCode, F::BusinessAddressCountry},
    {&Contact::other, F::OtherAddressStreet, F::OtherAddressCity, F::OtherAddressState, F::OtherAddressPostalCode,
     F::OtherAddressCountry},
}};

F PhoneField(PhoneKind kind) {
    switch (kind) {
    case PhoneKind::Primary: return F::PrimaryTelephoneNumber;
    case PhoneKind::Business: return F::BusinessTelephoneNumber;
    case PhoneKind::Business2: return F::Business2TelephoneNumber;
    case PhoneKind::BusinessFax: return F::BusinessFaxNumber;
    case PhoneKind::CompanyMain: return F::CompanyMainTelephoneNumber;
    case PhoneKind::Home: return F::HomeTelephoneNumber;
    case PhoneKind::Home2: return F::Home2TelephoneNumber;
    case PhoneKind::HomeFax: return F::HomeFaxNumber;
    case PhoneKind::Mobile: return F::MobileTelephoneNumber;
    case PhoneKind::Pager: return F::PagerNumber;
    case PhoneKind::Car: return F::CarTelephoneNumber;
    case PhoneKind::Assistant: return F::AssistantTelephoneNumber;
    case PhoneKind::Callback: return F::CallbackTelephoneNumber;
    case PhoneKind::Isdn: return F::ISDNNumber;
    case PhoneKind::Radio: return F::RadioTelephoneNumber;
    case PhoneKind::TtyTdd: return F::TTYTDDTelephoneNumber;
    case PhoneKind::Telex: return F::TelexNumber;
    case PhoneKind::Other: return F::OtherTelephoneNumber;
    case PhoneKind::OtherFax: return F::OtherFaxNumber;
    }
    return F::OtherTelephoneNumber;
}

constexpr std::array<F, 3> kEmails{F::Email1Address, F::Email2Address, F::Email3Address};

void SetText(store::ContactItem& item, F field, const std::string& text) {
    if (!text.empty()) item.Set(field, text);
}

mapi::CalendarDate DateOf(const contacts::CalendarDay& day) { return {day.year, day.month, day.day}; }

void Fill(store::ContactItem& item, const Contact& c, std::string notesText) {
    if (!c.subject.empty()) {
        item.Set(F::Subject, c.subject);
        item.Set(F::ConversationTopic, c.subject);
    }
    for (const auto& [field, text] : kNames) SetText(item, field, c.*text);
    SetText(item, F::AssistantName, c.assistant);
    for (const AddressFields& a : kAddresses) {
        const contacts::Address& address = c.*a.address;
        SetText(item, a.street, address.street);
        SetText(item, a.city, address.city);
        SetText(item, a.state, address.state);
        SetText(item, a.postalCode, address.postalCode);
        SetText(item, a.country, address.country);
    }
    for (const contacts::Phone& phone : c.phones) SetText(item, PhoneField(phone.kind), phone.number);
    SetText(item, F::PersonalHomePage, c.personalWebPage);
    SetText(item, F::BusinessHomePage, c.businessWebPage);
    for (size_t k = 0; k < kEmails.size() && k < c.emails.size(); ++k) SetText(item, kEmails[k], c.emails[k]);
    if (!c.children.empty()) item.SetValues(F::Children, c.children);
    if (!c.categories.empty()) item.SetValues(F::Categories, c.categories);
    if (c.birthday) item.SetDay(F::Birthday, DateOf(*c.birthday));
    if (c.anniversary) item.SetDay(F::Anniversary, DateOf(*c.anniversary));
    if (!notesText.empty()) item.Set(F::Body, std::move(notesText));
    item.SetSent(true);
    item.Set(F::To, "");
    item.Set(F::CC, "");
    item.Set(F::BCC, "");
    mapi::SetSourceIdentity(item.MutableProperties(), SourceIdentityOf(c.origin));
    AddContactAttachments(item, c);
}

}  // namespace

void SetContactItem(store::ContactItem& item, const Contact& c) { Fill(item, c, contacts::NotesText(c.notes)); }

void SetContactItem(store::ContactItem& item, Contact&& c) {
    std::string notesText = contacts::NotesText(std::move(c.notes));
    Fill(item, c, std::move(notesText));
}

void SetDistListItem(store::DistListItem& item, const contacts::DistributionList& list) {
    item.SetName(list.name);
    item.SetBody(list.description);
    for (const contacts::Member& m : list.members) item.AddMember(m.displayName, m.address);
    mapi::SetSourceIdentity(item.MutableProperties(), SourceIdentityOf(list.origin));
}

mapi::SourceIdentity SourceIdentityOf(const contacts::Origin& origin) {
    return {origin.database, origin.unid, mapi::FileTime{origin.modified}, origin.sequence};
}

contacts::Origin OriginOf(const mapi::SourceIdentity& source) {
    return {source.database, source.unid, source.modified.ticks, source.sequence};
}

}  // namespace exporting
