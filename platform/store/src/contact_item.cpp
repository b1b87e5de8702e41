#include <store/contact_item.h>

#include <mapi/tags.h>

#include "address_properties.h"
#include "derived_names.h"
#include "email_properties.h"

namespace store {

ContactItem::ContactItem(std::unique_ptr<ItemBackend> backend) : backend_(std::move(backend)) {
    props_.Set(mapi::PidTagMessageClass.Key(), std::string(mapi::kContactMessageClass));
    props_.Set(mapi::PidTagMessageFlags.Key(), int32_t(mapi::kMsgFlagUnsent));
}

void ContactItem::Set(mapi::ContactField field, std::string text) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::Unicode)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a text property");
    props_.Set(info.key, std::move(text));
    using F = mapi::ContactField;
    if (field == F::FullName) fullNameSet_ = true;
    if (field == F::Title || field == F::FirstName || field == F::MiddleName || field == F::LastName) namePartsSet_ = true;
    if (IsAddressPart(field)) addressSet_ = true;
}

void ContactItem::SetValues(mapi::ContactField field, const std::vector<std::string>& values) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::MultipleUnicode)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a multi-valued text property");
    if (values.empty()) props_.Erase(info.key);
    else props_.Set(info.key, mapi::Strings(values));
}

void ContactItem::SetDate(mapi::ContactField field, double oleDate) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::SysTime)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a date property");
    const auto instant = mapi::FromLocalOleDate(oleDate);
    const auto day = mapi::CalendarDateFromOleDate(oleDate);
    if (!instant || !day) throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " lies outside the years 1601 to 9999");
    props_.Set(info.key, *instant);
    if (auto twin = mapi::LocalDayKey(field)) props_.Set(*twin, mapi::UtcMidnight(*day));
}

void ContactItem::SetDay(mapi::ContactField field, const mapi::CalendarDate& day) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::SysTime)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a date property");
    if (!mapi::IsValidDate(day))
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a day between the years 1601 and 9999");
    props_.Set(info.key, mapi::LocalMidnight(day));
    if (auto twin = mapi::LocalDayKey(field)) props_.Set(*twin, mapi::UtcMidnight(day));
}

void ContactItem::SetSent(bool sent) {
    auto key = mapi::InfoOf(mapi::ContactField::Sent).key;
    int32_t flags = props_.GetInt32(key).value_or(0);
    flags = sent ? ((flags & ~mapi::kMsgFlagUnsent) | mapi::kMsgFlagRead) : (flags | mapi::kMsgFlagUnsent);
    props_.Set(key, flags);
}

std::string ContactItem::Get(mapi::ContactField field) const {
    return props_.GetString(mapi::InfoOf(field).key).value_or(std::string());
}

std::vector<std::string> ContactItem::GetValues(mapi::ContactField field) const {
    return props_.GetStrings(mapi::InfoOf(field).key).value_or(mapi::Strings());
}

std::string ContactItem::FileAs() const {
    mapi::PropertyBag derived = props_;
    DeriveNames(derived, {namePartsSet_, fullNameSet_});
    return derived.GetString(FileUnderKey()).value_or(std::string());
}

void ContactItem::Save() {
    if (!backend_) throw StoreError(ErrorCode::Failed, "The item has no place to be saved to");
    // Address books list a contact by these; without them it shows unnamed.
    DeriveNames(props_, {namePartsSet_, fullNameSet_});
    CompleteEmailProperties(props_);
    CompleteAddresses(props_, addressSet_);
    backend_->Commit(props_, attachments_);
}

}  // namespace store
