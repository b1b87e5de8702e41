// Text shown in the export log, made one line whatever it carries: contact
// values and paths go into log lines, and a line break or a terminal control
// in one of them must not start a line of its own (a forged "Written: 0, ..."
// on standard output, a second line in the window's log).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace exporting {

// text with every character that could break or rewrite a line written as an
// escape: \n, \r and \t; other C0 controls and DEL as \xHH; the C1 controls
// and the line and paragraph separators U+2028, U+2029 as \uHHHH; each byte
// that is not part of well-formed UTF-8 as \xHH. Everything else, a
// backslash included, is kept as it is, so ordinary lines read unchanged.
std::string OneLogLine(std::string_view text);

// n in decimal with its digits grouped in threes by commas: "99,999".
std::string GroupedDigits(uint64_t n);

}  // namespace exporting
