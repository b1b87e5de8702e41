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
    auto text = [&p](F f) {
        const mapi::PropertyValue* v = p.Find(mapi::InfoOf(f).key);
        const std::string* s = v ? std::get_if<std::string>(v) : nullptr;
        return s ? *s : std::string();
    };
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
    // Each kind's parts, read once; the first kind that has any is the mailing address.
    std::array<mapi::AddressParts, kKinds.size()> partsOf;
    const AddressKind* mailing = nullptr;
    const mapi::AddressParts* mailingParts = nullptr;
    std::string mailingText;
    for (size_t k = 0; k < kKinds.size(); ++k) {
        const AddressKind& kind = kKinds[k];
        partsOf[k] = PartsOf(props, kind);
        if (partsOf[k].Empty()) {
            props.Erase(kind.composed.Key());
            continue;
        }
        std::string composed = mapi::ComposeAddress(partsOf[k]);
        if (!mailing) mailing = &kind, mailingParts = &partsOf[k], mailingText = composed;
        props.Set(kind.composed.Key(), std::move(composed));
    }
    for (const auto& tag : kMailing) props.Erase(tag.Key());
    if (!mailing) {
        props.Erase(mapi::PidLidPostalAddressId.Key());
        return;
    }
    props.Set(mapi::PidLidPostalAddressId.Key(), mailing->postalId);
    const mapi::AddressParts& parts = *mailingParts;
    const std::array<const std::string*, 5> values{&parts.street, &parts.city, &parts.state, &parts.postalCode, &parts.country};
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i]->find_first_not_of(" \t\r\n") != std::string::npos) props.Set(kMailing[i].Key(), *values[i]);
    props.Set(kMailing[5].Key(), std::move(mailingText));
}

}  // namespace store
