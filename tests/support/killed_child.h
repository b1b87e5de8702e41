// Work in a child process: killed (SIGKILL) a while after it says it got far
// enough, to see what a writer killed mid-way leaves behind; or run to its
// end, for work that changes the process (limits, signals) or may die.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

// work runs in the child and calls ready() once it has done enough; it is
// meant to run until killed. The child is killed delay after ready() and
// waited for. False when the child could not be started or ended without
// calling ready() (then it is not killed).
bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, std::chrono::microseconds delay);

// Runs work in a child and gives the status the child exits with: what work
// returns (125 when it throws), or -1 when the child could not be started or
// did not exit normally. peakKiB, when given, receives the child's peak
// resident memory (what it shares with this process from the fork included).
int ExitStatusInChild(const std::function<int()>& work, long* peakKiB = nullptr);

// A shell command whose standard output the test reads line by line. The
// command cannot run further ahead of the test than the pipe between them
// (a page) and its own output buffer hold, so the test holds it at a point of
// its choosing by not reading, and can kill it there. Killed (SIGKILL) and
// waited for when destroyed.
class PipedCommand {
public:
    explicit PipedCommand(const std::string& shellCommand);
    ~PipedCommand();
    PipedCommand(const PipedCommand&) = delete;
    PipedCommand& operator=(const PipedCommand&) = delete;

    bool Started() const { return pid_ > 0; }
    // The next line without its line break; none at the end of the output.
    std::optional<std::string> ReadLine();
    // Kills the command and waits for it.
    void Kill();
    // Waits for the command's end: its exit status, or -1 when it did not exit.
    int Wait();

private:
    pid_t pid_ = -1;
    std::FILE* out_ = nullptr;
};

}  // namespace testsupport
