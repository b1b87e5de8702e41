// A server written in Python for one test: the script prints the loopback
// port it listens on as its first line, and is ended with the object.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

class PythonServer {
public:
    PythonServer(const std::string& script, const std::vector<std::string>& args = {});
    ~PythonServer();
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    int Port() const { return port_; }  // 0 when it did not start
    std::string Url(const std::string& scheme, const std::string& path) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

}  // namespace testsupport
