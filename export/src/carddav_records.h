// What earlier exports stored in an address book: for each resource, the
// entity tag the server gave it, a digest of the vCard sent, and the
// document it came from as it was then. A resource whose tag on the server
// is still the recorded one holds what was sent; another tag means someone
// changed it since. Kept per address book and user in a file of the user's
// state folder ($XDG_STATE_HOME/ferrywell/carddav, else
// ~/.local/state/ferrywell/carddav), replaced whole when saved.
#pragma once

#include <mapi/source_identity.h>

#include <cstdint>
#include <map>
#include <string>

namespace exporting {

struct CardRecord {
    std::string etag;
    uint64_t digest = 0;
    mapi::SourceIdentity source;  // database and unid stay empty: the name stands for them
};

class CardRecords {
public:
    // The records of the address book at url for user; *why says why the
    // file cannot be read (it is then treated as empty).
    bool Load(const std::string& url, const std::string& user, std::string* why);
    // The file the records of the address book at url for user are kept in.
    static std::string PathFor(const std::string& url, const std::string& user);
    // Writes the records if they changed; *why says why that failed.
    bool Save(std::string* why);

    const CardRecord* Find(const std::string& name) const;
    void Put(const std::string& name, CardRecord record);
    bool Dirty() const { return dirty_; }

    // The file's text and back, for tests.
    std::string Text() const;
    static std::map<std::string, CardRecord> Parse(const std::string& text);

private:
    std::string path_;
    std::map<std::string, CardRecord> records_;
    bool dirty_ = false;
};

// The folder the records live in.
std::string CardRecordsFolder();

}  // namespace exporting
