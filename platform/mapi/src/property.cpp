#include <mapi/property.h>

#include <cmath>
#include <stdexcept>

namespace mapi {

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::invalid_argument("bad hex digit in GUID");
}
}  // namespace

Guid GuidFromString(const char* text) {
    // Canonical text: Data1-Data2-Data3-Data4[0..1]-Data4[2..7]; the first three
    // groups are little-endian on the wire, Data4 is stored as written.
    std::string hex;
    for (const char* p = text; *p; ++p)
        if (*p != '-' && *p != '{' && *p != '}') hex += *p;
    if (hex.size() != 32) throw std::invalid_argument("GUID needs 32 hex digits");
    uint8_t b[16];
    for (int i = 0; i < 16; ++i) b[i] = uint8_t(HexValue(hex[2 * i]) * 16 + HexValue(hex[2 * i + 1]));
    return Guid{b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6],
                b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]};
}

const Guid kPsetidAddress = GuidFromString("00062004-0000-0000-C000-000000000046");
const Guid kPsPublicStrings = GuidFromString("00020329-0000-0000-C000-000000000046");
const Guid kPsMapi = GuidFromString("00020328-0000-0000-C000-000000000046");

namespace {
// Days between 1601-01-01 and 1899-12-30.
constexpr double kOleEpochDays = 109205.0;
constexpr double kTicksPerDay = 864000000000.0;
}  // namespace

FileTime FileTimeFromOleDate(double oleDate) {
    // OLE dates before the epoch count days negatively but the time of day
    // positively (-1.25 is 29 Dec 1899 06:00).
    double days = std::trunc(oleDate);
    double frac = std::fabs(oleDate - days);
    double ticks = (kOleEpochDays + days) * kTicksPerDay + std::round(frac * 86400000.0) * 10000.0;
    return FileTime{static_cast<int64_t>(ticks)};
}

double OleDateFromFileTime(FileTime ft) {
    double totalDays = double(ft.ticks) / kTicksPerDay - kOleEpochDays;
    if (totalDays >= 0) return totalDays;
    // Negative OLE dates keep a positive time of day: 29 Dec 1899 06:00 is -1.25.
    double days = std::floor(totalDays);
    return days - (totalDays - days);
}

const PropertyValue* PropertyBag::Find(const PropertyKey& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? nullptr : &it->second;
}

std::optional<std::string> PropertyBag::GetString(const PropertyKey& key) const {
    if (auto* v = Find(key); v && std::holds_alternative<std::string>(*v)) return std::get<std::string>(*v);
    return std::nullopt;
}

std::optional<FileTime> PropertyBag::GetTime(const PropertyKey& key) const {
    if (auto* v = Find(key); v && std::holds_alternative<FileTime>(*v)) return std::get<FileTime>(*v);
    return std::nullopt;
}

std::optional<int32_t> PropertyBag::GetInt32(const PropertyKey& key) const {
    if (auto* v = Find(key); v && std::holds_alternative<int32_t>(*v)) return std::get<int32_t>(*v);
    return std::nullopt;
}

std::u16string Utf8ToUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = s[i];
        uint32_t cp;
        int len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        else { out.push_back(0xFFFD); ++i; continue; }
        if (i + len > n) { out.push_back(0xFFFD); break; }
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            unsigned char cc = s[i + k];
            if ((cc & 0xC0) != 0x80) { ok = false; break; }
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += len;
    }
    return out;
}

std::string Utf16ToUtf8(const std::u16string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) out += char(cp);
        else if (cp < 0x800) { out += char(0xC0 | (cp >> 6)); out += char(0x80 | (cp & 0x3F)); }
        else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12)); out += char(0x80 | ((cp >> 6) & 0x3F)); out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18)); out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F)); out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace mapi
