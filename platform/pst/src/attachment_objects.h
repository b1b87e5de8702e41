// An item's attachments, kept in the item's subnodes: one property context
// per attachment and the attachment table that lists them.
#pragma once

#include "name_map.h"
#include "node_database.h"

#include <mapi/property.h>

#include <vector>

namespace pst {

// Writes each attachment's object and the table that lists them (named
// properties mapped through names); the item's subnode tree takes over the
// entries' one owner. None for no attachments.
std::vector<SubnodeEntry> StoreAttachments(NodeDatabase& db, NameMap& names,
                                           const std::vector<mapi::PropertyBag>& attachments);

// The attachments of the item at node, in the order of its attachment table.
std::vector<mapi::PropertyBag> ReadAttachments(const NodeDatabase& db, const NameMap& names, const NodeEntry& node);

}  // namespace pst
