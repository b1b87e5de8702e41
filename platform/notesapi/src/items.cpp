#include <notesapi/notesapi.h>

#include "index.h"

#include <base/atomic_file.h>
#include <base/base64.h>

#include <cstdio>
#include <cstring>

using notesapi::NotesError;

LNString LNItem::GetName() const { return item_ ? LNString(item_->name) : LNString(); }

size_t LNText::GetCount() const { return item_ ? item_->values.size() : 0; }

LNString LNText::operator[](size_t i) const {
    return item_ && i < item_->values.size() ? LNString(std::string(item_->values[i])) : LNString();
}

std::string_view LNText::View(size_t i) const {
    return item_ && i < item_->values.size() ? item_->values[i] : std::string_view();
}

size_t LNDatetimes::GetCount() const { return item_ ? item_->dates.size() : 0; }

LNDatetime LNDatetimes::operator[](size_t i) const {
    return item_ && i < item_->dates.size() ? item_->dates[i] : LNDatetime();
}

void LNDatetimes::GetText(LNString* text, const char* separator) const {
    if (!text) throw NotesError(LNERR_NULL_ARGUMENT);
    std::string out;
    if (item_)
        for (size_t i = 0; i < item_->dates.size(); ++i) {
            if (i) out += separator ? separator : ";";
            out += item_->dates[i].Text();
        }
    *text = LNString(std::move(out));
}

void LNRichText::GetText(LNString* text, const void*) const {
    if (!text) throw NotesError(LNERR_NULL_ARGUMENT);
    std::string out;
    if (item_) {
        // One string of the text's size: a value can be tens of megabytes.
        const size_t size = item_->values.TextSize() + (item_->values.empty() ? 0 : item_->values.size() - 1);
        out.reserve(size);
        for (size_t i = 0; i < item_->values.size(); ++i) {
            if (i) out += '\n';
            out += item_->values[i];
        }
    }
    *text = LNString(std::move(out));
}

LNString LNAttachment::GetAttachmentName() const { return att_ ? LNString(att_->name) : LNString(); }

size_t LNAttachment::GetSize() const { return att_ ? base::Base64Decode(att_->base64).size() : 0; }

std::string_view LNAttachment::EncodedData() const { return att_ ? std::string_view(att_->base64) : std::string_view(); }

LNString LNAttachment::GetRichTextItem() const { return att_ ? LNString(att_->richTextItem) : LNString(); }

void LNAttachment::Detach(const LNString& path) const {
    if (!att_) throw NotesError(LNERR_NOT_OPEN);
    std::string data = base::Base64Decode(att_->base64);
    try {
        base::WriteFileAtomically(path.str(), data);
    } catch (const base::IoError& e) {
        throw NotesError(LNERR_WRITE,
                         "The attachment cannot be written to " + path.str() + ": " + std::strerror(e.Errno()) + ".");
    }
}
