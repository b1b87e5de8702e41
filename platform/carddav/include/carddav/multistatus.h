// The WebDAV multistatus replies of PROPFIND and REPORT (RFC 4918 section
// 13, RFC 6352), read with expat. Element names are written
// "namespace localname": "DAV: getetag".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace carddav {

inline constexpr const char* kDav = "DAV: ";
inline constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav ";

struct DavResponse {
    std::string href;
    std::string status;  // the response's own status line, when it has one
    // The text of each property found (a propstat with a 2xx status).
    std::map<std::string, std::string> props;
    // The hrefs inside each property found (current-user-principal,
    // addressbook-home-set).
    std::map<std::string, std::vector<std::string>> propHrefs;
    // The elements inside resourcetype ("DAV: collection").
    std::vector<std::string> resourceTypes;
    // The vCard versions of the address data types in supported-address-data
    // ("3.0", "4.0").
    std::vector<std::string> vcardVersions;

    std::string Prop(const std::string& name) const;
    bool IsAddressBook() const;
};

// The responses of a multistatus body; nothing (with *why) when it is not
// well-formed XML or carries a document type (no entities are expanded).
std::optional<std::vector<DavResponse>> ParseMultistatus(std::string_view xml, std::string* why);

}  // namespace carddav
