// The cut of long values: Outlook keeps 1,023 UTF-16 code units of a text
// property, and a cut must not leave half a character people see (a letter
// without its accent, half an emoji sequence) at the end.
#include <notes/field_rules.h>

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <memory>

namespace notes {

namespace {

// The byte length of the longest prefix of whole code points that fits in
// maxUnits UTF-16 code units; text.size() when all of it does.
size_t PrefixOfUnits(std::string_view text, size_t maxUnits) {
    size_t units = 0;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const size_t need = bytes == 4 ? 2 : 1;  // beyond the BMP: a surrogate pair
        if (units + need > maxUnits) return i;
        units += need;
        i += bytes;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;  // a malformed tail stays whole
    }
    return text.size();
}

// The last grapheme cluster boundary at or before byte end; end itself when
// the boundaries cannot be found, 0 never (a first cluster longer than the
// limit is cut at a code point instead).
size_t ClusterBoundaryAtOrBefore(std::string_view text, size_t end) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UText, decltype(&utext_close)> utext(
        utext_openUTF8(nullptr, text.data(), int64_t(text.size()), &status), &utext_close);
    if (U_FAILURE(status)) return end;
    std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaks(
        ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status), &ubrk_close);
    if (U_FAILURE(status)) return end;
    ubrk_setUText(breaks.get(), utext.get(), &status);
    if (U_FAILURE(status)) return end;
    const int32_t boundary = ubrk_isBoundary(breaks.get(), int32_t(end)) ? int32_t(end) : ubrk_preceding(breaks.get(), int32_t(end));
    return boundary > 0 ? size_t(boundary) : end;
}

}  // namespace

std::string CutValue(std::string_view text) {
    if (text.size() <= kMaxValueChars) return std::string(text);  // fewer bytes than units allowed
    const size_t end = PrefixOfUnits(text, kMaxValueChars);
    if (end == text.size()) return std::string(text);
    return std::string(text.substr(0, ClusterBoundaryAtOrBefore(text, end)));
}

}  // namespace notes
