// A hive file in Wine's registry text format ("WINE REGISTRY Version 2"),
// kept as the original bytes only: every question walks the text again, so a
// hive takes no more memory than its size, and a change rewrites only the
// bytes of the value it touches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

// Registry value types.
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;

struct HiveValue {
    std::string name;           // UTF-8; empty for the key's default value ("@")
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;  // as the registry stores it: strings are UTF-16LE with terminator
    size_t begin = 0;           // byte range of the value's record in the file,
    size_t end = 0;             // continuation lines and the final line end included
};

class HiveDocument {
public:
    // An empty hive, as for a prefix without a user.reg yet.
    HiveDocument();

    // Parses hive text. On malformed or truncated text returns nothing and
    // sets `error` to a description naming the line.
    static std::optional<HiveDocument> Parse(std::string text, std::string& error);

    const std::string& Text() const { return text_; }

    // True when the key has a section of its own or is the parent of one.
    bool HasKey(std::string_view name) const;
    // Latest definition of a value, or nothing. Names compare case-insensitively.
    std::optional<HiveValue> FindValue(std::string_view key, std::string_view name) const;

    // The hive text with value `name` of `key` set to a string of `type`
    // (kRegSz or kRegExpandSz). An existing record is replaced in place; a new
    // value goes after the key's last line; a missing key is appended at the
    // end with `unixTime` as its time stamp. Every other byte is kept.
    std::string WithStringValue(std::string_view key, std::string_view name, uint32_t type,
                                std::string_view text, int64_t unixTime) const;

private:
    std::string text_;
};

// The text of a string value (REG_SZ, REG_EXPAND_SZ, or their hex form) as
// UTF-8 without the terminator; nothing for other types.
std::optional<std::string> ValueAsString(const HiveValue& value);

}  // namespace registry
