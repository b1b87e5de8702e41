// PST exports killed part way, at a point the test chooses: what they leave
// committed is what a resumed export starts from.
#pragma once

#include <cstddef>
#include <string>

namespace exporttest {

// The items of every folder of a PST as committed, read with the PST
// library; 0 when it cannot be read yet.
size_t CommittedContacts(const std::string& path);

// Runs a PST export (a shell command that execs ferrywell-cli writing one
// new PST into folder) reading its log, and kills it once a commit of the PST
// holds at least count contacts. Gives the contacts the killed export left
// committed (0 when it made no PST).
size_t KillOnceCommitted(const std::string& command, const std::string& folder, size_t count);

}  // namespace exporttest
