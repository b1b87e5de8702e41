#include "prefix_runner.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace trellisgate_test {

namespace {

constexpr uid_t kNobody = 65534;

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A file that collects one output stream of the child.
class Capture {
public:
    Capture() {
        std::string pattern = (fs::temp_directory_path() / "trellisgate-out-XXXXXX").string();
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) throw std::runtime_error("mkstemp failed");
        path_ = pattern;
    }
    ~Capture() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    std::string Text() const { return Slurp(path_); }

private:
    int fd_ = -1;
    fs::path path_;
};

}  // namespace

TempPrefix::TempPrefix() {
    std::string pattern = (fs::temp_directory_path() / "trellisgate-prefix-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
    ::chmod(root_.c_str(), 0755);
}

TempPrefix::~TempPrefix() {
    std::error_code ec;
    fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root_, ec);
}

void TempPrefix::Write(const fs::path& relative, const std::string& content) const {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative, std::ios::binary) << content;
}

std::string TempPrefix::Read(const fs::path& relative) const {
    return Slurp(root_ / relative);
}

RunResult RunTrellisgate(const fs::path& prefix, As as) {
    std::string program = std::string(FERRYWELL_BIN_DIR) + "/trellisgate";
    const bool dropPrivileges = as == As::UnprivilegedUser && ::geteuid() == 0;
    // The build tree may sit in a folder the unprivileged user cannot enter
    // (root's home), so that user runs a copy.
    std::optional<TempPrefix> programCopy;
    if (dropPrivileges) {
        programCopy.emplace();
        fs::copy_file(program, programCopy->root() / "trellisgate");
        program = (programCopy->root() / "trellisgate").string();
    }
    const bool lockFolder = as == As::UnprivilegedUser && !dropPrivileges;
    if (lockFolder) ::chmod(prefix.c_str(), 0555);

    Capture out, err;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out.fd(), STDOUT_FILENO);
        ::dup2(err.fd(), STDERR_FILENO);
        if (dropPrivileges && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(120);
        }
        ::setenv("WINEPREFIX", prefix.c_str(), 1);
        ::alarm(60);
        ::execl(program.c_str(), "trellisgate", static_cast<char*>(nullptr));
        ::_exit(121);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    if (lockFolder) ::chmod(prefix.c_str(), 0755);
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = out.Text();
    result.err = err.Text();
    result.maxRssKb = usage.ru_maxrss;
    return result;
}

std::string Hive(const std::string& sections) {
    return "WINE REGISTRY Version 2\n"
           ";; All keys relative to \\\\User\\\\S-1-5-21-1417394621-3172521633-1870284524-1000\n"
           "\n#arch=win64\n" +
           sections;
}

}  // namespace trellisgate_test
