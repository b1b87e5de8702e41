// How a contact document's values are read: the single text rule every list,
// preview and exporter uses, the date-list text and its parser, the date
// range test and the image pass before PDF rendering.
#pragma once

#include <notesapi/notesapi.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace notes {

// The longest value the rule gives, in UTF-16 code units as Outlook counts
// a text's length; longer values are cut (CutValue).
inline constexpr size_t kMaxValueChars = 1023;

// What the rule gives for a missing, empty or unreadable item: the exporters
// use one blank, the main window's list and preview empty text.
inline constexpr std::string_view kExporterDefault = " ";
inline constexpr std::string_view kWindowDefault = "";

// First value of a text item, cut by CutValue; emptyDefault
// when the document is not open, lacks the item, the value is empty, or the
// API fails. Never throws.
std::string ReadItemText(const LNDocument& doc, std::string_view itemName,
                         std::string_view emptyDefault = kExporterDefault);

// Every value of a text item in order (a text list gives each; any item reads
// as text), each cut by CutValue; empty values are kept.
// None when the document is not open, lacks the item or the API fails.
// *cut (when given) tells whether a value was cut. Never throws.
std::vector<std::string> ReadTextValues(const LNDocument& doc, std::string_view itemName, bool* cut = nullptr);
// The same for the item at a position of the document's item names (a
// document may hold several items of one name).
std::vector<std::string> ReadTextValuesAt(const LNDocument& doc, size_t position, bool* cut = nullptr);

// The plain text of a rich-text item (one line a paragraph, as LNRichText
// gives it), or a text item's values one a line; not cut. Empty when the
// item is missing or unreadable. Never throws.
std::string ReadRichText(const LNDocument& doc, std::string_view itemName);

// The common name of a canonical Notes name: "CN=Richard Roe/OU=Sales/O=Acme"
// gives "Richard Roe". Any other value, an abbreviated one included, is
// given back as it is, without blanks at either end.
std::string CommonName(std::string_view name);

// Every value of a date item as text joined by ";" (empty when the item is
// missing or unreadable). Never throws.
std::string ReadDateListText(const LNDocument& doc, std::string_view itemName);

// An OLE automation date with a validity flag.
struct OleDate {
    double value = 0.0;
    bool valid = false;
};

// Parses the date text that ReadDateListText gives for one value:
// "2001-05-22 10:36:36", "2001-05-22" or "10:36:36". Text holding two dates
// joined by ";", or anything else, gives an invalid date with value 0.
OleDate ConvertString2Date(std::string_view text);

// True when start <= date <= end, both bounds inclusive.
bool InBetween(const OleDate& date, const OleDate& start, const OleDate& end);

// Cuts text to at most maxChars UTF-8 characters, never inside one.
std::string CutToChars(std::string_view text, size_t maxChars);

// Cuts a value to at most kMaxValueChars UTF-16 code units (a character
// beyond the Basic Multilingual Plane counts two), at the end of a grapheme
// cluster: a letter keeps its combining marks, an emoji sequence (ZWJ,
// modifiers, flags) stays whole. Only a first cluster longer than the limit
// is cut inside, at a character.
std::string CutValue(std::string_view text);

}  // namespace notes
