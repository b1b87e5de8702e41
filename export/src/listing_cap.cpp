#include "listing_cap.h"

#include "run_context.h"
#include "view_reader.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace exporting {

std::vector<uint32_t> WithoutExcessListings(RunContext& run, const ViewReader& reader, std::vector<uint32_t> walk) {
    // A document is listed at most once under each category: with no more
    // categories than the limit there is nothing to cap, and no document
    // needs looking up (every view without categories).
    size_t categories = 0;
    for (size_t n = 0; n < reader.EntryCount() && categories <= kMostListings; ++n) categories += reader.IsCategory(n);
    if (categories <= kMostListings) return walk;
    std::vector<std::optional<uint32_t>> notes(walk.size());
    std::unordered_map<uint32_t, size_t> listings;  // by note id
    bool excess = false;
    for (size_t i = 0; i < walk.size(); ++i) {
        notes[i] = reader.NoteOf(walk[i]);
        if (notes[i]) excess = ++listings[*notes[i]] > kMostListings || excess;
    }
    if (!excess) return walk;
    std::vector<uint32_t> kept;
    std::unordered_set<uint32_t> written;
    for (size_t i = 0; i < walk.size(); ++i) {
        const size_t times = notes[i] ? listings[*notes[i]] : 0;
        if (times <= kMostListings) {
            kept.push_back(walk[i]);
        } else if (written.insert(*notes[i]).second) {
            kept.push_back(walk[i]);
            const auto identity = reader.Identify(walk[i]);
            run.Log("Listed " + std::to_string(times) + " times in this view, under as many categories; written once: " +
                        (identity ? identity->source.unid : std::to_string(*notes[i])),
                    kColourSkip);
            run.outcome.totals.skipped += times - 1;
        }
    }
    return kept;
}

}  // namespace exporting
