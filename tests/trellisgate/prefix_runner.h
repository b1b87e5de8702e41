// A throw-away Wine prefix and a way to run the real trellisgate program on it.
#pragma once

#include <filesystem>
#include <string>

namespace trellisgate_test {

// What the program prints when it finds no Notes installation.
inline const std::string kNotFound =
    "Lotus Notes not found installed or corrupted. Please install Lotus Notes & re-run conversion Application\n";

class TempPrefix {
public:
    TempPrefix();
    ~TempPrefix();
    TempPrefix(const TempPrefix&) = delete;
    TempPrefix& operator=(const TempPrefix&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path hive() const { return root_ / "user.reg"; }
    // Writes a file below the prefix, creating its folders.
    void Write(const std::filesystem::path& relative, const std::string& content) const;
    std::string Read(const std::filesystem::path& relative) const;

private:
    std::filesystem::path root_;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    long maxRssKb = 0;  // the program's peak resident memory
};

enum class As { CurrentUser, UnprivilegedUser };

// Runs build/bin/trellisgate with WINEPREFIX set to `prefix`. As an
// unprivileged user the prefix is world-readable but writable by its owner
// only, so every write into it is refused; when the tests do not run as root
// the same comes from taking the write permission off the prefix folder.
// A program still running after a minute is killed (exit code -1).
RunResult RunTrellisgate(const std::filesystem::path& prefix, As as = As::CurrentUser);

// A user.reg as Wine writes it, with the given key sections after the header.
std::string Hive(const std::string& sections);

}  // namespace trellisgate_test
