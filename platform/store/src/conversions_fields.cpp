#include "conversions_fields.h"

#include <chrono>
#include <cstdio>

namespace store::render {

std::string Clean(const std::string& text) {
    std::string valid = mapi::Utf16ToUtf8(mapi::Utf8ToUtf16(text));
    std::string out;
    out.reserve(valid.size());
    for (size_t i = 0; i < valid.size(); ++i) {
        unsigned char c = valid[i];
        if (c == '\r') {
            out += '\n';
            if (i + 1 < valid.size() && valid[i + 1] == '\n') ++i;
        } else if (c < 0x20 && c != '\n' && c != '\t') {
            out += ' ';
        } else if (c == 0x7F) {
            out += ' ';
        } else {
            out += char(c);
        }
    }
    return out;
}

namespace {

std::string ValueOf(const mapi::PropertyBag& properties, const mapi::ContactFieldInfo& info) {
    if (info.field == mapi::ContactField::Sent) return {};
    const mapi::PropertyValue* v = properties.Find(info.key);
    if (!v) return {};
    if (auto* s = std::get_if<std::string>(v)) return Clean(*s);
    if (auto* t = std::get_if<mapi::FileTime>(v)) return FormatDate(*t);
    return {};
}

}  // namespace

std::string FormatDate(mapi::FileTime time) {
    using namespace std::chrono;
    constexpr int64_t kTicksPerSecond = 10'000'000;
    constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
    int64_t seconds = time.ticks / kTicksPerSecond - (time.ticks % kTicksPerSecond < 0 ? 1 : 0) - kSecondsFrom1601To1970;
    sys_seconds tp{std::chrono::seconds(seconds)};
    sys_days day = floor<days>(tp);
    year_month_day ymd{day};
    hh_mm_ss hms{tp - day};
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02u-%02u", int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day()));
    if (hms.to_duration().count() != 0)
        std::snprintf(buf + n, sizeof buf - n, " %02d:%02d:%02d", int(hms.hours().count()), int(hms.minutes().count()),
                      int(hms.seconds().count()));
    return buf;
}

std::vector<ShownField> ShownFields(const mapi::PropertyBag& properties) {
    std::vector<ShownField> out;
    for (const auto& info : mapi::ContactFields()) {
        std::string value = ValueOf(properties, info);
        if (value.find_first_not_of(" \t\n") != std::string::npos) out.push_back({info.field, info.label, std::move(value)});
    }
    return out;
}

std::string ShownValue(const mapi::PropertyBag& properties, mapi::ContactField field) {
    return ValueOf(properties, mapi::InfoOf(field));
}

std::string ContactTitle(const mapi::PropertyBag& properties) {
    for (auto f : {mapi::ContactField::FullName, mapi::ContactField::Subject}) {
        std::string v = ShownValue(properties, f);
        if (v.find_first_not_of(" \t\n") != std::string::npos) return v;
    }
    return "Contact";
}

}  // namespace store::render
