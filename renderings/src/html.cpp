#include "contact_fields.h"
#include "formats.h"

#include <base/html.h>

namespace renderings {

namespace {

// Values keep their line breaks on the page.
void AppendEscaped(std::string& out, std::string_view text) {
    base::AppendHtmlEscaped(out, text, base::LineBreaks::ToBrTags);
}

}  // namespace

std::string HtmlPageStart(const std::string& title) {
    std::string out =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>";
    AppendEscaped(out, title);
    // One weight throughout: a PDF made from this page then embeds one face
    // per script instead of two, which halves the time to write it.
    out += "</title>\n<style>\n"
           "h1 { font-size: 16pt; font-weight: normal; }\n"
           "th { text-align: left; vertical-align: top; padding-right: 1em; font-weight: normal; color: #555555; }\n"
           "td { vertical-align: top; white-space: pre-wrap; }\n"
           "</style>\n</head>\n<body>\n<h1>";
    AppendEscaped(out, title);
    out += "</h1>\n";
    return out;
}

std::string Html(const contacts::Contact& contact) {
    std::string out = HtmlPageStart(ContactTitle(contact));
    static constexpr std::string_view kTableStart = "<table>\n", kRowStart = "<tr><th>", kCell = "</th><td>",
                                      kRowEnd = "</td></tr>\n", kPageEnd = "</table>\n</body>\n</html>\n";
    const std::vector<ShownField> fields = ShownFields(contact);
    // The page is made in room of its final size: a value of tens of
    // megabytes would otherwise be copied as the page grows, and held twice.
    size_t size = out.size() + kTableStart.size() + kPageEnd.size();
    for (const auto& f : fields)
        size += kRowStart.size() + kCell.size() + kRowEnd.size() + base::HtmlEscapedSize(f.label, base::LineBreaks::ToBrTags) +
                base::HtmlEscapedSize(f.value.View(), base::LineBreaks::ToBrTags);
    out.reserve(size);
    out += kTableStart;
    for (const auto& f : fields) {
        out += kRowStart;
        AppendEscaped(out, f.label);
        out += kCell;
        AppendEscaped(out, f.value.View());
        out += kRowEnd;
    }
    out += kPageEnd;
    return out;
}

}  // namespace renderings
