// The name a document left as already saved is logged with, found at little
// cost: from the database's index where it keeps the items the name takes
// (the items views sort or select by, such as FullName and LastName), so
// that skipping a saved document costs no read of it.
#pragma once

#include <exporting/contact_map.h>

#include <notesapi/notesapi.h>

#include <string>

namespace exporting {

// *name gets ContactRecord::DisplayName of the document as ReadContact
// reads it. The document is opened only when the index does not keep an item
// the name depends on, or when it gives no name: then *contact gets the
// document read whole, for the target's subject to stand in. False when the
// document had to be opened and cannot be. *opened is set when it was opened
// (or tried).
bool SavedDocumentName(LNDocument& doc, std::string* name, ContactRecord* contact, bool* opened);

}  // namespace exporting
