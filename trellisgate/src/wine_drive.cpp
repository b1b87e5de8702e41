#include <base/ascii.h>
#include <trellisgate/wine_drive.h>

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

namespace trellisgate {

namespace {

std::optional<std::filesystem::path> FindEntry(const std::filesystem::path& dir, std::string_view name) {
    std::error_code ec;
    const auto exact = dir / std::string(name);
    if (std::filesystem::exists(exact, ec)) return exact;
    std::vector<std::string> matches;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (base::EqualsIgnoringAsciiCase(entry, name)) matches.push_back(entry);
    }
    if (matches.empty()) return std::nullopt;
    return dir / *std::min_element(matches.begin(), matches.end());
}

}  // namespace

std::filesystem::path DriveRoot(const std::filesystem::path& prefix, char letter) {
    letter = base::AsciiLower(letter);
    if (letter == 'c') return prefix / "drive_c";
    return prefix / "dosdevices" / (std::string(1, letter) + ":");
}

std::optional<std::filesystem::path> FindDosFile(const std::filesystem::path& prefix, std::string_view dosPath) {
    if (dosPath.size() < 2 || dosPath[1] != ':') return std::nullopt;
    std::filesystem::path current = DriveRoot(prefix, dosPath[0]);
    std::string_view rest = dosPath.substr(2);
    while (!rest.empty()) {
        const size_t sep = rest.find('\\');
        const std::string_view name = rest.substr(0, sep);
        rest = sep == std::string_view::npos ? std::string_view{} : rest.substr(sep + 1);
        if (name.empty() || name == ".") continue;
        if (name == "..") return std::nullopt;
        auto next = FindEntry(current, name);
        if (!next) return std::nullopt;
        current = std::move(*next);
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(current, ec)) return std::nullopt;
    return current;
}

}  // namespace trellisgate
