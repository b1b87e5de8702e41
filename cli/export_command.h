// `ferrywell-cli export`: both export forms over the export core.
#pragma once

#include <string>
#include <vector>

namespace cli {

inline constexpr int kUsage = 2, kNotContacts = 3, kCannotOpen = 4, kDestination = 5, kSomeFailed = 1;

// Runs the export described by args (argv after "export"); returns the exit status.
int RunExport(const std::vector<std::string>& args);

}  // namespace cli
