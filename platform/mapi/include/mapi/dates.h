// Calendar dates as contacts keep them: a birthday or an anniversary is a
// day, not an instant. Outlook stores such a day twice: as the instant its
// local midnight falls on (in UTC), and as 00:00 UTC of the day itself.
#pragma once

#include <mapi/property.h>

#include <compare>
#include <optional>

namespace mapi {

// A day of the Gregorian calendar, without a time of day or a zone.
struct CalendarDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    auto operator<=>(const CalendarDate&) const = default;
};

// True for a real day between the years 1601 and 9999 (what FILETIME and
// OLE dates both hold).
bool IsValidDate(const CalendarDate& date);

// The day of an OLE automation date read as wall-clock time; none when it
// lies outside the years 1601 to 9999.
std::optional<CalendarDate> CalendarDateFromOleDate(double oleDate);

// 00:00 UTC of the day.
FileTime UtcMidnight(const CalendarDate& date);
// 00:00 of the day in this process's time zone (TZ), as an instant. Where
// the clocks skip midnight, the first moment of the day.
FileTime LocalMidnight(const CalendarDate& date);
// An OLE automation date read as wall-clock time in this process's time
// zone, as an instant; none outside the years 1601 to 9999.
std::optional<FileTime> FromLocalOleDate(double oleDate);

// The day an instant falls on, in UTC and in this process's time zone.
CalendarDate UtcDateOf(FileTime time);
CalendarDate LocalDateOf(FileTime time);
// Seconds since local midnight of the instant's local day.
int LocalSecondsOfDay(FileTime time);

}  // namespace mapi
