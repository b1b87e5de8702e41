// Where the password for a server comes from: the environment variable
// FERRYWELL_PASSWORD, else the user's ~/.netrc entry for the host. Never
// from the command line, where other users could read it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace carddav {

inline constexpr const char* kPasswordVariable = "FERRYWELL_PASSWORD";

// The password of the netrc text's entry for host and user: a "machine"
// entry of the host whose login is user (or that has no login), else the
// "default" entry.
std::optional<std::string> NetrcPassword(std::string_view netrc, const std::string& host, const std::string& user);

// The password for user at host, and in *source where it came from
// ("FERRYWELL_PASSWORD", "~/.netrc"); nothing when neither has one. A
// netrc that other users may read is not used (*source then says so).
std::optional<std::string> FindPassword(const std::string& host, const std::string& user, std::string* source);

}  // namespace carddav
