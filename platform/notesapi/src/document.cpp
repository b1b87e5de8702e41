#include <notesapi/notesapi.h>

#include "index.h"

#include <algorithm>

using notesapi::ItemType;
using notesapi::Report;

LNSTATUS LNDocument::Open(int) {
    if (!index_) return Report(LNERR_NOT_OPEN);
    if (items_) return LNNOERROR;
    return Report(index_->LoadDocument(doc_, &items_));
}

LNSTATUS LNDocument::Close() {
    items_.reset();
    return LNNOERROR;
}

LNSTATUS LNDocument::NeedOpen() const { return items_ ? LNNOERROR : Report(LNERR_NOT_OPEN); }

size_t LNDocument::GetSize() const {
    if (!index_) return 0;
    return index_->docs[doc_].size;
}

LNDatetime LNDocument::GetLastModified() const { return index_ ? index_->docs[doc_].modified.Unpack() : LNDatetime(); }

LNUniversalID LNDocument::GetUniversalID() const { return index_ ? index_->docs[doc_].unid : LNUniversalID(); }

LNSTATUS LNDocument::GetOriginatorID(LNOriginatorID* oid) const {
    if (!index_) return Report(LNERR_NOT_OPEN);
    if (!oid) return Report(LNERR_NULL_ARGUMENT);
    const auto& d = index_->docs[doc_];
    *oid = LNOriginatorID(d.unid, d.sequence, d.revised.Unpack());
    return LNNOERROR;
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

LNSTATUS LNDocument::GetItem(const LNString& name, LNText* text) const {
    if (LNSTATUS st = NeedOpen()) return st;
    if (!text) return Report(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item && IsForm(name.str()) && !GetForm().IsNull()) {
        auto form = std::make_shared<notesapi::Item>();
        form->name = "Form";
        form->shape = notesapi::NameShape(form->name);
        form->values.push_back(GetForm().str());
        *text = LNText(form);
        return LNNOERROR;
    }
    if (!item) return Report(LNERR_ITEM_NOT_FOUND);
    // Every item reads as text: numbers and rich text as written, dates in
    // their text form, so that no value is lost to a type.
    if (item->type == ItemType::Datetime) {
        auto copy = std::make_shared<notesapi::Item>(*item);
        for (const auto& dt : item->dates) copy->values.push_back(dt.Text());
        *text = LNText(copy);
        return LNNOERROR;
    }
    *text = LNText(Shared(items_, item));
    return LNNOERROR;
}

LNSTATUS LNDocument::GetItem(const LNString& name, LNDatetimes* dates) const {
    if (LNSTATUS st = NeedOpen()) return st;
    if (!dates) return Report(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item) return Report(LNERR_ITEM_NOT_FOUND);
    if (item->type != ItemType::Datetime && !(item->values.empty() && item->dates.empty()))
        return Report(LNERR_TYPE_MISMATCH);
    *dates = LNDatetimes(Shared(items_, item));
    return LNNOERROR;
}

LNSTATUS LNDocument::GetItem(const LNString& name, LNRichText* rich) const {
    if (LNSTATUS st = NeedOpen()) return st;
    if (!rich) return Report(LNERR_NULL_ARGUMENT);
    const notesapi::Item* item = Find(name);
    if (!item) return Report(LNERR_ITEM_NOT_FOUND);
    if (item->type == ItemType::Datetime) return Report(LNERR_TYPE_MISMATCH);
    *rich = LNRichText(Shared(items_, item));
    return LNNOERROR;
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

LNSTATUS LNDocument::GetAttachments(LNAttachmentArray* attachments) const {
    if (LNSTATUS st = NeedOpen()) return st;
    if (!attachments) return Report(LNERR_NULL_ARGUMENT);
    attachments->Items().clear();
    for (const auto& a : items_->attachments) attachments->Items().emplace_back(a);
    return LNNOERROR;
}
