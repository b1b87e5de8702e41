// A categorized view lists a document once under each of its categories,
// and each copy carries all of them: a contact filed under 20,000
// categories would become 20,000 items of 20,000 categories each. A
// document listed more often than kMostListings in one view is written once
// there, at its first listing, with a log line; its other listings count as
// skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace exporting {

class RunContext;
class ViewReader;

inline constexpr size_t kMostListings = 100;

// The walk without the listings of over-listed documents after their first.
std::vector<uint32_t> WithoutExcessListings(RunContext& run, const ViewReader& reader, std::vector<uint32_t> walk);

}  // namespace exporting
