#include "contact_fields.h"
#include "formats.h"

#include <base/utf.h>

namespace renderings {

namespace rtf {

namespace {

// Hands the escaped text to put a piece at a time. The text is converted a
// few kilobytes at a time: a note of tens of megabytes is never held whole
// in UTF-16.
template <class Put>
void EachEscapedPiece(std::string_view utf8, Put put) {
    base::EachUtf16LePiece(utf8, [&](std::string_view bytes) {
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const char16_t u = char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
            const char c = char(u);
            if (u == '\\' || u == '{' || u == '}') {
                put("\\");
                put(std::string_view(&c, 1));
            } else if (u == '\n') {
                put("\\line ");
            } else if (u == '\t') {
                put("\\tab ");
            } else if (u >= 0x20 && u < 0x7F) {
                put(std::string_view(&c, 1));
            } else {
                // \uN takes a signed 16-bit number; "?" is what readers without Unicode show.
                put("\\u" + std::to_string(int16_t(u)) + "?");
            }
        }
    });
}

template <class Put>
void EachParagraphPiece(std::string_view label, std::string_view value, Put put) {
    put("{\\b ");
    EachEscapedPiece(label, put);
    put(":} ");
    EachEscapedPiece(value, put);
    put("\\par\n");
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view utf8) {
    EachEscapedPiece(utf8, [&out](std::string_view piece) { out += piece; });
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
    EachParagraphPiece(label, value, [&out](std::string_view piece) { out += piece; });
}

size_t ParagraphSize(std::string_view label, std::string_view value) {
    size_t size = 0;
    EachParagraphPiece(label, value, [&size](std::string_view piece) { size += piece.size(); });
    return size;
}

}  // namespace rtf

std::string Rtf(const contacts::Contact& contact) {
    const std::string start = rtf::DocumentStart(ContactTitle(contact));
    const std::vector<ShownField> fields = ShownFields(contact);
    // Made in room of its final size: a long value would otherwise be
    // copied as the document grows, and held twice.
    size_t size = start.size() + 2;
    for (const auto& f : fields) size += rtf::ParagraphSize(f.label, f.value.View());
    std::string out;
    out.reserve(size);
    out += start;
    for (const auto& f : fields) rtf::AppendParagraph(out, f.label, f.value.View());
    out += "}\n";
    return out;
}

}  // namespace renderings
