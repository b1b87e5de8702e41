#include <carddav/card_content.h>

#include <base/hash.h>

#include <algorithm>
#include <string>
#include <vector>

namespace carddav {

namespace {

// The content lines, unfolded (RFC 6350 section 3.2), without line ends.
std::vector<std::string> Lines(std::string_view card) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < card.size()) {
        size_t end = card.find('\n', at);
        if (end == std::string_view::npos) end = card.size();
        std::string_view line = card.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!line.empty() && (line.front() == ' ' || line.front() == '\t') && !lines.empty())
            lines.back() += line.substr(1);
        else if (!line.empty())
            lines.emplace_back(line);
        at = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

uint64_t ContentDigest(std::string_view bytes) { return base::Fnv1a64(bytes); }

bool SameCard(std::string_view a, std::string_view b) { return Lines(a) == Lines(b); }

std::string AsContactGroup(std::string_view vcard, const std::vector<std::string>& memberUids, bool vcard4) {
    const std::string prefix = vcard4 ? "" : "X-ADDRESSBOOKSERVER-";
    std::string lines = prefix + "KIND:group\r\n";
    for (const std::string& uid : memberUids) lines += prefix + "MEMBER:urn:uuid:" + uid + "\r\n";
    std::string out(vcard);
    constexpr std::string_view kVersion3 = "\r\nVERSION:3.0\r\n";
    if (const size_t version = out.find(kVersion3); vcard4 && version != std::string::npos)
        out.replace(version, kVersion3.size(), "\r\nVERSION:4.0\r\n");
    const size_t end = out.rfind("END:VCARD");
    out.insert(end == std::string::npos ? out.size() : end, lines);
    return out;
}

}  // namespace carddav
