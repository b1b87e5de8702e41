// Renderings of a contact item into files: text, RTF, DOC, HTML, vCard, MHTML
// (and MSG). Every rendering shows the set properties in the contact table's
// order with the table's labels; empty texts are left out.
#pragma once

#include <mapi/property.h>

#include <string>

namespace store {

// The rendering of the contact in the SaveAs type's format (see SaveAsType):
// 0 UTF-8 text, 1 RTF, 4 DOC (RTF content), 5 HTML (UTF-8 page), 6 vCard 3.0,
// 10 MHTML (multipart/related holding the HTML page), 3 and 9 MSG.
// Throws StoreError (InvalidArgument) for another type.
std::string RenderContactToString(const mapi::PropertyBag& properties, int type);

// Writes the rendering to path, replacing any file there. Throws StoreError
// for an unknown type or a failed write; on failure no partial file is left
// at path (an older file there stays as it was).
void RenderContact(const mapi::PropertyBag& properties, const std::string& path, int type);

}  // namespace store
