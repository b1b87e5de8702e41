// Evolution's own vCard parser (libebook-contacts through GObject
// introspection) reads every value of our vCards into the field of the same
// meaning, and nothing into any other field.
#include <store/contact_item.h>
#include <store/conversions.h>

#include <outside_tool.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

using namespace store;
using mapi::ContactField;
using format_check::Quote;

namespace {

// Every field of the parsed EContact that holds something: texts, names,
// addresses (components joined by '|'), dates, and the category list read
// from its attribute values; "name<TAB>value", tabs, line breaks and
// backslashes escaped.
const char* kEvolutionDump = R"(
import sys, gi
gi.require_version('EBookContacts', '1.2')
from gi.repository import EBookContacts as EB
c = EB.Contact.new_from_vcard(open(sys.argv[1], encoding='utf-8', newline='').read())
out = []
for p in c.list_properties():
    kind, v = p.value_type.name, None
    if kind == 'gchararray' and p.name != 'categories':
        v = c.get_property(p.name)
    elif kind == 'EContactAddress':
        a = c.get_property(p.name)
        v = a and '|'.join([a.po, a.ext, a.street, a.locality, a.region, a.code, a.country])
    elif kind == 'EContactName':
        n = c.get_property(p.name)
        v = n and '|'.join(x or '' for x in [n.family, n.given, n.additional, n.prefixes, n.suffixes])
    elif kind == 'EContactDate':
        d = c.get_property(p.name)
        v = d and '%04d-%02d-%02d' % (d.year, d.month, d.day)
    if v: out.append((p.name, v))
cats = c.get_attribute('CATEGORIES')
if cats: out.append(('category-list', '|'.join(cats.get_values())))
for name, v in out:
    print(name + '\t' + v.replace('\\', '\\\\').replace('\n', '\\n').replace('\t', '\\t'))
)";

std::map<std::string, std::string> ReadWithEvolution(const std::string& path) {
    auto r = format_check::RunPython(kEvolutionDump, Quote(path));
    EXPECT_EQ(r.exitCode, 0) << r.out << "\n(Evolution's parser comes with gir1.2-ebookcontacts-1.2)";
    std::map<std::string, std::string> out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        std::string value;
        for (size_t i = tab + 1; i < line.size(); ++i) {
            char c = line[i];
            if (c == '\\' && i + 1 < line.size()) {
                c = line[++i];
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c;
            }
            value += c;
        }
        EXPECT_TRUE(out.emplace(line.substr(0, tab), value).second) << line;
    }
    return out;
}

TEST(VCardForEvolution, EveryValueLandsInTheFieldOfItsMeaningAndNowhereElse) {
    format_check::ScratchDir dir;
    RDOContactItem item(nullptr);
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
