// The individual renderings of a contact; each returns the whole file content.
#pragma once

#include <mapi/property.h>

#include <string>

namespace store::render {

std::string Text(const mapi::PropertyBag& properties);   // UTF-8 "Label: value" lines
std::string Html(const mapi::PropertyBag& properties);   // complete UTF-8 page
std::string Rtf(const mapi::PropertyBag& properties);    // RTF 1.x, non-ASCII as \uN
std::string VCard(const mapi::PropertyBag& properties);  // vCard 3.0, CRLF lines folded at 75 octets
std::string Mhtml(const mapi::PropertyBag& properties);  // multipart/related holding Html()

}  // namespace store::render
