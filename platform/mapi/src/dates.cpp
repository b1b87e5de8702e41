#include <mapi/dates.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <algorithm>
#include <utility>

namespace mapi {

namespace {

constexpr int64_t kTicksPerSecond = 10'000'000;
constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;

std::chrono::sys_days DaysOf(const CalendarDate& d) {
    return std::chrono::sys_days{std::chrono::year{d.year} / std::chrono::month{unsigned(d.month)} /
                                 std::chrono::day{unsigned(d.day)}};
}

CalendarDate DateOf(std::chrono::sys_days days) {
    std::chrono::year_month_day ymd{days};
    return {int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))};
}

FileTime FromUnixSeconds(int64_t seconds) { return FileTime{(seconds + kSecondsFrom1601To1970) * kTicksPerSecond}; }

// Whole seconds since 1970, rounding towards the past.
int64_t UnixSecondsOf(FileTime time) {
    int64_t seconds = time.ticks / kTicksPerSecond;
    if (time.ticks % kTicksPerSecond < 0) --seconds;
    return seconds - kSecondsFrom1601To1970;
}

std::tm LocalTm(FileTime time) {
    std::time_t t = std::time_t(UnixSecondsOf(time));
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

}  // namespace

bool IsValidDate(const CalendarDate& date) {
    if (date.year < 1601 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1 || date.day > 31)
        return false;
    return std::chrono::year_month_day{std::chrono::year{date.year} / std::chrono::month{unsigned(date.month)} /
                                       std::chrono::day{unsigned(date.day)}}
        .ok();
}

std::optional<CalendarDate> CalendarDateFromOleDate(double oleDate) {
    // Days count from 1899-12-30; before it the time of day still counts
    // forwards (-1.25 is 29 December 1899, 06:00), so the day is the whole part.
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 3'000'000.0) return std::nullopt;
    const auto epoch = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};
    CalendarDate d = DateOf(epoch + std::chrono::days{int64_t(std::trunc(oleDate))});
    if (!IsValidDate(d)) return std::nullopt;
    return d;
}

FileTime UtcMidnight(const CalendarDate& date) {
    return FromUnixSeconds(int64_t(DaysOf(date).time_since_epoch().count()) * 86400);
}

namespace {
// The instant of a wall-clock time of the day in this process's time zone.
// Where the clocks skip that time, mktime moves it on by the gap; where
// that lands midnight in the day before, the day starts an hour later.
FileTime LocalInstant(const CalendarDate& date, int secondsOfDay) {
    auto attempt = [&date](int seconds) {
        std::tm tm{};
        tm.tm_year = date.year - 1900;
        tm.tm_mon = date.month - 1;
        tm.tm_mday = date.day;
        tm.tm_sec = seconds;
        tm.tm_isdst = -1;
        std::time_t t = std::mktime(&tm);
        return std::pair{t, tm.tm_mday == date.day};
    };
    auto [t, sameDay] = attempt(secondsOfDay);
    if (t != std::time_t(-1) && !sameDay && secondsOfDay == 0) t = attempt(3600).first;
    if (t == std::time_t(-1))  // beyond what the zone data covers: read as UTC
        return FileTime{UtcMidnight(date).ticks + int64_t(secondsOfDay) * kTicksPerSecond};
    return FromUnixSeconds(int64_t(t));
}
}  // namespace

FileTime LocalMidnight(const CalendarDate& date) { return LocalInstant(date, 0); }

std::optional<FileTime> FromLocalOleDate(double oleDate) {
    auto date = CalendarDateFromOleDate(oleDate);
    if (!date) return std::nullopt;
    const int seconds = int(std::lround(std::fabs(oleDate - std::trunc(oleDate)) * 86400.0));
    return LocalInstant(*date, std::min(seconds, 86399));
}

CalendarDate UtcDateOf(FileTime time) {
    int64_t seconds = UnixSecondsOf(time);
    int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    return DateOf(std::chrono::sys_days{std::chrono::days{days}});
}

CalendarDate LocalDateOf(FileTime time) {
    std::tm tm = LocalTm(time);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

int LocalSecondsOfDay(FileTime time) {
    std::tm tm = LocalTm(time);
    return tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
}

}  // namespace mapi
