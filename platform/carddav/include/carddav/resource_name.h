// The names contacts are stored under in an address book: a UID that stays
// the same for a document of a database from run to run, so that a second
// export finds and updates what the first stored.
#pragma once

#include <string>
#include <string_view>

namespace carddav {

// A UUID-shaped text (version 8, RFC 9562) made from the database identity
// and the document's universal id.
std::string StableUid(std::string_view database, std::string_view unid);

// The resource's name in the collection: "<uid>.vcf".
std::string ResourceName(std::string_view uid);

// The vCard with a UID line: after its VERSION line (first after BEGIN when
// it has none); a UID line it has already is replaced.
std::string WithUid(std::string_view vcard, std::string_view uid);

}  // namespace carddav
