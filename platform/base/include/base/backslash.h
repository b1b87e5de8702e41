// Text in one line of a tab-separated record: backslash, tab, line feed and
// carriage return written as \\, \t, \n and \r, every other byte as it is.
#pragma once

#include <string>
#include <string_view>

namespace base {

void AppendBackslashEscaped(std::string& out, std::string_view text);
std::string BackslashEscaped(std::string_view text);
// The text AppendBackslashEscaped wrote; false for a lone backslash at the
// end or any other escape.
bool BackslashUnescape(std::string_view text, std::string* out);

}  // namespace base
