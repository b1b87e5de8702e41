#include <carddav/resource_name.h>

#include <base/hash.h>

#include <cstdio>

namespace carddav {

namespace {

// Spreads every bit of x over the whole word (SplitMix64's finaliser): ids
// that differ in their last digit give names that differ throughout.
uint64_t Mixed(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

std::string StableUid(std::string_view database, std::string_view unid) {
    // Two differently seeded 64-bit hashes of the pair give the 128 bits.
    std::string key = std::string(database) + '\n' + std::string(unid);
    uint64_t hi = Mixed(base::Fnv1a64(key));
    uint64_t lo = Mixed(base::Fnv1a64(key, 0x84222325CBF29CE4ull ^ hi));
    hi = (hi & ~0xF000ull) | 0x8000ull;                             // version 8
    lo = (lo & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;      // RFC 9562 variant
    char text[37];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", unsigned(hi >> 32), unsigned((hi >> 16) & 0xFFFF),
                  unsigned(hi & 0xFFFF), unsigned(lo >> 48), (unsigned long long)(lo & 0xFFFFFFFFFFFFull));
    return text;
}

std::string ResourceName(std::string_view uid) { return std::string(uid) + ".vcf"; }

std::string WithUid(std::string_view vcard, std::string_view uid) {
    const std::string line = "UID:" + std::string(uid) + "\r\n";
    std::string out;
    bool placed = false;
    size_t at = 0;
    while (at < vcard.size()) {
        size_t end = vcard.find('\n', at);
        end = end == std::string_view::npos ? vcard.size() : end + 1;
        const std::string_view current = vcard.substr(at, end - at);
        at = end;
        if (current.rfind("UID:", 0) == 0 || current.rfind("UID;", 0) == 0) continue;
        out += current;
        if (!placed && (current.rfind("VERSION:", 0) == 0)) {
            out += line;
            placed = true;
        }
    }
    if (!placed) {
        const size_t begin = out.find('\n');
        out.insert(begin == std::string::npos ? out.size() : begin + 1, line);
    }
    return out;
}

}  // namespace carddav
