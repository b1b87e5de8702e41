// Which entries of a view stand for contacts: those that have a document (a
// Person's, or a Group's, which exports as a distribution list). Category
// entries have none. The item list makes one row for each contact
// entry, keyed by its entry index (the row's "NO"); the exports and the
// command line take exactly the same entries.
#pragma once

#include <notesapi/notesapi.h>

#include <cstdint>
#include <set>
#include <string>

namespace notes {

// Binds doc to the document of entry `entry` of an open view; false (doc
// untouched) when the entry is not a contact entry or cannot be read. Never
// throws.
bool ContactDocument(const LNViewFolder& view, size_t entry, LNDocument* doc);

// The entry indexes of the contact entries of the view at viewIndex of the
// database at path: the "NO" values of the item list's rows. Empty when the
// database or the view cannot be read.
std::set<uint32_t> ContactEntries(const std::string& path, uint32_t viewIndex);

}  // namespace notes
