// Evolution's own vCard parser (libebook-contacts through GObject
// introspection) reads every value of our vCards into the field of the same
// meaning, and nothing into any other field.
#include <renderings/render.h>

#include <evolution_reader.h>
#include <msg_reader.h>

#include <gtest/gtest.h>

#include "contact_fixture.h"

#include <map>

using testsupport::ReadWithEvolution;

namespace {

TEST(VCardForEvolution, EveryValueLandsInTheFieldOfItsMeaningAndNowhereElse) {
    testsupport::TempDir dir;
    // Each value names its field, so a value in a wrong field shows whose it is.
    auto v = [](std::string_view name) { return "v-" + std::string(name) + " \xE6\x9D\xB1"; };
    contacts::Contact c = contact_fixture::EveryText(v);
    c.notes.richText = "line one\r\nline two\twith a tab; a, b";
    c.categories = {"Golf, Club", "VIP", "\xE5\x8F\x8B\xE4\xBA\xBA"};
    c.children = {"Ann", "Bob"};
    c.birthday = contacts::CalendarDay{1976, 2, 29};
    c.anniversary = contacts::CalendarDay{2001, 6, 15};
    const std::string path = dir.Write("c.vcf", renderings::RenderContact(c, renderings::Format::VCard));

    const std::map<std::string, std::string> expected = {
        {"name", v("LastName") + "|" + v("FirstName") + "|" + v("MiddleName") + "|" + v("Title") + "|" + v("Suffix")},
        {"full-name", v("FullName")},
        {"given-name", v("FirstName")},
        {"family-name", v("LastName")},
        {"file-as", v("LastName") + ", " + v("FirstName")},      // Evolution's own, from N
        {"name-or-org", v("LastName") + ", " + v("FirstName")},  // likewise
        {"nickname", v("NickName")},
        {"org", v("CompanyName")},
        {"org-unit", v("Department")},
        {"office", v("OfficeLocation")},
        {"title", v("JobTitle")},
        {"role", v("Profession")},
        {"manager", v("ManagerName")},
        {"assistant", v("AssistantName")},
        {"spouse", v("Spouse")},
        {"primary-phone", v("PrimaryTelephoneNumber")},
        {"business-phone", v("BusinessTelephoneNumber")},
        {"business-phone-2", v("Business2TelephoneNumber")},
        {"company-phone", v("CompanyMainTelephoneNumber")},
        {"assistant-phone", v("AssistantTelephoneNumber")},
        {"callback-phone", v("CallbackTelephoneNumber")},
        {"home-phone", v("HomeTelephoneNumber")},
        {"home-phone-2", v("Home2TelephoneNumber")},
        {"mobile-phone", v("MobileTelephoneNumber")},
        {"car-phone", v("CarTelephoneNumber")},
        {"radio", v("RadioTelephoneNumber")},
        {"pager", v("PagerNumber")},
        {"other-phone", v("OtherTelephoneNumber")},
        {"isdn-phone", v("ISDNNumber")},
        {"tty", v("TTYTDDTelephoneNumber")},
        {"telex", v("TelexNumber")},
        {"business-fax", v("BusinessFaxNumber")},
        {"home-fax", v("HomeFaxNumber")},
        {"other-fax", v("OtherFaxNumber")},
        {"email-1", v("Email1Address")},
        {"email-2", v("Email2Address")},
        {"email-3", v("Email3Address")},
        {"address-work", "||" + v("BusinessAddressStreet") + "|" + v("BusinessAddressCity") + "|" + v("BusinessAddressState") +
                             "|" + v("BusinessAddressPostalCode") + "|" + v("BusinessAddressCountry")},
        {"address-home", "||" + v("HomeAddressStreet") + "|" + v("HomeAddressCity") + "|" + v("HomeAddressState") + "|" +
                             v("HomeAddressPostalCode") + "|" + v("HomeAddressCountry")},
        {"address-other", "||" + v("OtherAddressStreet") + "|" + v("OtherAddressCity") + "|" + v("OtherAddressState") + "|" +
                              v("OtherAddressPostalCode") + "|" + v("OtherAddressCountry")},
        {"homepage-url", v("PersonalHomePage")},
        {"category-list", "Golf, Club|VIP|\xE5\x8F\x8B\xE4\xBA\xBA"},
        {"birth-date", "1976-02-29"},
        {"anniversary", "2001-06-15"},
        {"note", "line one\nline two\twith a tab; a, b"},
    };
    EXPECT_EQ(ReadWithEvolution(path), expected);
}

}  // namespace
