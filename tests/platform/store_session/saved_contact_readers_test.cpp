// A contact saved into a PST through the store, with every field and all
// that Save adds (names, e-mail companions, composed addresses, the mailing
// address, the local days), reads back whole through pst-extractor, property
// by property, and readpst shows its addresses and birthday.
#include "outside_readers.h"

#include <pst/pst_file.h>
#include <store/session.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace testsupport;
using F = mapi::ContactField;

namespace {

// The value text tests/npm/pst-dump.js prints for a property.
std::string ExtractorText(const mapi::PropertyValue& v) {
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    if (auto* t = std::get_if<mapi::FileTime>(&v)) return std::to_string(t->ticks);
    if (auto* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
    if (auto* l = std::get_if<int64_t>(&v)) return std::to_string(*l);
    if (auto* b = std::get_if<bool>(&v)) return *b ? "1" : "0";
    std::string hex;
    char buf[4];
    for (uint8_t byte : std::get<mapi::Binary>(v)) {
        std::snprintf(buf, sizeof buf, "%02x", byte);
        hex += buf;
    }
    return hex;
}

TEST(SavedContact, EveryPropertyReadsBackThroughPstExtractorAndReadpstShowsTheAddresses) {
    ASSERT_EQ(MissingNodeReaders(), "");
    ASSERT_TRUE(HaveTool("readpst")) << "readpst (pst-utils) is required";
    TempDir dir;
    setenv("FERRYWELL_PROFILE", (dir.Path() / "profile").c_str(), 1);
    store::Session session;
    session.Logon();
    auto folder = session.EnsureFolderPath("\\\\Personal Folders\\Contacts");
    auto c = folder.GetItems().Add("IPM.Contact");
    for (const auto& f : mapi::ContactFields()) {
        if (f.key.type == mapi::PropType::Unicode) c.Set(f.field, "v-" + std::string(f.name) + " \xE6\x9D\xB1");
        if (f.key.type == mapi::PropType::MultipleUnicode)
            c.SetValues(f.field, {"a-" + std::string(f.name), "b, c", "\xE5\x8F\x8B\xE4\xBA\xBA"});
    }
    for (auto f : {F::To, F::CC, F::BCC}) c.Set(f, "");
    c.SetDay(F::Birthday, {1976, 2, 29});
    c.SetDay(F::Anniversary, {2001, 6, 15});
    c.SetSent(true);
    c.Save();
    const std::string pst = folder.GetStore().GetPath();
    session.Logoff();

    mapi::PropertyBag saved;
    {
        auto file = pst::PstFile::Open(pst, false);
        auto contacts = *file->FindSubfolder(file->IpmSubtree(), "Contacts");
        ASSERT_EQ(file->Messages(contacts).size(), 1u);
        saved = file->ReadMessage(file->Messages(contacts)[0]);
    }
    // What Save adds is there to be checked too.
    for (const auto& key : {mapi::PidLidWorkAddress.Key(), mapi::PidLidHomeAddress.Key(), mapi::PidLidOtherAddress.Key(),
                            mapi::PidLidPostalAddressId.Key(), mapi::PidTagPostalAddress.Key(), mapi::PidLidBirthdayLocal.Key(),
                            mapi::PidLidWeddingAnniversaryLocal.Key(), mapi::PidLidEmail3DisplayName.Key(),
                            mapi::PidLidFileUnder.Key(), mapi::PidNameKeywords.Key()})
        EXPECT_TRUE(saved.Has(key)) << ExtractorKey(key);

    ExtractorView view = ReadWithPstExtractor(pst);
    ASSERT_EQ(view.exitCode, 0) << view.output;
    ASSERT_EQ(view.items.size(), 1u);
    const ExtractorItem& item = view.items[0];
    for (const auto& [key, value] : saved.All()) {
        SCOPED_TRACE(ExtractorKey(key));
        if (auto* list = std::get_if<mapi::Strings>(&value)) {
            ASSERT_EQ(item.lists.count(ExtractorKey(key)), 1u);
            EXPECT_EQ(item.lists.at(ExtractorKey(key)), *list);
        } else {
            ASSERT_EQ(item.props.count(ExtractorKey(key)), 1u);
            EXPECT_EQ(item.props.at(ExtractorKey(key)), ExtractorText(value));
        }
    }
    EXPECT_EQ(item.props.size() + item.lists.size(), saved.All().size()) << view.output;  // nothing it cannot map

    std::string out;
    ASSERT_EQ(RunTool("readpst -D -r -o " + Quote(dir.Path().string()) + " " + Quote(pst), &out), 0) << out;
    const std::string card = ReadFile(dir.Path() / "Personal Folders/Contacts/contacts");
    auto part = [&c](F f) { return c.Get(f); };
    for (const std::string& line :
         {"N:" + part(F::LastName) + ";" + part(F::FirstName) + ";" + part(F::MiddleName) + ";" + part(F::Title) + ";" +
              part(F::Suffix),
          "ADR;TYPE=home:;;" + part(F::HomeAddressStreet) + ";" + part(F::HomeAddressCity) + ";" + part(F::HomeAddressState) + ";" +
              part(F::HomeAddressPostalCode) + ";" + part(F::HomeAddressCountry),
          "ADR;TYPE=work:;;" + part(F::BusinessAddressStreet) + ";" + part(F::BusinessAddressCity) + ";" +
              part(F::BusinessAddressState) + ";" + part(F::BusinessAddressPostalCode) + ";" + part(F::BusinessAddressCountry),
          "TEL;TYPE=pager:" + part(F::PagerNumber), "TEL;TYPE=car,voice:" + part(F::CarTelephoneNumber),
          std::string("BDAY:1976-02-29")})
        EXPECT_NE(card.find(line), std::string::npos) << line << "\n" << card;
}

}  // namespace
