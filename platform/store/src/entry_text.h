// What a store name, a PST path or a command-file value may hold: no control
// character of any kind (which could break the line of a file it is written
// to) and a sane length.
#pragma once

#include <cstddef>
#include <string_view>

namespace store {

inline constexpr size_t kMaxStoreNameChars = 255;
inline constexpr size_t kMaxPathBytes = 4096;

// True for C0 and C1 controls, DEL, and the Unicode line and paragraph
// separators, in UTF-8.
bool HasControlCharacter(std::string_view text);
// Characters (code points) of UTF-8 text.
size_t CharacterCount(std::string_view text);

// Throws StoreError(InvalidArgument) naming `what` when `text` holds a control
// character or is longer than `maxChars` characters or `maxBytes` bytes.
void CheckEntryText(std::string_view text, const char* what, size_t maxChars, size_t maxBytes);

}  // namespace store
