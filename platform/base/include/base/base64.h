// Base64 (RFC 4648, the standard alphabet with padding).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace base {

// The base64 form of bytes. With a line length, "\r\n" follows each line of
// that many characters and the last one (MIME bodies: 76).
std::string Base64Encode(std::string_view bytes, size_t lineLength = 0);

// The bytes of base64 text. Whatever is not of the alphabet (line breaks,
// spaces, padding) is skipped.
std::string Base64Decode(std::string_view text);

}  // namespace base
