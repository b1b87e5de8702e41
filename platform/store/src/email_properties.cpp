#include "email_properties.h"

#include <mapi/contact.h>

#include <array>

namespace store {

namespace {

using mapi::PropType;

mapi::PropertyKey Address(uint32_t lid, PropType t = PropType::Unicode) {
    return mapi::PropertyKey::Named(mapi::kPsetidAddress, lid, t);
}

// PidLidEmailNAddressType, ...DisplayName, ...OriginalDisplayName sit at
// fixed offsets from the address's own long id (0x8083, 0x8093, 0x80A3).
struct EmailSlot {
    mapi::ContactField field;
    uint32_t addressLid;
};
constexpr std::array<EmailSlot, 3> kSlots{{
    {mapi::ContactField::Email1Address, 0x8083},
    {mapi::ContactField::Email2Address, 0x8093},
    {mapi::ContactField::Email3Address, 0x80A3},
}};
constexpr uint32_t kDisplayNameOffset = 3;          // 0x8080
constexpr uint32_t kAddressTypeOffset = 1;          // 0x8082
constexpr uint32_t kOriginalDisplayNameOffset = 1;  // 0x8084 (after the address)

const mapi::PropertyKey kEmailList = Address(0x8028, PropType::MultipleInt32);  // PidLidAddressBookProviderEmailList
const mapi::PropertyKey kArrayType = Address(0x8029, PropType::Int32);          // PidLidAddressBookProviderArrayType

}  // namespace

void CompleteEmailProperties(mapi::PropertyBag& props) {
    const std::string fullName = props.GetString(mapi::InfoOf(mapi::ContactField::FullName).key).value_or("");
    mapi::Binary list;
    int32_t bits = 0;
    for (size_t i = 0; i < kSlots.size(); ++i) {
        const uint32_t lid = kSlots[i].addressLid;
        const auto address = props.GetString(mapi::InfoOf(kSlots[i].field).key);
        const mapi::PropertyKey displayName = Address(lid - kDisplayNameOffset);
        const mapi::PropertyKey addressType = Address(lid - kAddressTypeOffset);
        const mapi::PropertyKey original = Address(lid + kOriginalDisplayNameOffset);
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
        props.Erase(kEmailList);
        props.Erase(kArrayType);
        return;
    }
    props.Set(kEmailList, list);
    props.Set(kArrayType, bits);
}

}  // namespace store
