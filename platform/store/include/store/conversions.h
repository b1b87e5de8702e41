// Renderings of a contact item into files: text, RTF, DOC, HTML, vCard, MHTML.
#pragma once

#include <mapi/property.h>

#include <string>

namespace store {

// Writes the contact's properties to path in the SaveAs type's format.
// Throws StoreError for an unknown type or a failed write; on failure no
// partial file is left at path.
void RenderContact(const mapi::PropertyBag& properties, const std::string& path, int type);

}  // namespace store
