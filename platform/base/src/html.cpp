#include <base/html.h>

namespace base {

namespace {

// What stands for c in escaped text; empty when c stands for itself.
std::string_view Replacement(char c, LineBreaks breaks) {
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\'': return "&#39;";
    case '\n': return breaks == LineBreaks::ToBrTags ? "<br>" : std::string_view();
    default: return {};
    }
}

}  // namespace

void AppendHtmlEscaped(std::string& out, std::string_view text, LineBreaks breaks) {
    for (char c : text) {
        if (std::string_view r = Replacement(c, breaks); !r.empty()) out += r;
        else out += c;
    }
}

size_t HtmlEscapedSize(std::string_view text, LineBreaks breaks) {
    size_t size = 0;
    for (char c : text) {
        const size_t r = Replacement(c, breaks).size();
        size += r ? r : 1;
    }
    return size;
}

std::string HtmlEscaped(std::string_view text, LineBreaks breaks) {
    std::string out;
    out.reserve(HtmlEscapedSize(text, breaks));
    AppendHtmlEscaped(out, text, breaks);
    return out;
}

}  // namespace base
