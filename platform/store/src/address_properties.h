// What Outlook keeps with a contact's addresses besides their parts: each
// address as one text, which one is the mailing address, and the mailing
// address's copy, so that its address boxes and address books show them.
#pragma once

#include <mapi/contact.h>
#include <mapi/property.h>

namespace store {

// True for the street, city, state, postal code and country of the home,
// business and other addresses.
bool IsAddressPart(mapi::ContactField field);

// Composes PidLidHomeAddress, PidLidWorkAddress and PidLidOtherAddress from
// their parts (an address without parts has none) and chooses
// PidLidPostalAddressId (business when it has any part, else home, else
// other) with the mailing address properties as a copy of that address;
// without any address, none of them. Where no part changed since the item
// was read (partsChanged false) and the item has composed texts, it is left
// as it is.
void CompleteAddresses(mapi::PropertyBag& props, bool partsChanged);

}  // namespace store
