#include "conversions_fields.h"

#include <mapi/dates.h>

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

std::string DayText(const mapi::CalendarDate& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

std::string ValueOf(const mapi::PropertyBag& properties, const mapi::ContactFieldInfo& info) {
    if (info.field == mapi::ContactField::Sent) return {};
    const mapi::PropertyValue* v = properties.Find(info.key);
    if (!v) return {};
    if (auto* s = std::get_if<std::string>(v)) return Clean(*s);
    if (std::holds_alternative<mapi::FileTime>(*v)) return ShownDate(properties, info.field);
    if (auto* list = std::get_if<mapi::Strings>(v)) {
        std::string out;
        for (const auto& item : *list) {
            std::string value = Clean(item);
            if (value.find_first_not_of(" \t\n") == std::string::npos) continue;
            if (!out.empty()) out += '\n';
            out += value;
        }
        return out;
    }
    return {};
}

}  // namespace

std::string ShownDay(const mapi::PropertyBag& properties, mapi::ContactField field) {
    if (auto twin = mapi::LocalDayKey(field))
        if (auto day = properties.GetTime(*twin)) return DayText(mapi::UtcDateOf(*day));
    if (auto time = properties.GetTime(mapi::InfoOf(field).key)) return DayText(mapi::LocalDateOf(*time));
    return {};
}

std::string ShownDate(const mapi::PropertyBag& properties, mapi::ContactField field) {
    std::string day = ShownDay(properties, field);
    const auto twin = mapi::LocalDayKey(field);
    if (day.empty() || (twin && properties.Has(*twin))) return day;
    const int seconds = mapi::LocalSecondsOfDay(*properties.GetTime(mapi::InfoOf(field).key));
    if (seconds == 0) return day;
    char buf[32];
    std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return day + buf;
}

std::vector<std::string> ShownValues(const mapi::PropertyBag& properties, mapi::ContactField field) {
    std::vector<std::string> out;
    for (const auto& item : properties.GetStrings(mapi::InfoOf(field).key).value_or(mapi::Strings())) {
        std::string value = Clean(item);
        if (value.find_first_not_of(" \t\n") != std::string::npos) out.push_back(std::move(value));
    }
    return out;
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
