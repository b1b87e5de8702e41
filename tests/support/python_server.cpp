#include "python_server.h"

#include "tool_runner.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

PythonServer::PythonServer(const std::string& script, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        std::vector<const char*> argv{kPython, script.c_str()};
        for (const auto& a : args) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        ::execv(kPython, const_cast<char* const*>(argv.data()));
        ::_exit(127);
    }
    ::close(fds[1]);
    FILE* out = ::fdopen(fds[0], "r");
    char line[32] = {};
    if (std::fgets(line, sizeof line, out)) port_ = std::atoi(line);
    std::fclose(out);
}

PythonServer::~PythonServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
}

}  // namespace testsupport
