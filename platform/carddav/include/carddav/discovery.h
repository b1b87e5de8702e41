// Finding a user's address book from the server's address or the user's
// principal (RFC 6764 section 6, RFC 6352 sections 7.1 and 8.3): the
// principal from current-user-principal (at the URL given, else at
// /.well-known/carddav), its addressbook-home-set, and the address books
// in that home.
#pragma once

#include <carddav/http_client.h>
#include <carddav/url.h>

#include <optional>
#include <string>
#include <vector>

namespace carddav {

struct FoundBook {
    Url url;
    std::string name;  // its display name, else the last segment of its path
};

// Picks from books: the one whose display name or last path segment is
// wanted; else the only one; else the one a server makes for every user
// ("contacts", "default", "personal", "card"). Nothing, with *why listing
// the books, when that leaves none.
std::optional<FoundBook> ChooseBook(const std::vector<FoundBook>& books, const std::string& wanted, std::string* why);

// The address book to use, found from start; *refused when the server
// refused the credentials on the way.
std::optional<Url> DiscoverAddressBook(HttpClient& http, const Url& start, const std::string& wanted, std::string* why,
                                       bool* refused);

}  // namespace carddav
