#include <store/distlist_item.h>

#include "derived_names.h"
#include "message_class.h"

#include <mapi/distribution_list.h>
#include <mapi/tags.h>

namespace store {

namespace {
constexpr const char* kSmtp = "SMTP";
}  // namespace

bool IsDistListClass(const std::string& messageClass) { return IsClassOrBelow(messageClass, mapi::kDistListMessageClass); }

DistListItem::DistListItem(std::unique_ptr<ItemBackend> backend, const std::string& messageClass)
    : backend_(std::move(backend)) {
    props_.Set(mapi::PidTagMessageClass.Key(), messageClass);
    props_.Set(mapi::PidTagMessageFlags.Key(), int32_t(mapi::kMsgFlagRead));
}

DistListItem::DistListItem(std::unique_ptr<ItemBackend> backend, mapi::PropertyBag stored)
    : backend_(std::move(backend)), props_(std::move(stored)), members_(mapi::DistributionListMembers(props_)) {}

void DistListItem::SetName(const std::string& name) {
    for (const auto& key : {mapi::PidLidDistributionListName.Key(), mapi::PidTagDisplayName.Key(), mapi::PidTagSubject.Key(),
                            mapi::PidTagConversationTopic.Key(), FileUnderKey()})
        props_.Set(key, name);
}

std::string DistListItem::GetName() const {
    for (const auto& key : {mapi::PidLidDistributionListName.Key(), mapi::PidTagDisplayName.Key()})
        if (auto name = props_.GetString(key)) return *name;
    return {};
}

void DistListItem::SetBody(const std::string& text) { props_.Set(mapi::PidTagBody.Key(), text); }

std::string DistListItem::GetBody() const { return props_.GetString(mapi::PidTagBody.Key()).value_or(std::string()); }

void DistListItem::AddMember(const std::string& displayName, const std::string& address) {
    members_.push_back({displayName.empty() ? address : displayName, kSmtp, address});
}

mapi::PropertyBag DistListItem::Properties() const {
    mapi::PropertyBag props = props_;
    mapi::SetDistributionListMembers(props, members_);
    return props;
}

void DistListItem::Save() {
    if (!backend_) throw StoreError(ErrorCode::Failed, "The item has no place to be saved to");
    backend_->Commit(Properties(), {});
}


}  // namespace store
