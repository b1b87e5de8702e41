#include <notesapi/notesapi.h>

#include "index.h"

#include <algorithm>

using notesapi::ItemType;
using notesapi::NotesError;

void LNDocument::Open(int) {
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    if (items_) return;
    if (auto failure = index_->LoadDocument(doc_, &items_)) throw *failure;
}

void LNDocument::Close() { items_.reset(); }

void LNDocument::NeedOpen() const {
    if (!items_) throw NotesError(LNERR_NOT_OPEN);
}

size_t LNDocument::GetSize() const {
    if (!index_) return 0;
    return index_->docs[doc_].size;
}

LNDatetime LNDocument::GetLastModified() const { return index_ ? index_->docs[doc_].modified.Unpack() : LNDatetime(); }

LNDatetime LNDocument::GetCreated() const { return index_ ? index_->docs[doc_].created.Unpack() : LNDatetime(); }

LNUniversalID LNDocument::GetUniversalID() const { return index_ ? index_->docs[doc_].unid : LNUniversalID(); }

void LNDocument::GetOriginatorID(LNOriginatorID* oid) const {
    if (!index_) throw NotesError(LNERR_NOT_OPEN);
    if (!oid) throw NotesError(LNERR_NULL_ARGUMENT);
    const auto& d = index_->docs[doc_];
    *oid = LNOriginatorID(d.unid, d.sequence, d.revised.Unpack());
}

LNString LNDocument::GetForm() const { return index_ ? LNString(index_->strings[index_->docs[doc_].form]) : LNString(); }

uint32_t LNDocument::GetNoteID() const { return index_ ? index_->docs[doc_].noteId : 0; }

bool LNDocument::GetSummaryValues(const LNString& name, std::vector<std::string>* values, bool* present) const {
    if (!index_) return false;
    using S = notesapi::DatabaseIndex::Summarised;
    switch (index_->SummaryValues(doc_, base::AsciiLower(name.str()), values)) {
    case S::Kept: *present = true; return true;
    case S::Missing: *present = false; values->clear(); return true;
    case S::NotKept: break;
    }
    return false;
}

namespace {
bool IsForm(std::string_view name) { return base::EqualsIgnoringAsciiCase(name, "form"); }
}  // namespace

const notesapi::Item* LNDocument::Find(const LNString& name) const {
    return items_ ? items_->Find(name.str()) : nullptr;
}

LNBOOL LNDocument::HasItem(const LNString& name) const {
    if (!items_) return 0;
    if (Find(name)) return 1;
    return IsForm(name.str()) && !GetForm().IsNull();
}

namespace {
std::shared_ptr<const notesapi::Item> Shared(const std::shared_ptr<const notesapi::DocumentItems>& items,
                                             const notesapi::Item* item) {
    return std::shared_ptr<const notesapi::Item>(items, item);
}
}  // namespace

void LNDocument::GetItem(const LNString& name, LNText* text) const {
    NeedOpen();
    if (!text) throw NotesError(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item && IsForm(name.str()) && !GetForm().IsNull()) {
        auto form = std::make_shared<notesapi::Item>();
        form->name = "Form";
        form->shape = notesapi::NameShape(form->name);
        form->values.push_back(GetForm().str());
        *text = LNText(form);
        return;
    }
    if (!item) throw NotesError(LNERR_ITEM_NOT_FOUND);
    ReadText(*item, text);
}

void LNDocument::GetItemAt(size_t position, LNText* text) const {
    NeedOpen();
    if (!text) throw NotesError(LNERR_NULL_ARGUMENT);
    if (position >= items_->items.size()) throw NotesError(LNERR_ITEM_NOT_FOUND);
    ReadText(items_->items[position], text);
}

void LNDocument::ReadText(const notesapi::Item& item, LNText* text) const {
    // Every item reads as text: numbers and rich text as written, dates in
    // their text form, so that no value is lost to a type.
    if (item.type == ItemType::Datetime) {
        auto copy = std::make_shared<notesapi::Item>(item);
        for (const auto& dt : item.dates) copy->values.push_back(dt.Text());
        *text = LNText(copy);
        return;
    }
    *text = LNText(Shared(items_, &item));
}

void LNDocument::GetItem(const LNString& name, LNDatetimes* dates) const {
    NeedOpen();
    if (!dates) throw NotesError(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item) throw NotesError(LNERR_ITEM_NOT_FOUND);
    if (item->type != ItemType::Datetime && !(item->values.empty() && item->dates.empty()))
        throw NotesError(LNERR_TYPE_MISMATCH);
    *dates = LNDatetimes(Shared(items_, item));
}

void LNDocument::GetItem(const LNString& name, LNRichText* rich) const {
    NeedOpen();
    if (!rich) throw NotesError(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item) throw NotesError(LNERR_ITEM_NOT_FOUND);
    if (item->type == ItemType::Datetime) throw NotesError(LNERR_TYPE_MISMATCH);
    *rich = LNRichText(Shared(items_, item));
}

std::vector<std::string> LNDocument::GetItemNames() const {
    std::vector<std::string> names;
    if (items_) {
        names.reserve(items_->items.size());
        for (const auto& item : items_->items) names.push_back(item.name);
    }
    return names;
}

LNBOOL LNDocument::HasAttachments() const { return items_ && !items_->attachments.empty(); }

void LNDocument::GetAttachments(LNAttachmentArray* attachments) const {
    NeedOpen();
    if (!attachments) throw NotesError(LNERR_NULL_ARGUMENT);
    attachments->Items().clear();
    for (const auto& a : items_->attachments) attachments->Items().emplace_back(a);
}
