#include "contact_fields.h"
#include "formats.h"

#include <base/html.h>

namespace renderings {

namespace {

// Values keep their line breaks on the page.
void AppendEscaped(std::string& out, const std::string& text) {
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
    out += "<table>\n";
    for (const auto& f : ShownFields(contact)) {
        out += "<tr><th>";
        AppendEscaped(out, std::string(f.label));
        out += "</th><td>";
        AppendEscaped(out, f.value);
        out += "</td></tr>\n";
    }
    out += "</table>\n</body>\n</html>\n";
    return out;
}

}  // namespace renderings
