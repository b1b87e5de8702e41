// One-off entry IDs (MS-OXCDATA): a recipient that lives in no address book,
// carried whole in its entry ID as a display name, an address type and an
// address. Distribution lists keep their plain e-mail members this way.
#pragma once

#include <mapi/property.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mapi {

struct OneOffRecipient {
    std::string displayName;
    std::string addressType;  // "SMTP" for Internet addresses
    std::string address;
    bool operator==(const OneOffRecipient&) const = default;
};

// The provider UID every one-off entry ID starts with (after four flag bytes).
extern const Guid kOneOffProviderUid;

// The entry ID with UTF-16 strings and the "send as MIME" flag. A NUL
// character inside a text would end it early on reading, so it is left out.
Binary EncodeOneOffEntryId(const OneOffRecipient& recipient);

// The recipient, or nothing when the bytes are not a one-off entry ID (another
// provider, too short, or a text without its terminator). Reads both the
// UTF-16 and the 8-bit form (taken as Latin-1).
std::optional<OneOffRecipient> DecodeOneOffEntryId(const uint8_t* data, size_t size);
inline std::optional<OneOffRecipient> DecodeOneOffEntryId(const Binary& bytes) {
    return DecodeOneOffEntryId(bytes.data(), bytes.size());
}

}  // namespace mapi
