#include <notesapi/lnids.h>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of text when it is exactly out.size() * 2 hexadecimal digits.
template <size_t N>
bool ParseHex(std::string_view text, std::array<uint8_t, N>* out) {
    if (text.size() != 2 * N) return false;
    for (size_t i = 0; i < N; ++i) {
        const int hi = HexDigit(text[2 * i]), lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*out)[i] = uint8_t(hi << 4 | lo);
    }
    return true;
}

template <size_t N>
std::string HexText(const std::array<uint8_t, N>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(2 * N);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

}  // namespace

LNUniversalID::LNUniversalID(std::string_view text) { null_ = !ParseHex(text, &bytes_); }

LNString LNUniversalID::GetText() const { return null_ ? LNString() : LNString(HexText(bytes_)); }

LNReplicaID::LNReplicaID(std::string_view text) {
    std::array<uint8_t, 8> bytes{};
    if (ParseHex(text, &bytes)) text_ = HexText(bytes);
}
