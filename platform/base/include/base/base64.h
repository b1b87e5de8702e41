// Base64 (RFC 4648, the standard alphabet with padding).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// The base64 form of bytes. With a line length, "\r\n" follows each line of
// that many characters and the last one (MIME bodies: 76).
std::string Base64Encode(std::string_view bytes, size_t lineLength = 0);
// The same appended to out, and its size: a page's text of tens of megabytes
// is encoded into room made for it once.
void AppendBase64(std::string& out, std::string_view bytes, size_t lineLength = 0);
size_t Base64Size(size_t bytes, size_t lineLength = 0);

// The bytes of base64 text. Whatever is not of the alphabet (line breaks,
// spaces, padding) is skipped.
std::string Base64Decode(std::string_view text);

// Base64DecodeChecked's verdict on a text.
enum class Base64Check { Ok, Malformed, TooLarge };

// The bytes of base64 text that must be whole: blanks and line breaks are
// skipped, anything else outside the alphabet, padding that is not at the
// end or a length that is not a whole number of groups makes it Malformed.
// Text of more than maxBytes bytes is TooLarge, told before any is decoded.
// *out holds the bytes only when Ok.
Base64Check Base64DecodeChecked(std::string_view text, size_t maxBytes, std::string* out);

}  // namespace base
