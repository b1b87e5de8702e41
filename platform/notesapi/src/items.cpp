#include <notesapi/notesapi.h>

#include "index.h"

#include <base/atomic_file.h>

#include <array>
#include <cstdio>
#include <cstring>

using notesapi::NotesError;

LNString LNItem::GetName() const { return item_ ? LNString(item_->name) : LNString(); }

size_t LNText::GetCount() const { return item_ ? item_->values.size() : 0; }

LNString LNText::operator[](size_t i) const {
    return item_ && i < item_->values.size() ? LNString(item_->values[i]) : LNString();
}

std::string_view LNText::View(size_t i) const {
    return item_ && i < item_->values.size() ? std::string_view(item_->values[i]) : std::string_view();
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
    *text = LNString(out);
}

void LNRichText::GetText(LNString* text, const void*) const {
    if (!text) throw NotesError(LNERR_NULL_ARGUMENT);
    std::string out;
    if (item_)
        for (size_t i = 0; i < item_->values.size(); ++i) {
            if (i) out += '\n';
            out += item_->values[i];
        }
    *text = LNString(out);
}

namespace {
std::string DecodeBase64(const std::string& in) {
    static const auto table = [] {
        std::array<int, 256> t{};
        t.fill(-1);
        const char* chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(chars[i])] = i;
        return t;
    }();
    std::string out;
    out.reserve(in.size() * 3 / 4);
    uint32_t acc = 0;
    int bits = 0;
    for (unsigned char c : in) {
        int v = table[c];
        if (v < 0) continue;  // whitespace, line breaks, padding
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += char((acc >> bits) & 0xFF);
        }
    }
    return out;
}
}  // namespace

LNString LNAttachment::GetAttachmentName() const { return att_ ? LNString(att_->name) : LNString(); }

size_t LNAttachment::GetSize() const { return att_ ? DecodeBase64(att_->base64).size() : 0; }

void LNAttachment::Detach(const LNString& path) const {
    if (!att_) throw NotesError(LNERR_NOT_OPEN);
    std::string data = DecodeBase64(att_->base64);
    try {
        base::WriteFileAtomically(path.str(), data);
    } catch (const base::IoError& e) {
        throw NotesError(LNERR_WRITE,
                         "The attachment cannot be written to " + path.str() + ": " + std::strerror(e.Errno()) + ".");
    }
}
