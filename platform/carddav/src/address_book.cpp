#include <carddav/address_book.h>

#include <carddav/discovery.h>
#include <carddav/multistatus.h>

#include <algorithm>

namespace carddav {

namespace {

const char* const kListing =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:getetag/></d:prop></d:propfind>\n";

const char* const kAddressData =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<d:propfind xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\"><d:prop><c:supported-address-data/>"
    "</d:prop></d:propfind>\n";

HttpRequest Propfind(const std::string& url, const char* depth, const char* body = kListing) {
    return {"PROPFIND", url, {"Depth: " + std::string(depth), "Content-Type: application/xml; charset=utf-8"}, body};
}

// Two hrefs name the same resource, whether written as a URL or a path.
bool SamePath(const Url& base, const std::string& href, const std::string& path) {
    auto url = Resolve(base, href);
    return url && AsCollectionPath(url->path) == AsCollectionPath(path);
}

}  // namespace

AddressBook::AddressBook(HttpClient& http, Url collection) : http_(http), collection_(std::move(collection)) {
    collection_.path = AsCollectionPath(collection_.path);
}

std::string AddressBook::UrlOf(const std::string& name) const { return collection_.ToString() + name; }

OpenResult AddressBook::Open(const std::string& wanted, std::string* why) {
    bool exists = false;
    const OpenResult listed = List(why, &exists);
    // The server's address, or a collection that is not an address book
    // (the user's principal, the address book home): the book is looked for
    // from there. A URL that names nothing stays an error.
    const bool look = (listed == OpenResult::NotAddressBook && exists) ||
                      (collection_.path == "/" && listed != OpenResult::Refused && listed != OpenResult::Ok);
    if (look) {
        bool refused = false;
        const auto found = DiscoverAddressBook(http_, collection_, wanted, why, &refused);
        if (!found) return refused ? OpenResult::Refused : OpenResult::NotAddressBook;
        collection_ = *found;
        collection_.path = AsCollectionPath(collection_.path);
        const OpenResult again = List(why, &exists);
        if (again != OpenResult::Ok) return again;
    } else if (listed != OpenResult::Ok) {
        return listed;
    }
    vcard4_ = AdvertisesVCard4();
    return OpenResult::Ok;
}

bool AddressBook::AdvertisesVCard4() {
    const HttpResponse reply = http_.Send(Propfind(collection_.ToString(), "0", kAddressData));
    std::string bad;
    const auto responses = reply.status == 207 ? ParseMultistatus(reply.body, &bad) : std::nullopt;
    if (!responses) return false;
    for (const DavResponse& r : *responses)
        if (SamePath(collection_, r.href, collection_.path))
            return std::find(r.vcardVersions.begin(), r.vcardVersions.end(), "4.0") != r.vcardVersions.end();
    return false;
}

OpenResult AddressBook::List(std::string* why, bool* exists) {
    const HttpResponse reply = http_.Send(Propfind(collection_.ToString(), "1"));
    if (reply.status == 401) {
        *why = "The server refused the user name or password";
        return OpenResult::Refused;
    }
    if (reply.status == 403 || reply.status == 404) {
        *why = "The server has no address book at " + collection_.ToString() + " for this user: " + reply.statusLine;
        return OpenResult::NotAddressBook;
    }
    if (reply.status != 207) {
        *why = "The server cannot list the address book " + collection_.ToString() + ": " +
               (reply.error.empty() ? reply.What() : reply.error);
        return OpenResult::Unusable;
    }
    std::string bad;
    const auto responses = ParseMultistatus(reply.body, &bad);
    if (!responses) {
        *why = "The server's listing of " + collection_.ToString() + " cannot be read: " + bad;
        return OpenResult::Unusable;
    }
    *exists = true;
    bool isBook = false;
    etags_.clear();
    for (const DavResponse& r : *responses) {
        if (SamePath(collection_, r.href, collection_.path)) {
            isBook = r.IsAddressBook();
            continue;
        }
        const std::string etag = r.Prop(std::string(kDav) + "getetag");
        if (!etag.empty()) etags_[LastSegment(r.href)] = etag;
    }
    if (!isBook) {
        *why = collection_.ToString() + " is not an address book";
        return OpenResult::NotAddressBook;
    }
    return OpenResult::Ok;
}

std::optional<std::string> AddressBook::Etag(const std::string& name) const {
    auto it = etags_.find(name);
    if (it == etags_.end()) return std::nullopt;
    return it->second;
}

PutOutcome AddressBook::Put(HttpClient& http, const std::string& name, const std::string& vcard,
                            const std::string& ifMatch) const {
    HttpRequest request{"PUT", UrlOf(name), {"Content-Type: text/vcard; charset=utf-8"}, vcard};
    request.headers.push_back(ifMatch.empty() ? "If-None-Match: *" : "If-Match: " + ifMatch);
    const HttpResponse reply = http.Send(request);
    PutOutcome outcome;
    outcome.what = reply.error.empty() ? reply.What() : reply.error;
    outcome.answered = reply.status != 0;
    outcome.stopped = reply.stopped;
    if (reply.status == 412) {
        outcome.result = PutResult::Conflict;
    } else if (reply.Ok()) {
        outcome.result = PutResult::Stored;
        outcome.etag = reply.Header("etag");
        // A server that changed the vCard as it stored it need not say its
        // tag: it is asked for it.
        if (outcome.etag.empty()) outcome.etag = EtagOnServer(http, name);
    }
    return outcome;
}

std::string AddressBook::EtagOnServer(HttpClient& http, const std::string& name) const {
    const HttpResponse reply = http.Send(Propfind(UrlOf(name), "0"));
    std::string bad;
    const auto responses = reply.status == 207 ? ParseMultistatus(reply.body, &bad) : std::nullopt;
    if (!responses || responses->empty()) return {};
    return responses->front().Prop(std::string(kDav) + "getetag");
}

std::optional<AddressBook::Fetched> AddressBook::Get(HttpClient& http, const std::string& name) const {
    const HttpResponse reply = http.Send({"GET", UrlOf(name), {}, ""});
    if (!reply.Ok()) return std::nullopt;
    return Fetched{reply.body, reply.Header("etag")};
}

}  // namespace carddav
