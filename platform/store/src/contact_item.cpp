#include <store/contact_item.h>
#include <store/conversions.h>

#include <mapi/tags.h>

#include "derived_names.h"
#include "email_properties.h"

namespace store {

RDOContactItem::RDOContactItem(std::unique_ptr<ItemBackend> backend) : backend_(std::move(backend)) {
    props_.Set(mapi::PidTagMessageClass.Key(), std::string(mapi::kContactMessageClass));
    props_.Set(mapi::PidTagMessageFlags.Key(), int32_t(mapi::kMsgFlagUnsent));
}

void RDOContactItem::Set(mapi::ContactField field, const std::string& text) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::Unicode)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a text property");
    props_.Set(info.key, text);
    using F = mapi::ContactField;
    if (field == F::FullName) fullNameSet_ = true;
    if (field == F::Title || field == F::FirstName || field == F::MiddleName || field == F::LastName) namePartsSet_ = true;
}

void RDOContactItem::SetDate(mapi::ContactField field, double oleDate) {
    const auto& info = mapi::InfoOf(field);
    if (info.key.type != mapi::PropType::SysTime)
        throw StoreError(ErrorCode::InvalidArgument, std::string(info.name) + " is not a date property");
    props_.Set(info.key, mapi::FileTimeFromOleDate(oleDate));
}

void RDOContactItem::SetSent(bool sent) {
    auto key = mapi::InfoOf(mapi::ContactField::Sent).key;
    int32_t flags = props_.GetInt32(key).value_or(0);
    flags = sent ? ((flags & ~mapi::kMsgFlagUnsent) | mapi::kMsgFlagRead) : (flags | mapi::kMsgFlagUnsent);
    props_.Set(key, flags);
}

std::string RDOContactItem::Get(mapi::ContactField field) const {
    return props_.GetString(mapi::InfoOf(field).key).value_or(std::string());
}

void RDOContactItem::Save() {
    if (!backend_) throw StoreError(ErrorCode::Failed, "The item has no place to be saved to");
    // Address books list a contact by these; without them it shows unnamed.
    DeriveNames(props_, {namePartsSet_, fullNameSet_});
    CompleteEmailProperties(props_);
    backend_->Commit(props_);
}

void RDOContactItem::SaveAs(const std::string& path, int type) const { RenderContact(props_, path, type); }

}  // namespace store
