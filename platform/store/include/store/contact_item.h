// A contact item ("IPM.Contact") of the mail store library: its properties are
// set through the object-model names, Save commits it to where it lives (a
// folder of a PST store, or an MSG file).
#pragma once

#include <mapi/contact.h>
#include <mapi/dates.h>
#include <store/error.h>

#include <memory>
#include <string>
#include <vector>

namespace store {

// Where an item is committed to; implemented by the PST folder and the MSG
// file. Each attachment is a property bag of its own.
class ItemBackend {
public:
    virtual ~ItemBackend() = default;
    virtual void Commit(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) = 0;
};

class ContactItem {
public:
    explicit ContactItem(std::unique_ptr<ItemBackend> backend);

    // Text properties (UTF-8). Setting an empty text stores an empty value.
    // StoreError(InvalidArgument) for a field that is not a single text.
    void Set(mapi::ContactField field, std::string text);
    // Multi-valued texts (Categories, Children), in order; an empty list
    // removes the property. StoreError(InvalidArgument) for other fields.
    void SetValues(mapi::ContactField field, const std::vector<std::string>& values);
    // Birthday and Anniversary, as OLE automation dates of wall-clock time in
    // this process's time zone (as the object model takes them): stored as
    // that instant in UTC, with their Local twin (PidLidBirthdayLocal,
    // PidLidWeddingAnniversaryLocal) at 00:00 UTC of the same day.
    // StoreError(InvalidArgument) for another field or a date outside the
    // years 1601 to 9999.
    void SetDate(mapi::ContactField field, double oleDate);
    // The same for a day without a time: its local midnight, and the twin.
    void SetDay(mapi::ContactField field, const mapi::CalendarDate& day);
    // Sent = true clears the unsent flag; the item then reads as a sent, read item.
    void SetSent(bool sent);

    std::string Get(mapi::ContactField field) const;  // "" unless a text is set
    std::vector<std::string> GetValues(mapi::ContactField field) const;
    // The File As text Save would store now: "Last, First", else the full
    // name, company name or subject; "" when the item has none of them.
    std::string FileAs() const;
    const mapi::PropertyBag& Properties() const { return props_; }
    mapi::PropertyBag& MutableProperties() { return props_; }
    // An attachment saved with the item: its properties (by value: its bytes
    // in PidTagAttachDataBinary), in the order added.
    void AddAttachment(mapi::PropertyBag attachment) { attachments_.push_back(std::move(attachment)); }
    const std::vector<mapi::PropertyBag>& Attachments() const { return attachments_; }

    // Commits the item; throws StoreError when it cannot be written. Fills in,
    // as Outlook does, the full name from the name parts and the file-under
    // text ("Last, First") where they are missing or the names changed; the
    // e-mail addresses' display names and types; and, where address parts
    // were set, each address as one text, which address is the mailing
    // address (the business one when it has any part, else home, else
    // other) and the mailing address's copy.
    void Save();

private:
    std::unique_ptr<ItemBackend> backend_;
    mapi::PropertyBag props_;
    std::vector<mapi::PropertyBag> attachments_;
    bool namePartsSet_ = false;  // since the item was made or read; the names
    bool fullNameSet_ = false;   // derived from them follow on Save
    bool addressSet_ = false;    // and so do the composed addresses
};

}  // namespace store
