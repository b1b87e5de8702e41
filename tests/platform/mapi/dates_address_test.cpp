// Days as contacts keep them (birthdays, anniversaries) in different time
// zones, and the address text composed from its parts.
#include <mapi/address.h>
#include <mapi/dates.h>

#include <time_zone.h>

#include <gtest/gtest.h>

#include <string>

using namespace mapi;

namespace {

using InZone = testsupport::ScopedTimeZone;

constexpr int64_t kTicksPerHour = 36'000'000'000;

TEST(CalendarDates, LocalMidnightIsTheDaysStartInTheZoneAndTheLocalTwinIsUtcMidnight) {
    struct Case {
        const char* zone;
        CalendarDate date;
        int hoursFromUtcMidnight;  // local midnight minus 00:00 UTC of the same date
    };
    const Case cases[] = {
        {"America/Los_Angeles", {1975, 3, 14}, 7},   // daylight time all but January and February that year
        {"America/Los_Angeles", {1976, 1, 15}, 8},   // standard time
        {"America/Los_Angeles", {2000, 2, 29}, 8},   // leap day
        {"Asia/Tokyo", {1975, 3, 14}, -9},
        {"Asia/Tokyo", {2000, 2, 29}, -9},
        {"Asia/Tokyo", {1950, 1, 1}, -9},            // before 1970
        {"UTC", {2024, 2, 29}, 0},
        {"America/Sao_Paulo", {2018, 11, 4}, 3},     // the clocks skipped midnight: the day starts at 01:00 -02
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.date.year) + "-" + std::to_string(c.date.month) + "-" +
                     std::to_string(c.date.day));
        InZone zone(c.zone);
        const FileTime utc = UtcMidnight(c.date), local = LocalMidnight(c.date);
        EXPECT_EQ(local.ticks - utc.ticks, c.hoursFromUtcMidnight * kTicksPerHour);
        // Read back in the same zone, both give the source day.
        EXPECT_EQ(LocalDateOf(local), c.date);
        EXPECT_EQ(UtcDateOf(utc), c.date);
        EXPECT_EQ(LocalSecondsOfDay(local), c.zone == std::string("America/Sao_Paulo") ? 3600 : 0);
    }
}

TEST(CalendarDates, OleDatesGiveTheirDayAndNothingOutsideTheRange) {
    EXPECT_EQ(CalendarDateFromOleDate(27467.0), (CalendarDate{1975, 3, 14}));
    EXPECT_EQ(CalendarDateFromOleDate(27467.75), (CalendarDate{1975, 3, 14}));  // the time of day is dropped
    EXPECT_EQ(CalendarDateFromOleDate(36585.0), (CalendarDate{2000, 2, 29}));
    EXPECT_EQ(CalendarDateFromOleDate(-1.25), (CalendarDate{1899, 12, 29}));
    EXPECT_FALSE(CalendarDateFromOleDate(-110000.0));  // before 1601
    EXPECT_FALSE(CalendarDateFromOleDate(1e300));
    EXPECT_FALSE(IsValidDate({2001, 2, 29}));
    EXPECT_TRUE(IsValidDate({2004, 2, 29}));
    EXPECT_EQ(UtcMidnight({1601, 1, 1}).ticks, 0);
}

TEST(Addresses, ComposeAsOutlookShowsThem) {
    struct Case {
        AddressParts parts;
        const char* text;
    };
    const Case cases[] = {
        {{"1 Main St", "Redmond", "WA", "98052", "USA"}, "1 Main St\r\nRedmond, WA  98052\r\nUSA"},
        {{"1 Main St", "Redmond", "", "", ""}, "1 Main St\r\nRedmond"},
        {{"", "", "WA", "98052", ""}, "WA  98052"},
        {{"", "Paris", "", "75001", "France"}, "Paris  75001\r\nFrance"},
        {{"Flat 2\nHigh St 5", " ", " ", "", "UK"}, "Flat 2\r\nHigh St 5\r\nUK"},  // blanks alone count as empty
        {{"東京都千代田区1-1", "千代田区", "東京都", "100-0001", "日本"}, "東京都千代田区1-1\r\n千代田区, 東京都  100-0001\r\n日本"},
        {{" ", "", "", "", ""}, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ComposeAddress(c.parts), c.text);
        EXPECT_EQ(c.parts.Empty(), std::string(c.text).empty()) << c.text;
    }
}

}  // namespace
