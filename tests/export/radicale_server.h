// A Radicale CardDAV server on the loopback for one test: its storage, its
// users (htpasswd, plain) and its configuration in a temporary folder that
// goes with it, one address book per user made before it starts.
#pragma once

#include <support/test_files.h>

#include <string>
#include <sys/types.h>

namespace exporttest {

class RadicaleServer {
public:
    // user and password are the one account; the user's address book is
    // "contacts".
    RadicaleServer(const std::string& user, const std::string& password);
    ~RadicaleServer();
    RadicaleServer(const RadicaleServer&) = delete;
    RadicaleServer& operator=(const RadicaleServer&) = delete;

    // Ends the server now: its port answers no more.
    void Stop();
    // Empty when the server answers; else why it could not start.
    const std::string& Problem() const { return problem_; }
    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    std::string BookUrl() const { return BaseUrl() + user_ + "/contacts/"; }
    // The folder Radicale keeps the address book's vCards in.
    std::string BookFolder() const;
    // Another address book of the user, with a display name.
    void AddBook(const std::string& name, const std::string& displayName) const;
    // A folder of the test's own beside the server's, removed with it.
    const testsupport::TempDir& Dir() const { return dir_; }

private:
    bool Start();

    testsupport::TempDir dir_;
    std::string user_;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string problem_;
};

// A port on the loopback that nothing listens on just now.
int FreeLoopbackPort();

}  // namespace exporttest
