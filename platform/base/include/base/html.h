// Text placed in HTML element content or quoted attribute values.
#pragma once

#include <string>
#include <string_view>

namespace base {

enum class LineBreaks {
    Keep,      // a line feed stays a line feed
    ToBrTags,  // a line feed becomes <br>
};

// Escapes & < > " and ' so that the text can never end an element or an
// attribute value; line feeds as `breaks` says.
void AppendHtmlEscaped(std::string& out, std::string_view text, LineBreaks breaks = LineBreaks::Keep);
std::string HtmlEscaped(std::string_view text, LineBreaks breaks = LineBreaks::Keep);
// The size of the text escaped so, for making room for it at once: a value
// can be tens of megabytes.
size_t HtmlEscapedSize(std::string_view text, LineBreaks breaks = LineBreaks::Keep);

}  // namespace base
