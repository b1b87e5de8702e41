// What Outlook keeps with each e-mail address of a contact besides the
// address itself, so that address books list it.
#pragma once

#include <mapi/property.h>

namespace store {

// For each of Email1..3 that holds an address: its address type "SMTP", its
// display name ("Full Name (address)", or the address alone) and original
// display name (the address); then the list of defined addresses
// (PidLidAddressBookProviderEmailList) and its bit set
// (PidLidAddressBookProviderArrayType). An address removed since takes its
// companions with it.
void CompleteEmailProperties(mapi::PropertyBag& props);

}  // namespace store
