// The entries of a view: the documents its selection formula selects, sorted
// by its sorted columns, with one category entry before each category's
// documents when a column is categorized. A folder lists the documents its
// own selection formula selects, and is empty without one.
#include "formula.h"
#include "index.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

namespace notesapi {

namespace {

// Collation for sorting: case-insensitive (ASCII), then byte order.
int Collate(std::string_view a, std::string_view b) {
    if (const int folded = base::CompareIgnoringAsciiCase(a, b); folded != 0) return folded;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

// The view fails as a whole, with the kind of status that made it fail.
void Fail(const ViewInfo& view, LNSTATUS st, ViewEntries* out) {
    out->status = MakeStatus(StatusKind(st), "The view \"" + view.name + "\" cannot be read: " + LNGetErrorMessage(st));
}

void ComputeEntries(const DatabaseIndex& ix, size_t v, ViewEntries* out) {
    const ViewInfo& view = ix.views[v];
    std::vector<long> selected;
    if (!view.selection.empty()) {
        std::unique_ptr<Formula> formula;
        LNSTATUS st = Formula::Parse(view.selection, &formula);
        if (st != LNNOERROR) return Fail(view, st, out);
        for (size_t d = 0; d < ix.docs.size(); ++d) {
            LNSTATUS failure = LNNOERROR;
            auto lookup = [&](const std::string& name) { return ix.ItemValues(d, name, &failure); };
            bool matches = false;
            st = formula->Evaluate(lookup, &matches);
            if (st == LNNOERROR) st = failure;
            if (st != LNNOERROR) return Fail(view, st, out);
            if (matches) selected.push_back(long(d));
        }
    } else if (!view.isFolder) {
        selected.resize(ix.docs.size());
        std::iota(selected.begin(), selected.end(), 0L);
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

    struct Row {
        long doc;
        std::string category;
        std::vector<std::string> keys;
    };
    std::vector<Row> rows;
    rows.reserve(selected.size());
    LNSTATUS failure = LNNOERROR;
    for (long d : selected) {
        std::vector<std::string> keys;
        for (const ColumnInfo* c : sortColumns) {
            auto values = ix.ItemValues(size_t(d), c->itemName, &failure);
            keys.push_back(values ? std::move(values->front()) : std::string());
        }
        if (!category) {
            rows.push_back({d, {}, std::move(keys)});
            continue;
        }
        auto cats = ix.ItemValues(size_t(d), category->itemName, &failure);
        std::vector<std::string> distinct;
        if (cats) {
            std::unordered_set<std::string_view> seen;
            for (auto& c : *cats)
                if (seen.insert(c).second) distinct.push_back(c);
        }
        if (distinct.empty()) distinct.emplace_back();
        for (auto& c : distinct) rows.push_back({d, std::move(c), keys});
    }
    if (failure != LNNOERROR) return Fail(view, failure, out);

    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
        if (category) {
            int c = Collate(a.category, b.category);
            if (c != 0) return category->descending ? c > 0 : c < 0;
        }
        for (size_t k = 0; k < sortColumns.size(); ++k) {
            int c = Collate(a.keys[k], b.keys[k]);
            if (c != 0) return sortColumns[k]->descending ? c > 0 : c < 0;
        }
        return false;
    });

    out->entries.reserve(rows.size() + 16);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (category && (i == 0 || rows[i].category != rows[i - 1].category)) {
            out->categories.push_back(rows[i].category.empty() ? "(Not Categorized)" : rows[i].category);
            out->entries.push_back({-1, uint32_t(out->categories.size() - 1)});
        }
        out->entries.push_back({rows[i].doc, category ? uint32_t(out->categories.size() - 1) : 0});
    }
}

}  // namespace

const ViewEntries& DatabaseIndex::Entries(size_t v) const {
    std::lock_guard lock(entriesMutex_);
    auto& slot = entries_[v];
    if (!slot) {
        slot = std::make_unique<ViewEntries>();
        ComputeEntries(*this, v, slot.get());
        // A document listed more than once is read once for all its entries.
        if (slot->categories.size() > 1) {
            std::vector<uint8_t> seen(docs.size(), 0);
            for (const ViewEntry& e : slot->entries)
                if (e.doc >= 0 && seen[size_t(e.doc)]++ == 1) documentCache_.MarkRepeated(size_t(e.doc));
        }
    }
    return *slot;
}

}  // namespace notesapi
