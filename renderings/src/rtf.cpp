#include "contact_fields.h"
#include "formats.h"

#include <base/utf.h>

namespace renderings {

namespace rtf {

void AppendEscaped(std::string& out, std::string_view utf8) {
    for (char16_t u : base::Utf8ToUtf16(utf8)) {
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += char(u);
        } else if (u == '\n') {
            out += "\\line ";
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u >= 0x20 && u < 0x7F) {
            out += char(u);
        } else {
            // \uN takes a signed 16-bit number; "?" is what readers without Unicode show.
            out += "\\u" + std::to_string(int16_t(u)) + "?";
        }
    }
}

std::string DocumentStart(const std::string& title) {
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
        "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
        "\\viewkind4\\pard\\f0\\fs22\n{\\b\\fs28 ";
    AppendEscaped(out, title);
    out += "}\\par\\par\n";
    return out;
}

void AppendParagraph(std::string& out, std::string_view label, std::string_view value) {
    out += "{\\b ";
    AppendEscaped(out, label);
    out += ":} ";
    AppendEscaped(out, value);
    out += "\\par\n";
}

}  // namespace rtf

std::string Rtf(const contacts::Contact& contact) {
    std::string out = rtf::DocumentStart(ContactTitle(contact));
    for (const auto& f : ShownFields(contact)) rtf::AppendParagraph(out, f.label, f.value.View());
    out += "}\n";
    return out;
}

}  // namespace renderings
