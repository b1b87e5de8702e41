// The individual renderings of a contact; each returns the whole file content.
#pragma once

#include <contacts/contact.h>

#include <string>

namespace renderings {

std::string Text(const contacts::Contact& contact);   // UTF-8 "Label: value" lines
std::string Html(const contacts::Contact& contact);   // complete UTF-8 page
std::string Rtf(const contacts::Contact& contact);    // RTF 1.x, non-ASCII as \uN
std::string VCard(const contacts::Contact& contact);  // vCard 3.0, CRLF lines folded at 75 octets
std::string Mhtml(const contacts::Contact& contact);  // multipart/related holding Html()
std::string Mhtml(contacts::Contact&& contact);       // the same, the notes let go once on the page

// Pieces the contact and distribution list renderings share.
// The page up to and including its <h1> heading: head, style and body start.
std::string HtmlPageStart(const std::string& title);
// An MHTML file (multipart/related) whose first part is the page html, and
// each file a part of its own after it (base64, as an attachment).
std::string MhtmlDocument(std::string title, const std::string& html,
                          const std::vector<contacts::Attachment>& files = {});
namespace rtf {
// Appends text to an RTF body: braces and backslashes escaped, non-ASCII as \uN.
void AppendEscaped(std::string& out, std::string_view utf8);
// A paragraph "{\b label:} value\par", both escaped.
void AppendParagraph(std::string& out, std::string_view label, std::string_view value);
// The size of that paragraph.
size_t ParagraphSize(std::string_view label, std::string_view value);
// The document up to and including its bold heading; the caller closes it with "}".
std::string DocumentStart(const std::string& title);
}  // namespace rtf
namespace vcard {
// A text value escaped: backslash, comma, semicolon and line breaks.
std::string Escape(const std::string& value);
// Appends a content line, folded so that no line passes 75 octets.
void AppendLine(std::string& out, const std::string& line);
// The same for the line head followed by rest, without joining them first;
// with escapeRest, rest is a text value escaped as it is written, so that a
// long value is never held a second time.
void AppendLine(std::string& out, std::string_view head, std::string_view rest, bool escapeRest = false);
}  // namespace vcard

}  // namespace renderings
