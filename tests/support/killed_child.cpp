#include "killed_child.h"

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, std::chrono::microseconds delay) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        ::close(pipeFds[0]);
        try {
            work([&] { (void)!::write(pipeFds[1], "x", 1); });
        } catch (...) {
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    char x;
    const bool ready = ::read(pipeFds[0], &x, 1) == 1;
    ::close(pipeFds[0]);
    if (ready) {
        std::this_thread::sleep_for(delay);
        ::kill(child, SIGKILL);
    }
    ::waitpid(child, nullptr, 0);
    return ready;
}

int ExitStatusInChild(const std::function<int()>& work, long* peakKiB) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        int code = 125;
        try {
            code = work();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    struct rusage usage {};
    if (::wait4(child, &status, 0, &usage) != child) return -1;
    if (peakKiB) *peakKiB = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

PipedCommand::PipedCommand(const std::string& shellCommand) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl("/bin/sh", "sh", "-c", shellCommand.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
        ::close(fds[0]);
        return;
    }
    // The smallest pipe there is (a page): the command runs as little ahead
    // of the test as it can.
    ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
    out_ = ::fdopen(fds[0], "r");
}

PipedCommand::~PipedCommand() {
    Kill();
    if (out_) std::fclose(out_);
}

std::optional<std::string> PipedCommand::ReadLine() {
    if (!out_) return std::nullopt;
    std::string line;
    for (int c; (c = std::fgetc(out_)) != EOF;) {
        if (c == '\n') return line;
        line += char(c);
    }
    if (line.empty()) return std::nullopt;
    return line;
}

void PipedCommand::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    Wait();
}

int PipedCommand::Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    const bool waited = ::waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
