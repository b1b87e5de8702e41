#include <carddav/credentials.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <vector>

namespace carddav {

namespace {

// The netrc's words; a "macdef" takes the lines up to the next empty one.
std::vector<std::string> Words(std::string_view netrc) {
    std::vector<std::string> words;
    std::istringstream in{std::string(netrc)};
    std::string line;
    bool inMacro = false;
    while (std::getline(in, line)) {
        if (inMacro) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) inMacro = false;
            continue;
        }
        std::istringstream lineIn(line);
        for (std::string word; lineIn >> word;) {
            if (word == "macdef") {
                inMacro = true;
                break;
            }
            words.push_back(word);
        }
    }
    return words;
}

struct Entry {
    bool isDefault = false;
    std::string machine, login, password;
};

}  // namespace

std::optional<std::string> NetrcPassword(std::string_view netrc, const std::string& host, const std::string& user) {
    std::vector<Entry> entries;
    const std::vector<std::string> words = Words(netrc);
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        const bool hasValue = i + 1 < words.size();
        if (w == "machine" && hasValue) entries.push_back({false, words[++i], "", ""});
        else if (w == "default") entries.push_back({true, "", "", ""});
        else if (w == "login" && hasValue && !entries.empty()) entries.back().login = words[++i];
        else if (w == "password" && hasValue && !entries.empty()) entries.back().password = words[++i];
        else if (w == "account" && hasValue) ++i;
    }
    auto fits = [&](const Entry& e) { return !e.password.empty() && (e.login.empty() || e.login == user); };
    for (const Entry& e : entries)
        if (!e.isDefault && e.machine == host && fits(e)) return e.password;
    for (const Entry& e : entries)
        if (e.isDefault && fits(e)) return e.password;
    return std::nullopt;
}

std::optional<std::string> FindPassword(const std::string& host, const std::string& user, std::string* source) {
    if (const char* p = std::getenv(kPasswordVariable); p && *p) {
        *source = kPasswordVariable;
        return std::string(p);
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    const std::string path = std::string(home) + "/.netrc";
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (st.st_mode & (S_IRWXG | S_IRWXO)) {
        *source = "~/.netrc is not used while other users may read it (chmod 600 ~/.netrc)";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    // A host written with its IPv6 brackets in the URL stands without them in a netrc.
    std::string bare = host;
    if (bare.size() > 2 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
    auto found = NetrcPassword(text.str(), bare, user);
    if (found) *source = "~/.netrc";
    return found;
}

}  // namespace carddav
