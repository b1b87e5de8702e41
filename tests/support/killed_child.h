// Work in a child process: killed (SIGKILL) a while after it says it got far
// enough, to see what a writer killed mid-way leaves behind; or run to its
// end, for work that changes the process (limits, signals) or may die.
#pragma once

#include <chrono>
#include <functional>

namespace testsupport {

// work runs in the child and calls ready() once it has done enough; it is
// meant to run until killed. The child is killed delay after ready() and
// waited for. False when the child could not be started or ended without
// calling ready() (then it is not killed).
bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, std::chrono::microseconds delay);

// Runs work in a child and gives the status the child exits with: what work
// returns (125 when it throws), or -1 when the child could not be started or
// did not exit normally.
int ExitStatusInChild(const std::function<int()>& work);

}  // namespace testsupport
