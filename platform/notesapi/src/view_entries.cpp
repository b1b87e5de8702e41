// The entries of a view: the documents its selection formula selects, sorted
// by its sorted columns, with one category entry before each category's
// documents when a column is categorized. A folder lists the documents its
// own selection formula selects, and is empty without one.
#include "formula.h"
#include "index.h"

#include <algorithm>
#include <numeric>
#include <system_error>
#include <thread>
#include <unordered_set>

namespace notesapi {

namespace {

// A stable sort that, for a large view, sorts each half on a thread of its
// own and then merges them (a million rows: 0.7 s on one thread).
template <typename Less>
void StableSort(std::vector<uint32_t>& order, const Less& less) {
    constexpr size_t kTwoThreadsFrom = 1 << 16;
    const auto middle = order.begin() + std::ptrdiff_t(order.size() / 2);
    std::thread firstHalf;
    if (order.size() >= kTwoThreadsFrom && std::thread::hardware_concurrency() > 1) {
        try {
            firstHalf = std::thread([&] { std::stable_sort(order.begin(), middle, less); });
        } catch (const std::system_error&) {
        }
    }
    if (!firstHalf.joinable()) return std::stable_sort(order.begin(), order.end(), less);
    std::stable_sort(middle, order.end(), less);
    firstHalf.join();
    std::inplace_merge(order.begin(), middle, order.end(), less);
}

// The view fails as a whole, with the kind of error that made it fail.
void Fail(const ViewInfo& view, const NotesError& error, ViewEntries* out) {
    out->failure = NotesError(error.Kind(), "The view \"" + view.name + "\" cannot be read: " + error.what());
}

// How much of a value a row is sorted by. Notes sorts by the summary data
// a view keeps of a document, which is 64 KB at most; a text of tens of
// megabytes would otherwise be copied into the sort keys whole, and folded.
constexpr size_t kMaxSortKey = 64 * 1024;

void ComputeEntries(const DatabaseIndex& ix, size_t v, ViewEntries* out) {
    const ViewInfo& view = ix.views[v];
    std::vector<uint32_t> selected;
    if (!view.selection.empty()) {
        std::unique_ptr<Formula> formula;
        if (Failure failure = Formula::Parse(view.selection, &formula)) return Fail(view, *failure, out);
        for (size_t d = 0; d < ix.docs.size(); ++d) {
            Failure readFailure;
            auto lookup = [&](const std::string& name) { return ix.ItemValues(d, name, &readFailure); };
            bool matches = false;
            Failure failure = formula->Evaluate(lookup, &matches);
            if (!failure) failure = std::move(readFailure);
            if (failure) return Fail(view, *failure, out);
            if (matches) selected.push_back(uint32_t(d));
        }
    } else if (!view.isFolder) {
        selected.resize(ix.docs.size());
        std::iota(selected.begin(), selected.end(), 0u);
    }

    // Sort keys from the sorted columns, in column order. The first
    // categorized column splits a document into one row per value.
    const ColumnInfo* category = nullptr;
    std::vector<const ColumnInfo*> sortColumns;
    for (const auto& c : view.columns) {
        if (c.itemName.empty()) continue;
        if (c.categorized && !category) category = &c;
        else if (c.sorted) sortColumns.push_back(&c);
    }

    // A row's keys (its category first, when there is one) go one after
    // another into one text, and the rows are sorted as numbers: a view may
    // list a million documents.
    const size_t keyCount = sortColumns.size() + (category ? 1 : 0);
    std::vector<uint32_t> rowDoc;
    std::string keyText;
    std::vector<uint64_t> keyEnds;  // keyCount a row
    rowDoc.reserve(selected.size());
    keyEnds.reserve(selected.size() * keyCount);
    Failure failure;
    std::string keys;
    std::vector<uint64_t> ends;
    for (uint32_t d : selected) {
        keys.clear();
        ends.clear();
        for (const ColumnInfo* c : sortColumns) {
            auto values = ix.ItemValues(size_t(d), c->itemName, &failure, kMaxSortKey);
            if (values) keys += values->front();
            ends.push_back(keys.size());
        }
        auto addRow = [&](std::string_view cat) {
            rowDoc.push_back(d);
            if (category) {
                keyText += cat;
                keyEnds.push_back(keyText.size());
            }
            const uint64_t start = keyText.size();
            keyText += keys;
            for (uint64_t e : ends) keyEnds.push_back(start + e);
        };
        if (!category) {
            addRow({});
            continue;
        }
        auto cats = ix.ItemValues(size_t(d), category->itemName, &failure);
        std::unordered_set<std::string_view> seen;
        if (cats)
            for (const auto& c : *cats)
                if (seen.insert(c).second) addRow(c);
        if (seen.empty()) addRow({});
    }
    std::vector<uint32_t>().swap(selected);
    if (failure) return Fail(view, *failure, out);

    auto keyIn = [&](const std::string& text, uint32_t row, size_t k) {
        const size_t at = size_t(row) * keyCount + k;
        const uint64_t begin = at == 0 ? 0 : keyEnds[at - 1];
        return std::string_view(text).substr(begin, keyEnds[at] - begin);
    };
    auto key = [&](uint32_t row, size_t k) { return keyIn(keyText, row, k); };
    // Collation: case-insensitive (ASCII), then byte order. The keys are
    // folded once, so that most comparisons are one memcmp.
    std::string folded = keyText;
    for (char& c : folded) c = base::AsciiLower(c);
    std::vector<uint32_t> order(rowDoc.size());
    std::iota(order.begin(), order.end(), 0u);
    StableSort(order, [&](uint32_t a, uint32_t b) {
        for (size_t k = 0; k < keyCount; ++k) {
            int c = keyIn(folded, a, k).compare(keyIn(folded, b, k));
            if (c == 0) c = key(a, k).compare(key(b, k));
            const bool descending = category && k == 0 ? category->descending : sortColumns[k - (category ? 1 : 0)]->descending;
            if (c != 0) return descending ? c > 0 : c < 0;
        }
        return false;
    });
    std::string().swap(folded);

    out->entries.reserve(order.size() + 16);
    for (size_t i = 0; i < order.size(); ++i) {
        if (category && (i == 0 || key(order[i], 0) != key(order[i - 1], 0))) {
            const std::string_view cat = key(order[i], 0);
            out->categories.push_back(cat.empty() ? "(Not Categorized)" : std::string(cat));
            out->entries.push_back({ViewEntry::kCategory, uint32_t(out->categories.size() - 1)});
        }
        out->entries.push_back({rowDoc[order[i]], category ? uint32_t(out->categories.size() - 1) : 0});
    }
}

}  // namespace

const ViewEntries& DatabaseIndex::Entries(size_t v) const {
    EntriesOnce* slot = nullptr;
    {
        std::lock_guard lock(entriesMutex_);
        auto& made = entries_[v];
        if (!made) made = std::make_unique<EntriesOnce>();
        slot = made.get();
    }
    std::call_once(slot->once, [&] {
        ViewEntries computed;
        ComputeEntries(*this, v, &computed);
        // A document listed more than once is read once for all its entries.
        if (computed.categories.size() > 1) {
            std::vector<uint8_t> seen(docs.size(), 0);
            for (const ViewEntry& e : computed.entries)
                if (!e.IsCategory() && seen[e.doc]++ == 1) documentCache_.MarkRepeated(e.doc);
        }
        slot->entries = std::move(computed);
    });
    return slot->entries;
}

}  // namespace notesapi
