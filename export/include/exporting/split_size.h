// The size at which an export starts a new PST file, from each place a size
// is chosen: the tree export's list of whole gigabytes, the list export's box
// of megabytes, and the command line's text. One rule for all three.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace exporting {

inline constexpr uint64_t kKiB = 1024ull;
inline constexpr uint64_t kMiB = 1024ull * kKiB;
inline constexpr uint64_t kGiB = 1024ull * kMiB;

// The sizes the tree export offers, in its order: entry n is n + 1 GiB.
inline constexpr std::array<std::string_view, 5> kSplitChoices = {"1GB", "2GB", "3GB", "4GB", "5GB"};
// The size of entry `index` of kSplitChoices; with no entry chosen (any
// index outside the list) the last entry applies.
uint64_t SplitChoiceSize(int index);

// The smallest size the list export's box takes, in MB.
inline constexpr uint64_t kMinSplitMb = 5;
// The size of a number of megabytes from the list export's box: at least
// kMinSplitMb.
uint64_t SplitMegabytesSize(uint64_t megabytes);

// "1GB".."5GB", or any number of at most 12 digits followed by KB, MB or GB
// in any case (1024-based). Nothing when the text is anything else, or the
// size would be 0 or more than 64 bits hold.
std::optional<uint64_t> ParseSplitSize(std::string_view text);

}  // namespace exporting
