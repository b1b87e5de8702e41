#include "radicale_server.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace exporttest {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

bool Answers(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

RadicaleServer::RadicaleServer(const std::string& user, const std::string& password) : user_(user) {
    namespace fs = std::filesystem;
    fs::create_directories(BookFolder());
    dir_.Write("store/collection-root/" + user + "/contacts/.Radicale.props", "{\"tag\": \"VADDRESSBOOK\"}");
    dir_.Write("users", user + ":" + password + "\n");
    fs::create_directories(dir_.Path() / "own");
    // A port taken between the look and the start is met by trying another.
    for (int attempt = 0; attempt < 3 && !Start(); ++attempt) {}
}

std::string RadicaleServer::BookFolder() const { return dir_ / ("store/collection-root/" + user_ + "/contacts"); }

void RadicaleServer::AddBook(const std::string& name, const std::string& displayName) const {
    std::filesystem::create_directories(dir_ / ("store/collection-root/" + user_ + "/" + name));
    dir_.Write("store/collection-root/" + user_ + "/" + name + "/.Radicale.props",
               "{\"tag\": \"VADDRESSBOOK\", \"D:displayname\": \"" + displayName + "\"}");
}

bool RadicaleServer::Start() {
    port_ = FreeLoopbackPort();
    const std::string hosts = "127.0.0.1:" + std::to_string(port_);
    const std::string store = dir_ / "store", users = dir_ / "users", log = dir_ / "radicale.log";
    pid_ = ::fork();
    if (pid_ == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execl(kPython, kPython, "-m", "radicale", "--config", "", "--server-hosts", hosts.c_str(),
                "--storage-filesystem-folder", store.c_str(), "--auth-type", "htpasswd", "--auth-htpasswd-filename",
                users.c_str(), "--auth-htpasswd-encryption", "plain", "--auth-delay", "0", "--logging-level", "warning",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Until it answers or ends: however slow the machine, a server that
    // starts is waited for (a hung one ends the test by its ctest timeout).
    while (!Answers(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "radicale did not start: " + testsupport::ReadFile(log);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    problem_.clear();
    return true;
}

RadicaleServer::~RadicaleServer() { Stop(); }

void RadicaleServer::Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace exporttest
