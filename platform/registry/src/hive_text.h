// Text helpers of the Wine hive format: UTF-8 <-> UTF-16 and the escaped
// strings used for key names, value names and string data.
#pragma once

#include <base/utf.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace registry::detail {

// Invalid or truncated UTF-8 sequences and unpaired surrogates become U+FFFD.
using base::Utf16ToUtf8;
using base::Utf8ToUtf16;

// Reads an escaped string from `line` starting at `pos` up to the first
// unescaped `endChar`. Returns the position just after `endChar`, or
// std::string_view::npos when the line ends first.
size_t ParseEscaped(std::string_view line, size_t pos, char endChar, std::u16string& out);

// ParseEscaped straight to UTF-8; `scratch` saves allocations between calls.
// Plain ASCII names, the common case, are copied without a detour through UTF-16.
size_t ParseEscapedUtf8(std::string_view line, size_t pos, char endChar, std::string& out, std::u16string& scratch);

// Writes `text` the way Wine does: backslash, `quoteA` and `quoteB` get a
// backslash, control characters C or octal escapes, non-ASCII \x escapes.
std::string EscapeString(std::u16string_view text, char quoteA, char quoteB);

bool IsHexDigit(char c);
int HexValue(char c);

}  // namespace registry::detail
