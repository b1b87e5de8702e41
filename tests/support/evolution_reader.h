// Evolution's own vCard parser (libebook-contacts through GObject
// introspection, gir1.2-ebookcontacts-1.2), as tests read our vCards with it.
#pragma once

#include <map>
#include <string>

namespace testsupport {

// Every field of the contact Evolution parses from the vCard at path that
// holds something, by Evolution's field name: texts, the name and the
// addresses (components joined by '|': family|given|additional|prefixes|
// suffixes, po|ext|street|locality|region|code|country), dates as
// YYYY-MM-DD, and "category-list" (the CATEGORIES values joined by '|').
// Fails the calling test when the parser cannot run.
std::map<std::string, std::string> ReadWithEvolution(const std::string& path);

}  // namespace testsupport
