#include "email_properties.h"

#include <mapi/contact.h>
#include <mapi/tags.h>

#include <array>

namespace store {

namespace {

// The properties that go with each of a contact's three e-mail addresses.
struct EmailSlot {
    mapi::ContactField field;
    mapi::AddressLid displayName;
    mapi::AddressLid addressType;
    mapi::AddressLid originalDisplayName;
};
constexpr std::array<EmailSlot, 3> kSlots{{
    {mapi::ContactField::Email1Address, mapi::PidLidEmail1DisplayName, mapi::PidLidEmail1AddressType,
     mapi::PidLidEmail1OriginalDisplayName},
    {mapi::ContactField::Email2Address, mapi::PidLidEmail2DisplayName, mapi::PidLidEmail2AddressType,
     mapi::PidLidEmail2OriginalDisplayName},
    {mapi::ContactField::Email3Address, mapi::PidLidEmail3DisplayName, mapi::PidLidEmail3AddressType,
     mapi::PidLidEmail3OriginalDisplayName},
}};

}  // namespace

void CompleteEmailProperties(mapi::PropertyBag& props) {
    const std::string fullName = props.GetString(mapi::InfoOf(mapi::ContactField::FullName).key).value_or("");
    const mapi::PropertyKey emailList = mapi::PidLidAddressBookProviderEmailList.Key();
    const mapi::PropertyKey arrayType = mapi::PidLidAddressBookProviderArrayType.Key();
    mapi::Binary list;  // PT_MV_LONG, held packed little-endian
    int32_t bits = 0;
    for (size_t i = 0; i < kSlots.size(); ++i) {
        const auto address = props.GetString(mapi::InfoOf(kSlots[i].field).key);
        const mapi::PropertyKey displayName = kSlots[i].displayName.Key();
        const mapi::PropertyKey addressType = kSlots[i].addressType.Key();
        const mapi::PropertyKey original = kSlots[i].originalDisplayName.Key();
        if (!address || address->find_first_not_of(' ') == std::string::npos) {
            props.Erase(displayName);
            props.Erase(addressType);
            props.Erase(original);
            continue;
        }
        props.Set(addressType, std::string("SMTP"));
        props.Set(displayName, fullName.find_first_not_of(' ') == std::string::npos ? *address
                                                                                     : fullName + " (" + *address + ")");
        props.Set(original, *address);
        for (int b = 0; b < 4; ++b) list.push_back(uint8_t(uint32_t(i) >> (8 * b)));
        bits |= 1 << i;
    }
    if (list.empty()) {
        props.Erase(emailList);
        props.Erase(arrayType);
        return;
    }
    props.Set(emailList, list);
    props.Set(arrayType, bits);
}

}  // namespace store
