#include "address_properties.h"

#include <mapi/address.h>
#include <mapi/tags.h>

#include <array>

namespace store {

namespace {

using F = mapi::ContactField;

struct AddressKind {
    int32_t postalId;
    mapi::AddressLid composed;
    std::array<F, 5> parts;  // street, city, state, postal code, country
};

// In the order the mailing address is chosen.
const std::array<AddressKind, 3> kKinds{{
    {mapi::kPostalAddressWork, mapi::PidLidWorkAddress,
     {F::BusinessAddressStreet, F::BusinessAddressCity, F::BusinessAddressState, F::BusinessAddressPostalCode,
      F::BusinessAddressCountry}},
    {mapi::kPostalAddressHome, mapi::PidLidHomeAddress,
     {F::HomeAddressStreet, F::HomeAddressCity, F::HomeAddressState, F::HomeAddressPostalCode, F::HomeAddressCountry}},
    {mapi::kPostalAddressOther, mapi::PidLidOtherAddress,
     {F::OtherAddressStreet, F::OtherAddressCity, F::OtherAddressState, F::OtherAddressPostalCode, F::OtherAddressCountry}},
}};

// The mailing address: street, city, state, postal code, country, whole text.
const std::array<mapi::PropTag, 6> kMailing{mapi::PidTagStreetAddress, mapi::PidTagLocality, mapi::PidTagStateOrProvince,
                                            mapi::PidTagPostalCode,    mapi::PidTagCountry,  mapi::PidTagPostalAddress};

mapi::AddressParts PartsOf(const mapi::PropertyBag& p, const AddressKind& kind) {
    auto text = [&p](F f) { return p.GetString(mapi::InfoOf(f).key).value_or(std::string()); };
    return {text(kind.parts[0]), text(kind.parts[1]), text(kind.parts[2]), text(kind.parts[3]), text(kind.parts[4])};
}

}  // namespace

bool IsAddressPart(mapi::ContactField field) {
    for (const auto& kind : kKinds)
        for (F f : kind.parts)
            if (f == field) return true;
    return false;
}

void CompleteAddresses(mapi::PropertyBag& props, bool partsChanged) {
    if (!partsChanged) {
        for (const auto& kind : kKinds)
            if (props.Has(kind.composed.Key())) return;
    }
    const AddressKind* mailing = nullptr;
    for (const auto& kind : kKinds) {
        const mapi::AddressParts parts = PartsOf(props, kind);
        if (parts.Empty()) {
            props.Erase(kind.composed.Key());
            continue;
        }
        props.Set(kind.composed.Key(), mapi::ComposeAddress(parts));
        if (!mailing) mailing = &kind;
    }
    for (const auto& tag : kMailing) props.Erase(tag.Key());
    if (!mailing) {
        props.Erase(mapi::PidLidPostalAddressId.Key());
        return;
    }
    props.Set(mapi::PidLidPostalAddressId.Key(), mailing->postalId);
    const mapi::AddressParts parts = PartsOf(props, *mailing);
    const std::array<const std::string*, 5> values{&parts.street, &parts.city, &parts.state, &parts.postalCode, &parts.country};
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i]->find_first_not_of(" \t\r\n") != std::string::npos) props.Set(kMailing[i].Key(), *values[i]);
    props.Set(kMailing[5].Key(), mapi::ComposeAddress(parts));
}

}  // namespace store
