#include <notesapi/lnitems.h>

#include <cctype>
#include <cstdio>

namespace {

bool Digits(std::string_view s, size_t pos, size_t count, int* out) {
    if (pos + count > s.size()) return false;
    int v = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        v = v * 10 + (s[i] - '0');
    }
    *out = v;
    return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

bool ValidDate(int y, int m, int d) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= (m == 2 && !leap ? 28 : kDays[m - 1]);
}

// Minutes east of UTC of a zone suffix: Z, +hh, -hh, +hhmm or -hhmm.
std::optional<int> ZoneMinutes(std::string_view z) {
    if (z == "Z") return 0;
    int hours = 0, minutes = 0;
    const bool ok = (z.size() == 3 && Digits(z, 1, 2, &hours)) ||
                    (z.size() == 5 && Digits(z, 1, 2, &hours) && Digits(z, 3, 2, &minutes));
    if (!ok || hours > 14 || minutes > 59) return std::nullopt;
    return (z[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

}  // namespace

std::optional<LNDatetime> LNDatetime::FromDxl(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    LNDatetime dt;
    size_t pos = 0;
    if (Digits(s, 0, 8, &dt.year)) {
        dt.month = dt.year % 10000 / 100;
        dt.day = dt.year % 100;
        dt.year /= 10000;
        if (!ValidDate(dt.year, dt.month, dt.day)) return std::nullopt;
        dt.hasDate_ = true;
        pos = 8;
    }
    if (pos < s.size() && s[pos] == 'T') {
        int hms;
        if (!Digits(s, pos + 1, 6, &hms)) return std::nullopt;
        dt.hour = hms / 10000;
        dt.minute = hms / 100 % 100;
        dt.second = hms % 100;
        if (dt.hour > 23 || dt.minute > 59 || dt.second > 59) return std::nullopt;
        dt.hasTime_ = true;
        pos += 7;
        if (pos < s.size() && s[pos] == ',') {
            if (!Digits(s, pos + 1, 2, &dt.hundredth)) return std::nullopt;
            pos += 3;
        }
        // A zone (Z, +hh, -hh, +hhmm) may follow; the wall-clock value is
        // kept, and the offset with it when it reads as one.
        if (pos < s.size() && (s[pos] == 'Z' || s[pos] == '+' || s[pos] == '-')) {
            if (auto zone = ZoneMinutes(s.substr(pos))) {
                dt.hasZone_ = true;
                dt.zoneMinutes = *zone;
            }
            pos = s.size();
        }
    }
    if (pos != s.size() || !dt.IsValid()) return std::nullopt;
    return dt;
}

std::string LNDatetime::Text() const {
    char buf[40];
    if (hasDate_ && hasTime_)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    else if (hasDate_)
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    else if (hasTime_)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", hour, minute, second);
    else
        return {};
    return buf;
}

void LNDatetime::GetText(LNString* text) const {
    if (!text) throw notesapi::NotesError(LNERR_NULL_ARGUMENT);
    *text = LNString(Text());
}

double LNDatetime::ToOleDate() const {
    double days = hasDate_ ? double(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30)) : 0.0;
    double frac = hasTime_ ? (hour * 3600 + minute * 60 + second + hundredth / 100.0) / 86400.0 : 0.0;
    // OLE dates before 1899-12-30 keep a positive time of day.
    return days < 0 ? days - frac : days + frac;
}

int64_t LNDatetime::ToFileTime() const {
    if (!hasDate_) return 0;
    constexpr int64_t kTicksPerSecond = 10000000;
    // 1601-01-01 is 134774 days before 1970-01-01.
    const int64_t days = int64_t(DaysFromCivil(year, month, day)) + 134774;
    int64_t seconds = days * 86400;
    if (hasTime_) seconds += hour * 3600 + minute * 60 + second;
    if (hasZone_) seconds -= int64_t(zoneMinutes) * 60;
    return seconds * kTicksPerSecond + (hasTime_ ? int64_t(hundredth) * 100000 : 0);
}
