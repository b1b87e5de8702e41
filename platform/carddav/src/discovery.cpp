#include <carddav/discovery.h>

#include <carddav/multistatus.h>

#include <array>

namespace carddav {

namespace {

std::string PropfindBody(const std::string& props) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop>" +
           props + "</d:prop></d:propfind>\n";
}

// The responses of a PROPFIND; nothing when there is no readable
// multistatus (*refused on a 401).
std::optional<std::vector<DavResponse>> Find(HttpClient& http, const Url& url, const char* depth, const std::string& props,
                                             bool* refused) {
    const HttpResponse reply = http.Send({"PROPFIND", url.ToString(),
                                          {"Depth: " + std::string(depth), "Content-Type: application/xml; charset=utf-8"},
                                          PropfindBody(props)});
    if (reply.status == 401) *refused = true;
    if (reply.status != 207) return std::nullopt;
    std::string bad;
    return ParseMultistatus(reply.body, &bad);
}

// The first href of a property in the first response that has it.
std::optional<Url> HrefOf(const Url& base, const std::vector<DavResponse>& responses, const std::string& property) {
    for (const DavResponse& r : responses) {
        auto it = r.propHrefs.find(property);
        if (it != r.propHrefs.end() && !it->second.empty()) return Resolve(base, it->second.front());
    }
    return std::nullopt;
}

}  // namespace

std::optional<FoundBook> ChooseBook(const std::vector<FoundBook>& books, const std::string& wanted, std::string* why) {
    auto named = [](const FoundBook& b, const std::string& name) {
        return b.name == name || LastSegment(b.url.path) == name;
    };
    if (!wanted.empty()) {
        for (const FoundBook& b : books)
            if (named(b, wanted)) return b;
    } else if (books.size() == 1) {
        return books.front();
    } else {
        for (const char* usual : {"contacts", "default", "personal", "card"})
            for (const FoundBook& b : books)
                if (LastSegment(b.url.path) == usual) return b;
    }
    std::string list;
    for (const FoundBook& b : books) list += (list.empty() ? "" : ", ") + b.name + " (" + b.url.ToString() + ")";
    if (books.empty()) *why = "The server has no address book for this user";
    else if (!wanted.empty()) *why = "The server has no address book named " + wanted + "; it has: " + list;
    else *why = "The server has several address books; choose one with --address-book NAME: " + list;
    return std::nullopt;
}

std::optional<Url> DiscoverAddressBook(HttpClient& http, const Url& start, const std::string& wanted, std::string* why,
                                       bool* refused) {
    const std::string principalProp = std::string(kDav) + "current-user-principal";
    std::optional<Url> principal;
    Url wellKnown = start;
    wellKnown.path = "/.well-known/carddav";
    for (const Url& at : std::array<Url, 2>{start, wellKnown}) {
        if (auto found = Find(http, at, "0", "<d:current-user-principal/>", refused))
            principal = HrefOf(at, *found, principalProp);
        if (principal || *refused) break;
    }
    if (*refused) {
        *why = "The server refused the user name or password";
        return std::nullopt;
    }
    if (!principal) {
        *why = "No address book found from " + start.ToString() + ": the server names no principal for the user";
        return std::nullopt;
    }
    std::optional<Url> home;
    if (auto found = Find(http, *principal, "0", "<c:addressbook-home-set/>", refused))
        home = HrefOf(*principal, *found, std::string(kCardDav) + "addressbook-home-set");
    if (!home) {
        *why = "No address book found from " + start.ToString() + ": the user's principal names no address book home";
        return std::nullopt;
    }
    std::vector<FoundBook> books;
    if (auto found = Find(http, *home, "1", "<d:resourcetype/><d:displayname/>", refused)) {
        for (const DavResponse& r : *found) {
            auto url = Resolve(*home, r.href);
            if (!r.IsAddressBook() || !url) continue;
            const std::string display = r.Prop(std::string(kDav) + "displayname");
            books.push_back({*url, display.empty() ? LastSegment(url->path) : display});
        }
    }
    auto chosen = ChooseBook(books, wanted, why);
    if (!chosen) return std::nullopt;
    return chosen->url;
}

}  // namespace carddav
