#include <notes/field_rules.h>

#include <cstdio>

namespace notes {

std::string CutToChars(std::string_view text, size_t maxChars) {
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
        if (chars == maxChars) return std::string(text.substr(0, i));
        ++chars;
    }
    return std::string(text);
}

std::string ReadItemText(const LNDocument& doc, std::string_view itemName, std::string_view emptyDefault) {
    const std::string fallback(emptyDefault);
    if (!doc.IsOpen()) return fallback;
    try {
        LNString name{std::string(itemName)};
        if (!doc.HasItem(name)) return fallback;
        LNText text;
        doc.GetItem(name, &text);
        if (text.GetCount() == 0) return fallback;
        const std::string_view first = text.View(0);
        if (first.empty()) return fallback;
        return CutValue(first);
    } catch (const notesapi::NotesError&) {
        return fallback;
    }
}

namespace {

std::vector<std::string> CutValues(const LNText& text, bool* cut) {
    std::vector<std::string> out;
    out.reserve(text.GetCount());
    for (size_t i = 0; i < text.GetCount(); ++i) {
        const std::string_view value = text.View(i);
        out.push_back(CutValue(value));
        if (cut && out.back().size() != value.size()) *cut = true;
    }
    return out;
}

}  // namespace

std::vector<std::string> ReadTextValues(const LNDocument& doc, std::string_view itemName, bool* cut) {
    if (cut) *cut = false;
    if (!doc.IsOpen()) return {};
    try {
        LNString name{std::string(itemName)};
        if (!doc.HasItem(name)) return {};
        LNText text;
        doc.GetItem(name, &text);
        return CutValues(text, cut);
    } catch (const notesapi::NotesError&) {
        return {};
    }
}

std::vector<std::string> ReadTextValuesAt(const LNDocument& doc, size_t position, bool* cut) {
    if (cut) *cut = false;
    if (!doc.IsOpen()) return {};
    try {
        LNText text;
        doc.GetItemAt(position, &text);
        return CutValues(text, cut);
    } catch (const notesapi::NotesError&) {
        return {};
    }
}

std::string ReadRichText(const LNDocument& doc, std::string_view itemName) {
    if (!doc.IsOpen()) return {};
    try {
        LNString name{std::string(itemName)};
        if (!doc.HasItem(name)) return {};
        LNRichText rich;
        LNString text;
        doc.GetItem(name, &rich);
        rich.GetText(&text);
        return std::move(text).Take();
    } catch (const notesapi::NotesError&) {
        return {};
    }
}

std::string CommonName(std::string_view name) {
    auto trim = [](std::string_view v) {
        while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
        while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
        return v;
    };
    std::string_view v = trim(name);
    if (v.size() > 3 && (v[0] == 'C' || v[0] == 'c') && (v[1] == 'N' || v[1] == 'n') && v[2] == '=')
        return std::string(trim(v.substr(3, v.find('/') == std::string_view::npos ? std::string_view::npos : v.find('/') - 3)));
    return std::string(v);
}

std::string ReadDateListText(const LNDocument& doc, std::string_view itemName) {
    if (!doc.IsOpen()) return {};
    try {
        LNString name{std::string(itemName)};
        if (!doc.HasItem(name)) return {};
        LNDatetimes dates;
        doc.GetItem(name, &dates);
        LNString text;
        dates.GetText(&text, ";");
        return CutValue(text.str());
    } catch (const notesapi::NotesError&) {
        return {};
    }
}

OleDate ConvertString2Date(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    const std::string s(text);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, used = 0;
    char dxl[32];
    // Re-expressed in DXL form so that one parser checks every field.
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &sec, &used) == 6 &&
        size_t(used) == s.size())
        std::snprintf(dxl, sizeof dxl, "%04d%02d%02dT%02d%02d%02d", y, mo, d, h, mi, sec);
    else if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &used) == 3 && size_t(used) == s.size())
        std::snprintf(dxl, sizeof dxl, "%04d%02d%02d", y, mo, d);
    else if (std::sscanf(s.c_str(), "%2d:%2d:%2d%n", &h, &mi, &sec, &used) == 3 && size_t(used) == s.size())
        std::snprintf(dxl, sizeof dxl, "T%02d%02d%02d", h, mi, sec);
    else
        return {};
    if (y < 0 || mo < 0 || d < 0 || h < 0 || mi < 0 || sec < 0) return {};
    auto parsed = LNDatetime::FromDxl(dxl);
    if (!parsed) return {};
    return OleDate{parsed->ToOleDate(), true};
}

bool InBetween(const OleDate& date, const OleDate& start, const OleDate& end) {
    return start.value <= date.value && date.value <= end.value;
}

}  // namespace notes
