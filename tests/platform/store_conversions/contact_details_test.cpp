// What a saved contact carries besides the values set on it: the addresses
// as Outlook's address boxes read them, birthdays that show their own day in
// every time zone, and lists (categories, children).
#include <mapi/tags.h>
#include <store/contact_item.h>
#include <store/msg_file.h>

#include <msg/msg_file.h>

#include <msg_reader.h>
#include <time_zone.h>

#include <gtest/gtest.h>

#include "conversion_fixtures.h"

using namespace store;
using mapi::ContactField;
using F = mapi::ContactField;

namespace {

using conversion_fixtures::Capture;

std::optional<std::string> Text(const mapi::PropertyBag& p, const mapi::PropertyKey& key) { return p.GetString(key); }

TEST(ContactAddresses, ComposedTextsAndTheMailingAddressFollowTheParts) {
    using Set = std::vector<std::pair<F, std::string>>;
    struct Case {
        const char* what;
        Set set;
        std::optional<int32_t> postalId;
        std::optional<std::string> work, home, mailingCity, mailingText;
    } cases[] = {
        {"both addresses: business is the mailing one",
         {{F::BusinessAddressStreet, "1 Main St"}, {F::BusinessAddressCity, "Redmond"}, {F::BusinessAddressState, "WA"},
          {F::BusinessAddressPostalCode, "98052"}, {F::BusinessAddressCountry, "USA"}, {F::HomeAddressCity, "Seattle"}},
         mapi::kPostalAddressWork, "1 Main St\r\nRedmond, WA  98052\r\nUSA", "Seattle", "Redmond",
         "1 Main St\r\nRedmond, WA  98052\r\nUSA"},
        {"home only", {{F::HomeAddressStreet, "Am Markt 3"}, {F::HomeAddressCity, "Köln"}, {F::HomeAddressPostalCode, "50667"}},
         mapi::kPostalAddressHome, std::nullopt, "Am Markt 3\r\nKöln  50667", "Köln", "Am Markt 3\r\nKöln  50667"},
        {"blank business parts count as none",
         {{F::BusinessAddressStreet, " "}, {F::HomeAddressCountry, "日本"}}, mapi::kPostalAddressHome, std::nullopt, "日本",
         std::nullopt, "日本"},
        {"no address", {{F::FirstName, "Ada"}}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        mapi::PropertyBag saved;
        ContactItem item(std::make_unique<Capture>(&saved));
        for (const auto& [field, text] : c.set) item.Set(field, text);
        item.Save();
        EXPECT_EQ(saved.GetInt32(mapi::PidLidPostalAddressId.Key()), c.postalId);
        EXPECT_EQ(Text(saved, mapi::PidLidWorkAddress.Key()), c.work);
        EXPECT_EQ(Text(saved, mapi::PidLidHomeAddress.Key()), c.home);
        EXPECT_FALSE(saved.Has(mapi::PidLidOtherAddress.Key()));
        EXPECT_EQ(Text(saved, mapi::PidTagLocality.Key()), c.mailingCity);
        EXPECT_EQ(Text(saved, mapi::PidTagPostalAddress.Key()), c.mailingText);
        // The parts themselves stay where they were set.
        for (const auto& [field, text] : c.set) EXPECT_EQ(item.Get(field), text);
    }
}

TEST(ContactAddresses, AnItemReadBackKeepsItsTextsUntilAPartChanges) {
    testsupport::TempDir dir;
    const std::string path = dir / "c.msg";
    {
        auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
        item->Set(F::BusinessAddressCity, "Redmond");
        item->Set(F::HomeAddressCity, "Seattle");
        item->Save();
    }
    {
        auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
        item->Set(F::Spouse, "Sam");
        item->MutableProperties().Set(mapi::PidLidHomeAddress.Key(), std::string("as the user typed it"));
        item->Save();
        EXPECT_EQ(Text(msg::ReadMsgFile(path), mapi::PidLidHomeAddress.Key()), "as the user typed it");
    }
    auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    item->Set(F::BusinessAddressCity, "");  // the business address is gone: home becomes the mailing one
    item->Save();
    const mapi::PropertyBag back = msg::ReadMsgFile(path);
    EXPECT_EQ(back.GetInt32(mapi::PidLidPostalAddressId.Key()), mapi::kPostalAddressHome);
    EXPECT_FALSE(back.Has(mapi::PidLidWorkAddress.Key()));
    EXPECT_EQ(Text(back, mapi::PidLidHomeAddress.Key()), "Seattle");
    EXPECT_EQ(Text(back, mapi::PidTagLocality.Key()), "Seattle");
}

TEST(ContactDates, BirthdaysShowTheirOwnDayWhereverTheyAreWrittenAndRead) {
    struct Case {
        const char* zone;
        mapi::CalendarDate day;
        double oleDate;          // the same day as the object model passes it
        int64_t hoursAfterUtc;   // local midnight, in hours after 00:00 UTC of the day
    } cases[] = {
        {"America/Los_Angeles", {1975, 3, 14}, 27467.0, 7},
        {"America/Los_Angeles", {2000, 2, 29}, 36585.0, 8},
        {"Asia/Tokyo", {1975, 3, 14}, 27467.0, -9},
        {"Asia/Tokyo", {2000, 2, 29}, 36585.0, -9},
    };
    constexpr int64_t kHour = 36'000'000'000;
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone + std::string(" ") + std::to_string(c.day.year));
        testsupport::ScopedTimeZone zone(c.zone);
        const std::string path = dir / "d.msg";
        auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
        item->SetDay(F::Birthday, c.day);
        item->SetDate(F::Anniversary, c.oleDate);
        item->Save();
        const mapi::PropertyBag back = msg::ReadMsgFile(path);
        const int64_t utcMidnight = mapi::UtcMidnight(c.day).ticks;
        for (auto [field, twin] : {std::pair{F::Birthday, mapi::PidLidBirthdayLocal.Key()},
                                   std::pair{F::Anniversary, mapi::PidLidWeddingAnniversaryLocal.Key()}}) {
            EXPECT_EQ(back.GetTime(mapi::InfoOf(field).key)->ticks - utcMidnight, c.hoursAfterUtc * kHour);
            EXPECT_EQ(back.GetTime(twin)->ticks, utcMidnight);
        }
        std::filesystem::remove(path);
    }
}

