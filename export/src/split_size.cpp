#include <exporting/split_size.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace exporting {

uint64_t SplitChoiceSize(int index) {
    const bool chosen = index >= 0 && size_t(index) < kSplitChoices.size();
    return uint64_t(chosen ? index + 1 : kSplitChoices.size()) * kGiB;
}

uint64_t SplitMegabytesSize(uint64_t megabytes) { return std::max(kMinSplitMb, megabytes) * kMiB; }

std::optional<uint64_t> ParseSplitSize(std::string_view text) {
    size_t digits = 0;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits]))) ++digits;
    if (digits == 0 || digits > 12) return std::nullopt;
    std::string unit(text.substr(digits));
    for (char& c : unit) c = char(std::toupper(static_cast<unsigned char>(c)));
    const uint64_t scale = unit == "KB" ? kKiB : unit == "MB" ? kMiB : unit == "GB" ? kGiB : 0;
    const uint64_t count = std::stoull(std::string(text.substr(0, digits)));
    if (scale == 0 || count == 0 || count > UINT64_MAX / scale) return std::nullopt;
    return count * scale;
}

}  // namespace exporting
