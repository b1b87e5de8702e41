#include <base/html.h>

namespace base {

void AppendHtmlEscaped(std::string& out, std::string_view text, LineBreaks breaks) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        case '\n':
            if (breaks == LineBreaks::ToBrTags) {
                out += "<br>";
                break;
            }
            [[fallthrough]];
        default: out += c;
        }
    }
}

std::string HtmlEscaped(std::string_view text, LineBreaks breaks) {
    std::string out;
    out.reserve(text.size());
    AppendHtmlEscaped(out, text, breaks);
    return out;
}

}  // namespace base
