#include <notesapi/notesapi.h>

#include "formula.h"
#include "index.h"

using notesapi::Report;

LNViewFolder LNViewFolderArray::operator[](size_t i) const {
    if (i >= views_.size()) Report(LNERR_INDEX);
    return i < views_.size() ? views_[i] : LNViewFolder();
}

LNSTATUS LNViewFolder::Open(int) {
    if (!index_) return Report(LNERR_NOT_OPEN);
    // A view whose selection formula cannot be evaluated does not open, so
    // callers skip it before asking for its entries.
    const auto& view = index_->views[view_];
    if (!view.selection.empty()) {
        std::unique_ptr<notesapi::Formula> formula;
        LNSTATUS st = notesapi::Formula::Parse(view.selection, &formula);
        if (st != LNNOERROR)
            return Report(notesapi::MakeStatus(LNERR_FORMULA, "The view \"" + view.name + "\" cannot be opened: " +
                                                                  LNGetErrorMessage(st)));
    }
    open_ = true;
    return LNNOERROR;
}

LNSTATUS LNViewFolder::Close() {
    open_ = false;
    return LNNOERROR;
}

LNString LNViewFolder::GetName() const { return index_ ? LNString(index_->views[view_].name) : LNString(); }

bool LNViewFolder::IsFolder() const { return index_ && index_->views[view_].isFolder; }

LNSTATUS LNViewFolder::GetEntryCount(size_t* count) const {
    if (!index_ || !open_) return Report(LNERR_NOT_OPEN);
    const auto& entries = index_->Entries(view_);
    if (entries.status != LNNOERROR) return Report(entries.status);
    *count = entries.entries.size();
    return LNNOERROR;
}

size_t LNViewFolder::GetEntryCount() const {
    size_t count = 0;
    return GetEntryCount(&count) == LNNOERROR ? count : 0;
}

LNVFEntry LNViewFolder::operator[](size_t i) const {
    if (!index_ || !open_) {
        Report(LNERR_NOT_OPEN);
        return {};
    }
    const auto& entries = index_->Entries(view_);
    if (entries.status != LNNOERROR || i >= entries.entries.size()) {
        Report(entries.status != LNNOERROR ? entries.status : LNSTATUS(LNERR_INDEX));
        return {};
    }
    const auto& e = entries.entries[i];
    std::string category = entries.categories.empty() ? std::string() : entries.categories[e.category];
    return LNVFEntry(index_, e.Doc(), std::move(category), session_);
}

LNSTATUS LNVFEntry::GetDocument(LNDocument* document) const {
    if (!document) return Report(LNERR_NULL_ARGUMENT);
    if (!index_) return Report(LNERR_NOT_OPEN);
    if (doc_ < 0) return Report(LNERR_NO_DOCUMENT);
    *document = LNDocument(index_, size_t(doc_), session_);
    return LNNOERROR;
}
