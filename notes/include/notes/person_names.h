// How a Person document's names and addresses read to people: Domino keeps a
// person's hierarchical name ("CN=Hana Canon/OU=Ops/O=Orbis", abbreviated
// "Hana Canon/Ops/Orbis") first in FullName and often a Notes routing address
// in MailAddress; people know the person by the common name and write to the
// Internet address.
#pragma once

#include <string>
#include <string_view>

namespace notes {

// True for a hierarchical name: the canonical form (components labelled
// CN=, OU=, O=, C=, the first CN=) or the abbreviated one (two or more
// components separated by "/", none empty, no "@" and no "=").
bool IsHierarchicalName(std::string_view name);

// The name as people read it: the common name of a hierarchical name, any
// other name as it is; without blanks at either end.
std::string PersonName(std::string_view name);

// True for an address mail cannot be sent to from outside Notes: no "@", or
// a domain after the last "@" without a dot ("Hana Canon/Ops/Orbis@Orbis").
// Blank text is no address at all and gives false.
bool IsNotesRoutingAddress(std::string_view address);

}  // namespace notes
