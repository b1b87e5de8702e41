// The http and https URLs a CardDAV client talks to: parsed into their
// parts, compared by origin, and resolved against the hrefs a server sends.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace carddav {

struct Url {
    std::string scheme;  // "http" or "https", lower case
    std::string host;    // lower case; an IPv6 address keeps its brackets
    std::string port;    // empty: the scheme's own
    std::string path;    // starts with "/"; may carry a query

    // scheme://host[:port]
    std::string Origin() const;
    std::string ToString() const { return Origin() + path; }
    // The port the connection goes to: port, else 80 or 443.
    std::string EffectivePort() const;
};

// The URL text parsed; nothing (with *why) for another scheme, no host, or
// a user name or password in it: credentials never travel in a URL.
std::optional<Url> ParseUrl(std::string_view text, std::string* why = nullptr);

// True when b is on the same host and port as a, with the same scheme or
// going from http to https (never the other way).
bool SameHostRedirect(const Url& from, const Url& to);

// An href from a server (a full URL, an absolute path, or a path relative to
// base) as a URL.
std::optional<Url> Resolve(const Url& base, std::string_view href);

// The last segment of a path ("/a/b/c.vcf" -> "c.vcf"), percent-decoded;
// a trailing slash is not a segment of its own.
std::string LastSegment(std::string_view path);

// The path with a slash at its end, as a collection's URL has it.
std::string AsCollectionPath(std::string path);

}  // namespace carddav
