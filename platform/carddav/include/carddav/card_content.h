// What a vCard resource holds, compared: by digest against what was sent
// before, and line by line against what a server returns, which may have
// reordered or refolded the lines it stored.
#pragma once

#include <cstdint>
#include <string_view>

namespace carddav {

// A stable digest of a resource's bytes, to tell whether they changed.
uint64_t ContentDigest(std::string_view bytes);

// True when both vCards hold the same content lines, in any order and
// however folded.
bool SameCard(std::string_view a, std::string_view b);

}  // namespace carddav
