// Evolution's own vCard parser (libebook-contacts through GObject
// introspection) reads every value of our vCards into the field of the same
// meaning, and nothing into any other field.
#include <store/contact_item.h>
#include <store/conversions.h>

#include <evolution_reader.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

#include <map>

using namespace store;
using mapi::ContactField;
using testsupport::ReadWithEvolution;

namespace {

TEST(VCardForEvolution, EveryValueLandsInTheFieldOfItsMeaningAndNowhereElse) {
    testsupport::TempDir dir;
    ContactItem item(nullptr);
    // Each value names its field, so a value in a wrong field shows whose it is.
    for (const auto& f : mapi::ContactFields())
        if (f.key.type == mapi::PropType::Unicode) item.Set(f.field, "v-" + std::string(f.name) + " \xE6\x9D\xB1");
    for (auto f : {ContactField::To, ContactField::CC, ContactField::BCC}) item.Set(f, "");
    item.Set(ContactField::Body, "line one\r\nline two\twith a tab; a, b");
    item.SetValues(ContactField::Categories, {"Golf, Club", "VIP", "\xE5\x8F\x8B\xE4\xBA\xBA"});
    item.SetValues(ContactField::Children, {"Ann", "Bob"});
    item.SetDay(ContactField::Birthday, {1976, 2, 29});
    item.SetDay(ContactField::Anniversary, {2001, 6, 15});
    const std::string path = dir / "c.vcf";
    item.SaveAs(path, olVCard);

    auto v = [&item](ContactField f) { return item.Get(f); };
    using F = ContactField;
    const std::map<std::string, std::string> expected = {
        {"name", v(F::LastName) + "|" + v(F::FirstName) + "|" + v(F::MiddleName) + "|" + v(F::Title) + "|" + v(F::Suffix)},
        {"full-name", v(F::FullName)},
        {"given-name", v(F::FirstName)},
        {"family-name", v(F::LastName)},
        {"file-as", v(F::LastName) + ", " + v(F::FirstName)},      // Evolution's own, from N
        {"name-or-org", v(F::LastName) + ", " + v(F::FirstName)},  // likewise
        {"nickname", v(F::NickName)},
        {"org", v(F::CompanyName)},
        {"org-unit", v(F::Department)},
        {"office", v(F::OfficeLocation)},
        {"title", v(F::JobTitle)},
        {"role", v(F::Profession)},
        {"manager", v(F::ManagerName)},
        {"assistant", v(F::AssistantName)},
        {"spouse", v(F::Spouse)},
        {"primary-phone", v(F::PrimaryTelephoneNumber)},
        {"business-phone", v(F::BusinessTelephoneNumber)},
        {"business-phone-2", v(F::Business2TelephoneNumber)},
        {"company-phone", v(F::CompanyMainTelephoneNumber)},
        {"assistant-phone", v(F::AssistantTelephoneNumber)},
        {"callback-phone", v(F::CallbackTelephoneNumber)},
        {"home-phone", v(F::HomeTelephoneNumber)},
        {"home-phone-2", v(F::Home2TelephoneNumber)},
        {"mobile-phone", v(F::MobileTelephoneNumber)},
        {"car-phone", v(F::CarTelephoneNumber)},
        {"radio", v(F::RadioTelephoneNumber)},
        {"pager", v(F::PagerNumber)},
        {"other-phone", v(F::OtherTelephoneNumber)},
        {"isdn-phone", v(F::ISDNNumber)},
        {"tty", v(F::TTYTDDTelephoneNumber)},
        {"telex", v(F::TelexNumber)},
        {"business-fax", v(F::BusinessFaxNumber)},
        {"home-fax", v(F::HomeFaxNumber)},
        {"other-fax", v(F::OtherFaxNumber)},
        {"email-1", v(F::Email1Address)},
        {"email-2", v(F::Email2Address)},
        {"email-3", v(F::Email3Address)},
        {"address-work", "||" + v(F::BusinessAddressStreet) + "|" + v(F::BusinessAddressCity) + "|" + v(F::BusinessAddressState) +
                             "|" + v(F::BusinessAddressPostalCode) + "|" + v(F::BusinessAddressCountry)},
        {"address-home", "||" + v(F::HomeAddressStreet) + "|" + v(F::HomeAddressCity) + "|" + v(F::HomeAddressState) + "|" +
                             v(F::HomeAddressPostalCode) + "|" + v(F::HomeAddressCountry)},
        {"address-other", "||" + v(F::OtherAddressStreet) + "|" + v(F::OtherAddressCity) + "|" + v(F::OtherAddressState) + "|" +
                              v(F::OtherAddressPostalCode) + "|" + v(F::OtherAddressCountry)},
        {"homepage-url", v(F::PersonalHomePage)},
        {"category-list", "Golf, Club|VIP|\xE5\x8F\x8B\xE4\xBA\xBA"},
        {"birth-date", "1976-02-29"},
        {"anniversary", "2001-06-15"},
        {"note", "line one\nline two\twith a tab; a, b"},
    };
    EXPECT_EQ(ReadWithEvolution(path), expected);
}

}  // namespace
