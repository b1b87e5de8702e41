// Renderings of the contact model into files a person reads or another
// program imports: text, RTF (also saved as .doc), HTML, vCard 3.0 and MHTML.
// A contact shows its values in a fixed order with their labels, empty ones
// left out; a distribution list its name as the heading, its description and
// one line per member ("Name <address>", or the name alone for a member
// without an address).
#pragma once

#include <contacts/contact.h>
#include <contacts/distribution_list.h>

#include <string>

namespace renderings {

enum class Format {
    Text,   // UTF-8 "Label: value" lines
    Rtf,    // RTF 1.x, non-ASCII as \uN
    Doc,    // the RTF rendering: Word and LibreOffice open RTF saved as .doc
    Html,   // a complete UTF-8 page
    VCard,  // vCard 3.0, CRLF lines folded at 75 octets; a list as Evolution writes one
    Mhtml,  // multipart/related holding the HTML page
};

// The whole file content.
std::string RenderContact(const contacts::Contact& contact, Format format);
// The same, taking the contact: a part of it the rendering has made its own
// is let go at once, so that a note of tens of megabytes is not held in
// three forms (an MHTML file's contact, page and encoded page).
std::string RenderContact(contacts::Contact&& contact, Format format);
std::string RenderDistributionList(const contacts::DistributionList& list, Format format);

}  // namespace renderings
