// Typed views of a document's items: text lists, date-time lists, rich text
// and attachments.
#pragma once

#include <notesapi/lnstatus.h>
#include <notesapi/lnstring.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace notesapi {
struct PackedDatetime;
struct Item;
struct Attachment;
}  // namespace notesapi

// A date, a time, or both, as stored: the wall-clock fields and, when the
// source gave one, the zone offset in minutes (east of UTC positive).
class LNDatetime {
public:
    LNDatetime() = default;
    // Parses DXL date text such as 20010522T103636,81-04, 19750314, T103636.
    static std::optional<LNDatetime> FromDxl(std::string_view text);

    bool IsValid() const { return hasDate_ || hasTime_; }
    bool HasDate() const { return hasDate_; }
    bool HasTime() const { return hasTime_; }
    bool HasZone() const { return hasZone_; }
    // "2001-05-22 10:36:36", "1975-03-14" or "10:36:36".
    void GetText(LNString* text) const;
    std::string Text() const;
    // OLE automation date of the wall-clock value (days since 1899-12-30).
    double ToOleDate() const;
    // The moment as 100-nanosecond ticks since 1601-01-01 UTC: the zone
    // offset applied when there is one, else the wall clock read as UTC; a
    // date alone is its midnight. 0 for a time without a date.
    int64_t ToFileTime() const;

    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, hundredth = 0;
    int zoneMinutes = 0;

private:
    friend struct notesapi::PackedDatetime;
    bool hasDate_ = false, hasTime_ = false, hasZone_ = false;
};

class LNItem {
public:
    LNItem() = default;
    explicit LNItem(std::shared_ptr<const notesapi::Item> item) : item_(std::move(item)) {}
    LNString GetName() const;
    bool IsNull() const { return !item_; }

protected:
    std::shared_ptr<const notesapi::Item> item_;
};

class LNText : public LNItem {
public:
    using LNItem::LNItem;
    size_t GetCount() const;
    LNString operator[](size_t i) const;  // an empty string past the end
    // The same without a copy, valid while this LNText is.
    std::string_view View(size_t i) const;
};

class LNDatetimes : public LNItem {
public:
    using LNItem::LNItem;
    size_t GetCount() const;
    LNDatetime operator[](size_t i) const;
    // Every value's text, joined by separator.
    void GetText(LNString* text, const char* separator = ";") const;
};

class LNRichText : public LNItem {
public:
    using LNItem::LNItem;
    // The plain text of the paragraphs, one line each.
    void GetText(LNString* text, const void* options = nullptr) const;
};

class LNAttachment {
public:
    LNAttachment() = default;
    explicit LNAttachment(std::shared_ptr<const notesapi::Attachment> a) : att_(std::move(a)) {}
    LNString GetAttachmentName() const;
    size_t GetSize() const;
    // Writes the file's bytes at path.
    void Detach(const LNString& path) const;
    // The bytes as the database holds them, in base64; valid while this
    // LNAttachment is.
    std::string_view EncodedData() const;
    // Empty for a file attached to the document; for a picture embedded in
    // rich text ("picture-1.jpg"...), the name of the item that shows it.
    LNString GetRichTextItem() const;

private:
    std::shared_ptr<const notesapi::Attachment> att_;
};

class LNAttachmentArray {
public:
    size_t GetCount() const { return items_.size(); }
    LNAttachment operator[](size_t i) const { return i < items_.size() ? items_[i] : LNAttachment(); }
    std::vector<LNAttachment>& Items() { return items_; }

private:
    std::vector<LNAttachment> items_;
};
