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

const Binary* PropertyBag::GetBinary(const PropertyKey& key) const {
    const PropertyValue* v = Find(key);
    return v ? std::get_if<Binary>(v) : nullptr;
}

const MultiBinary* PropertyBag::GetMultiBinary(const PropertyKey& key) const {
    const PropertyValue* v = Find(key);
    return v ? std::get_if<MultiBinary>(v) : nullptr;
}

std::optional<Strings> PropertyBag::GetStrings(const PropertyKey& key) const {
    if (auto* v = Find(key); v && std::holds_alternative<Strings>(*v)) return std::get<Strings>(*v);
    return std::nullopt;
}

}  // namespace mapi
