// What a vCard resource holds, compared: by digest against what was sent
// before, and line by line against what a server returns, which may have
// reordered or refolded the lines it stored.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carddav {

// A stable digest of a resource's bytes, to tell whether they changed.
uint64_t ContentDigest(std::string_view bytes);

// True when both vCards hold the same content lines, in any order and
// however folded.
bool SameCard(std::string_view a, std::string_view b);

// The vCard 3 of a list made a contact group with a member line for each
// UID of a contact in memberUids; its other lines stay. Without vcard4 as
// Apple's, Nextcloud's and SOGo's address books read one
// (X-ADDRESSBOOKSERVER-KIND:group, X-ADDRESSBOOKSERVER-MEMBER), with it a
// vCard 4 group (RFC 6350: KIND:group, MEMBER) for a server that takes
// vCard 4.
std::string AsContactGroup(std::string_view vcard, const std::vector<std::string>& memberUids, bool vcard4 = false);

}  // namespace carddav
