// One address book collection on a CardDAV server (RFC 6352): checked and
// listed once as it opens, then its vCard resources stored one by one with
// the preconditions that keep a change made by someone else from being
// overwritten unnoticed.
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

    // Stores the vCard under name: only if there is none yet when ifMatch is
    // empty, else only while the resource's entity tag is ifMatch.
    PutOutcome Put(const std::string& name, const std::string& vcard, const std::string& ifMatch);
    // The resource's bytes and entity tag; nothing when it cannot be fetched.
    struct Fetched {
        std::string body, etag;
    };
    std::optional<Fetched> Get(const std::string& name);

private:
    std::string UrlOf(const std::string& name) const;
    // Open's check and listing of the collection as it stands; *exists
    // when the server has something at its URL.
    OpenResult List(std::string* why, bool* exists);
    // The resource's entity tag as a PROPFIND finds it; empty when unknown.
    std::string EtagOnServer(const std::string& name);

    HttpClient& http_;
    Url collection_;
    std::map<std::string, std::string> etags_;  // resource name -> entity tag
};

}  // namespace carddav
