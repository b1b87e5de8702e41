// Case folding of the ASCII letters A-Z only, whatever the locale: names in
// stores, hives, DXL and file patterns compare this way, and bytes of UTF-8
// sequences stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace base {

constexpr char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
std::string AsciiLower(std::string_view text);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
// Negative, zero or positive as a sorts before, with or after b once both
// are folded; bytes compare unsigned.
int CompareIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace base