TEST(ContactDates, DaysOutsideTheCalendarAndNonDateFieldsAreRefused) {
    ContactItem item(nullptr);
    EXPECT_THROW(item.SetDay(F::Birthday, {2001, 2, 29}), StoreError);
    EXPECT_THROW(item.SetDay(F::Spouse, {2001, 2, 28}), StoreError);
    EXPECT_THROW(item.SetDate(F::Birthday, 1e12), StoreError);
    EXPECT_TRUE(item.Properties().GetTime(mapi::InfoOf(F::Birthday).key) == std::nullopt);
}

TEST(ContactLists, CategoriesAndChildrenKeepEveryValueInOrder) {
    testsupport::TempDir dir;
    const std::string path = dir / "l.msg";
    auto item = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    item->SetValues(F::Categories, {"Golf, Club", "VIP", "友人"});
    item->SetValues(F::Children, {"Ann"});
    EXPECT_THROW(item->SetValues(F::Spouse, {"x"}), StoreError);
    EXPECT_THROW(item->Set(F::Categories, "x"), StoreError);
    item->Save();
    auto back = CreateMessageFromMsgFile(path, "IPM.Contact", kMsgFileFormat);
    EXPECT_EQ(back->GetValues(F::Categories), (std::vector<std::string>{"Golf, Club", "VIP", "友人"}));
    EXPECT_EQ(back->GetValues(F::Children), (std::vector<std::string>{"Ann"}));
    back->SetValues(F::Children, {});  // an empty list removes the property
    back->Save();
    EXPECT_FALSE(msg::ReadMsgFile(path).Has(mapi::InfoOf(F::Children).key));
}

}  // namespace
