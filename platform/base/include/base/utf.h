// UTF-8 <-> UTF-16 without a locale. Malformed input never stops a
// conversion: each maximal ill-formed part becomes one U+FFFD, as the
// Unicode standard recommends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Invalid, overlong, truncated or surrogate-encoding UTF-8 sequences become
// U+FFFD; a lead byte followed by too few continuation bytes is one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Utf8ToUtf16(text) as UTF-16LE bytes, appended to out.
void AppendUtf16Le(std::vector<uint8_t>& out, std::string_view text);
void AppendUtf16Le(std::string& out, std::string_view text);
// The same handed to put a piece at a time, each the bytes of a few
// kilobytes of text (never a character split): for a text of tens of
// megabytes, written where it goes without being held whole in UTF-16.
void EachUtf16LePiece(std::string_view text, const std::function<void(std::string_view bytes)>& put);
// Utf8ToUtf16(text).size(), counted without building the text.
size_t Utf16Length(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Utf16ToUtf8(Utf8ToUtf16(text)) without the UTF-16 text: valid text is
// given back as it is, without a copy.
std::string ValidUtf8(std::string text);
// True when ValidUtf8 would give the text back as it is.
bool IsValidUtf8(std::string_view text);

}  // namespace base
