// The names a contact goes by in lists, derived from its values.
#pragma once

#include <contacts/contact.h>

#include <string>

namespace contacts {

// The full name, else the name parts joined: prefix, first, middle and last
// name; empty when the contact has none of them.
std::string DerivedFullName(const Contact& contact);

// A display name's parts when nothing else gives them: the last word the
// family name, the words before it the given name ("Hana Canon" gives "Hana"
// and "Canon"; one word is a family name alone). Blanks and tabs separate.
void SplitDisplayName(const std::string& name, std::string* given, std::string* family);

// The text a contact is filed under: "Last, First" (either alone when the
// other is missing), else the derived full name, the company or the
// subject; empty when it has none of them.
std::string FileAs(const Contact& contact);

}  // namespace contacts
