#include <carddav/url.h>

#include <algorithm>
#include <cctype>

namespace carddav {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<Url> Refuse(std::string* why, const char* text) {
    if (why) *why = text;
    return std::nullopt;
}

}  // namespace

std::string Url::Origin() const { return scheme + "://" + host + (port.empty() ? "" : ":" + port); }

std::string Url::EffectivePort() const { return !port.empty() ? port : scheme == "https" ? "443" : "80"; }

std::optional<Url> ParseUrl(std::string_view text, std::string* why) {
    const size_t colon = text.find("://");
    if (colon == std::string_view::npos) return Refuse(why, "it is not an http:// or https:// URL");
    Url url;
    url.scheme = Lower(text.substr(0, colon));
    if (url.scheme != "http" && url.scheme != "https") return Refuse(why, "it is not an http:// or https:// URL");
    std::string_view rest = text.substr(colon + 3);
    const size_t pathAt = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, pathAt);
    if (authority.find('@') != std::string_view::npos)
        return Refuse(why, "a URL must not carry a user name or password");
    if (authority.find_first_of(" \t\r\n") != std::string_view::npos) return Refuse(why, "the host name is not valid");
    std::string_view hostPart = authority;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return Refuse(why, "the host name is not valid");
        hostPart = authority.substr(0, close + 1);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') return Refuse(why, "the host name is not valid");
            url.port = std::string(after.substr(1));
        }
    } else if (const size_t portAt = authority.rfind(':'); portAt != std::string_view::npos) {
        hostPart = authority.substr(0, portAt);
        url.port = std::string(authority.substr(portAt + 1));
    }
    if (hostPart.empty()) return Refuse(why, "the URL names no host");
    if (!url.port.empty() && (url.port.size() > 5 || !std::all_of(url.port.begin(), url.port.end(), ::isdigit)))
        return Refuse(why, "the port is not a number");
    url.host = Lower(hostPart);
    std::string_view path = pathAt == std::string_view::npos ? std::string_view() : rest.substr(pathAt);
    path = path.substr(0, path.find('#'));
    url.path = path.empty() || path.front() != '/' ? "/" + std::string(path) : std::string(path);
    return url;
}

bool SameHostRedirect(const Url& from, const Url& to) {
    if (from.host != to.host) return false;
    if (from.scheme == to.scheme) return from.EffectivePort() == to.EffectivePort();
    // An upgrade to TLS on the same host may change the port to 443's.
    return from.scheme == "http" && to.scheme == "https";
}

std::optional<Url> Resolve(const Url& base, std::string_view href) {
    if (href.find("://") != std::string_view::npos) return ParseUrl(href);
    Url url = base;
    if (!href.empty() && href.front() == '/') {
        url.path = std::string(href);
    } else {
        const size_t slash = base.path.rfind('/');
        url.path = base.path.substr(0, slash + 1) + std::string(href);
    }
    return url;
}

std::string LastSegment(std::string_view path) {
    path = path.substr(0, path.find('?'));
    while (!path.empty() && path.back() == '/') path.remove_suffix(1);
    const size_t slash = path.rfind('/');
    return PercentDecode(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string AsCollectionPath(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

}  // namespace carddav
