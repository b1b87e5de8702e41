// Renderings of a distribution list into files: its name as the heading, its
// description, and one line per member ("Name <address>", or the name alone
// for a member without an address).
#pragma once

#include <mapi/property.h>

#include <string>

namespace store {

// The rendering in the SaveAs type's format (see SaveAsType): 0 UTF-8 text,
// 1 RTF, 4 DOC (RTF content), 5 HTML (UTF-8 page), 6 vCard 3.0 as Evolution
// writes a contact list, 10 MHTML, 3 and 9 MSG. Throws StoreError
// (InvalidArgument) for another type.
std::string RenderDistListToString(const mapi::PropertyBag& properties, int type);

// Writes the rendering to path, replacing any file there. Throws StoreError
// for an unknown type or a failed write; on failure no partial file is left
// at path.
void RenderDistList(const mapi::PropertyBag& properties, const std::string& path, int type);

}  // namespace store
