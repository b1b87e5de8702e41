#include <exporting/contact_map.h>

#include <array>
#include <utility>

namespace exporting {

namespace {

using F = mapi::ContactField;

// The contact table: property <- Notes item, in order. The dates, Subject
// and the fixed values at the end are set around it.
constexpr std::array<std::pair<F, std::string_view>, 44> kTable{{
    {F::FirstName, "FirstName"},
    {F::Initials, "ShortName"},
    {F::LastName, "LastName"},
    {F::Title, "Title"},
    {F::PrimaryTelephoneNumber, "OfficePhoneNumber"},
    {F::HomeTelephoneNumber, "PhoneNumber"},
    {F::MobileTelephoneNumber, "PersPager"},
    {F::CompanyName, "CompanyName"},
    {F::JobTitle, "JobTitle"},
    {F::OfficeLocation, "Location"},
    {F::Department, "Department"},
    {F::HomeAddressPostalCode, "OfficeZip"},
    {F::HomeAddressCountry, "OfficeCountry"},
    {F::BusinessTelephoneNumber, "OfficePhoneNumber"},
    {F::Business2TelephoneNumber, "CellPhoneNumber"},
    {F::BusinessFaxNumber, "OfficeFAXPhoneNumber"},
    {F::Email1Address, "MailAddress"},
    {F::Email2Address, "MiscPhone1"},
    {F::Email3Address, "MiscPhone2"},
    {F::HomeFaxNumber, "HomeFAXPhoneNumber"},
    {F::TelexNumber, "PersPager"},
    {F::Body, "Body"},
    {F::Home2TelephoneNumber, "PhoneNumber"},
    {F::HomeAddressStreet, "State"},
    {F::MiddleName, "MiddleInitial"},
    {F::AssistantName, "Assistant"},
    {F::Profession, "Title"},
    {F::Spouse, "Spouse"},
    {F::CompanyMainTelephoneNumber, "OfficePhoneNumber"},
    {F::OtherAddressCity, "OfficeCity"},
    {F::Anniversary, "Anniversary"},
    {F::Birthday, "Birthday"},
    {F::ManagerName, "Manager"},
    {F::NickName, "Nickname"},
    {F::PersonalHomePage, "WebSite"},
    {F::BusinessHomePage, "WebSite"},
    {F::HomeAddressCountry, "Country"},
    {F::OtherAddressPostalCode, "Zip"},
    {F::HomeAddressState, "State"},
    {F::OtherAddressCity, "City"},
    {F::FullName, "FullName"},
    {F::BusinessAddressStreet, "OfficeStreetAddress"},
    {F::BusinessAddressState, "OfficeState"},
    {F::BusinessAddressPostalCode, "OfficeZip"},
}};

const std::string kEmpty;

}  // namespace

const std::string& ContactRecord::Value(std::string_view item) const {
    auto it = values.find(item);
    return it == values.end() ? kEmpty : it->second;
}

ContactRecord ReadContact(const LNDocument& doc) {
    ContactRecord c;
    auto readText = [&](std::string_view item) {
        if (c.values.count(item)) return;
        try {
            if (!doc.HasItem(LNString{std::string(item)})) return;
        } catch (LNSTATUS) {
            return;
        }
        c.values.emplace(std::string(item), notes::RetriveNSFCONTACTValue(doc, item));
    };
    for (const auto& [field, item] : kTable) {
        if (field == F::Birthday || field == F::Anniversary || field == F::Body) continue;
        readText(item);
    }
    for (auto item : CsvColumnSources())
        if (item != "Birthday" && item != "Anniversary") readText(item);
    readText("From");
    c.from = c.Value("From");
    c.values.erase("From");
    try {
        if (doc.HasItem("Subject")) {
            c.hasSubject = true;
            c.subject = notes::RetriveNSFCONTACTValue(doc, "Subject");
        }
    } catch (LNSTATUS) {
    }
    for (auto [name, date] : {std::pair{"Birthday", &c.birthday}, std::pair{"Anniversary", &c.anniversary}}) {
        std::string text = notes::ReadDateListText(doc, name);
        if (text.empty()) continue;
        c.values.emplace(name, text);
        *date = notes::ConvertString2Date(text);  // invalid for two dates: no date is set
    }
    try {
        if (doc.HasItem("Body")) {
            LNRichText rich;
            LNString text;
            if (doc.GetItem("Body", &rich) == LNNOERROR && rich.GetText(&text) == LNNOERROR) c.body = text.str();
        }
    } catch (LNSTATUS) {
    }
    try {
        c.hasAttachments = doc.HasAttachments();
    } catch (LNSTATUS) {
    }
    return c;
}

void ApplyContactTable(store::RDOContactItem& item, const ContactRecord& contact, const std::string& subject) {
    if (!subject.empty()) {
        item.Set(F::Subject, subject);
        item.Set(F::ConversationTopic, subject);
    }
    for (const auto& [field, source] : kTable) {
        if (field == F::Birthday || field == F::Anniversary) {
            const notes::OleDate& d = field == F::Birthday ? contact.birthday : contact.anniversary;
            if (d.valid) item.SetDate(field, d.value);
            continue;
        }
        const std::string& v = field == F::Body ? contact.body : contact.Value(source);
        if (!v.empty()) item.Set(field, v);
    }
    item.SetSent(true);
    item.Set(F::To, "");
    item.Set(F::CC, "");
    item.Set(F::BCC, "");
}

}  // namespace exporting
