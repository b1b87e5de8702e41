#include <notesapi/notesapi.h>

#include "formula.h"
#include "index.h"

using notesapi::NotesError;

LNViewFolder LNViewFolderArray::operator[](size_t i) const {
    if (i >= views_.size()) throw NotesError(LNERR_INDEX);
    return views_[i];
}

void LNViewFolder::Open(int) {
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    // A view whose selection formula cannot be evaluated does not open, so
    // callers skip it before asking for its entries.
    const auto& view = index_->views[view_];
    if (!view.selection.empty()) {
        std::unique_ptr<notesapi::Formula> formula;
        if (auto failure = notesapi::Formula::Parse(view.selection, &formula))
            throw NotesError(LNERR_FORMULA, "The view \"" + view.name + "\" cannot be opened: " + failure->what());
    }
    open_ = true;
}

void LNViewFolder::Close() { open_ = false; }

LNString LNViewFolder::GetName() const { return index_ ? LNString(index_->views[view_].name) : LNString(); }

bool LNViewFolder::IsFolder() const { return index_ && index_->views[view_].isFolder; }

void LNViewFolder::GetEntryCount(size_t* count) const { *count = GetEntryCount(); }

size_t LNViewFolder::GetEntryCount() const {
    if (!index_ || !open_) throw NotesError(LNERR_NOT_OPEN);
    const auto& entries = index_->Entries(view_);
    if (entries.failure) throw *entries.failure;
    return entries.entries.size();
}

LNVFEntry LNViewFolder::operator[](size_t i) const {
    if (!index_ || !open_) throw NotesError(LNERR_NOT_OPEN);
    const auto& entries = index_->Entries(view_);
    if (entries.failure) throw *entries.failure;
    if (i >= entries.entries.size()) throw NotesError(LNERR_INDEX);
    const auto& e = entries.entries[i];
    std::string category = entries.categories.empty() ? std::string() : entries.categories[e.category];
    return LNVFEntry(index_, e.Doc(), std::move(category), session_);
}

void LNVFEntry::GetDocument(LNDocument* document) const {
    if (!document) throw NotesError(LNERR_NULL_ARGUMENT);
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    if (doc_ < 0) throw NotesError(LNERR_NO_DOCUMENT);
    *document = LNDocument(index_, size_t(doc_), session_);
}
