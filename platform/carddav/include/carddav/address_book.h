// One address book collection on a CardDAV server (RFC 6352): checked and
// listed once as it opens, then its vCard resources stored with the
// preconditions that keep a change made by someone else from being
// overwritten unnoticed. Put and Get change nothing of the book, so that
// several clients (RequestPool) may store side by side; what they stored is
// noted on the thread that owns the book.
#pragma once

#include <carddav/http_client.h>
#include <carddav/url.h>

#include <map>
#include <optional>
#include <string>

namespace carddav {

enum class OpenResult {
    Ok,
    Refused,         // the server refused the user name or password
    NotAddressBook,  // the URL names no address book (missing, or another kind of collection)
    Unusable,        // no answer, or one that cannot be read
};

enum class PutResult {
    Stored,
    Conflict,  // the precondition failed: the resource is not as expected
    Failed,
};

struct PutOutcome {
    PutResult result = PutResult::Failed;
    std::string etag;  // the stored resource's entity tag, when the server said it
    std::string what;  // the server's status line, or why there was none
    bool answered = false;  // the server replied (whatever it said)
    bool stopped = false;   // a stop request ended it
};

class AddressBook {
public:
    AddressBook(HttpClient& http, Url collection);

    // Checks that the collection is an address book the user may read, and
    // lists its resources' entity tags. A URL of the server or of the
    // user's principal leads to the user's address book named wanted (see
    // ChooseBook), which is then the collection. *why says what went wrong.
    OpenResult Open(const std::string& wanted, std::string* why);

    const Url& Collection() const { return collection_; }
    // The entity tag of the resource of that name as listed, if it is there.
    std::optional<std::string> Etag(const std::string& name) const;
    size_t Size() const { return etags_.size(); }
    // The server says it stores vCard 4 (supported-address-data); without
    // that property it takes vCard 3 only.
    bool TakesVCard4() const { return vcard4_; }

    // Stores the vCard under name through http: only if there is none yet
    // when ifMatch is empty, else only while the resource's entity tag is
    // ifMatch.
    PutOutcome Put(HttpClient& http, const std::string& name, const std::string& vcard, const std::string& ifMatch) const;
    // What Put stored: the listing's entity tag of name from now on.
    void Noted(const std::string& name, const std::string& etag) { etags_[name] = etag; }
    // The resource's bytes and entity tag; nothing when it cannot be fetched.
    struct Fetched {
        std::string body, etag;
    };
    std::optional<Fetched> Get(HttpClient& http, const std::string& name) const;

private:
    std::string UrlOf(const std::string& name) const;
    // Open's check and listing of the collection as it stands; *exists
    // when the server has something at its URL.
    OpenResult List(std::string* why, bool* exists);
    // The resource's entity tag as a PROPFIND finds it; empty when unknown.
    std::string EtagOnServer(HttpClient& http, const std::string& name) const;
    // Whether the collection's supported-address-data names vCard 4.
    bool AdvertisesVCard4();

    HttpClient& http_;
    Url collection_;
    std::map<std::string, std::string> etags_;  // resource name -> entity tag
    bool vcard4_ = false;
};

}  // namespace carddav
