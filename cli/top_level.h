// The outermost frame of ferrywell-cli: whatever a command throws that its
// own code did not handle is printed, and the tool exits with kUnexpected
// instead of aborting.
#pragma once

#include <notes/failure_text.h>

#include <iostream>

namespace cli {

inline constexpr int kUnexpected = 6;

// Runs command (a callable returning the exit status) and returns its status;
// a throw prints "ferrywell-cli: <what>" on the standard error and gives
// kUnexpected.
template <class Command>
int RunTopLevel(Command&& command) noexcept {
    try {
        return command();
    } catch (...) {
        std::string what = notes::CurrentFailureText();
        try {
            std::cout.flush();
            std::cerr << "ferrywell-cli: " << what << '\n';
        } catch (...) {
        }
        return kUnexpected;
    }
}

}  // namespace cli
