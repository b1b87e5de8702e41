#include "entry_text.h"

#include <store/error.h>

#include <string>

namespace store {

bool HasControlCharacter(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return true;
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0xC2 && next >= 0x80 && next <= 0x9F) return true;  // U+0080..U+009F
        if (c == 0xE2 && next == 0x80 && i + 2 < text.size() &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
            return true;  // U+2028, U+2029
        }
    }
    return false;
}

size_t CharacterCount(std::string_view text) {
    size_t n = 0;
    for (char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

void CheckEntryText(std::string_view text, const char* what, size_t maxChars, size_t maxBytes) {
    if (HasControlCharacter(text)) {
        throw StoreError(ErrorCode::InvalidArgument, std::string(what) + " cannot contain a control character or a line break");
    }
    if (text.size() > maxBytes || CharacterCount(text) > maxChars) {
        throw StoreError(ErrorCode::InvalidArgument, std::string(what) + " is too long (" + std::to_string(text.size()) +
                                                         " bytes; at most " +
                                                         std::to_string(maxChars < maxBytes ? maxChars : maxBytes) +
                                                         (maxChars < maxBytes ? " characters)" : " bytes)"));
    }
}

}  // namespace store
