// The names Outlook fills in when a contact is saved: the full name from the
// name parts, and the "file under" text address books sort and list by.
#pragma once

#include <mapi/property.h>

namespace store {

// The key of the contact's "file under" text (PidLidFileUnder).
const mapi::PropertyKey& FileUnderKey();

struct NameChanges {
    bool parts = false;     // title, first, middle or last name set since the item was read
    bool fullName = false;  // the full name set since then
};

// Fills in the full name ("Title First Middle Last") where it is missing or
// the name parts changed without it, and the file-under text ("Last, First";
// else the full name, company or subject) where it is missing or a name
// changed.
void DeriveNames(mapi::PropertyBag& properties, NameChanges changes);

}  // namespace store
