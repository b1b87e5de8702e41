// What a writer killed mid-way leaves behind: runs work in a child process
// and kills it (SIGKILL) a while after it says it got far enough.
#pragma once

#include <chrono>
#include <functional>

namespace testsupport {

// work runs in the child and calls ready() once it has done enough; it is
// meant to run until killed. The child is killed delay after ready() and
// waited for. False when the child could not be started or ended without
// calling ready() (then it is not killed).
bool RunAndKill(const std::function<void(const std::function<void()>& ready)>& work, std::chrono::microseconds delay);

}  // namespace testsupport
