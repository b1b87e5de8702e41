// A personal distribution list ("IPM.DistList", MS-OXOCNTC): its name and its
// members, each a one-off entry ID, in the properties Outlook reads. A short
// list keeps its members in two multi-valued lists with a checksum; a list
// whose members pass the size those lists allow keeps them in one stream.
#pragma once

#include <mapi/one_off_entry_id.h>
#include <mapi/property.h>
#include <mapi/tags.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace mapi {

inline constexpr std::string_view kDistListMessageClass = "IPM.DistList";

inline constexpr AddressLid PidLidDistributionListChecksum{0x804C, PropType::Int32};
inline constexpr AddressLid PidLidDistributionListName{0x8053, PropType::Unicode};
inline constexpr AddressLid PidLidDistributionListOneOffMembers{0x8054, PropType::MultipleBinary};
inline constexpr AddressLid PidLidDistributionListMembers{0x8055, PropType::MultipleBinary};
inline constexpr AddressLid PidLidDistributionListStream{0x8064, PropType::Binary};

// Either member list must stay below this many bytes (its values' sizes
// added up); a longer list goes into the stream instead.
inline constexpr size_t kMemberListLimit = 15000;

// The checksum of the member list: the CRC-32 (seed 0, no inversion) run
// over every byte of every value in order.
uint32_t DistributionListChecksum(const MultiBinary& members);

// One member as the stream holds it: its entry ID and its one-off entry ID.
struct MemberEntry {
    Binary entryId;
    Binary oneOff;
    bool operator==(const MemberEntry&) const = default;
};

Binary EncodeDistributionListStream(std::span<const MemberEntry> members);
// The members, or nothing when the stream is damaged (a wrong version, a
// count or size that runs past its end).
std::optional<std::vector<MemberEntry>> DecodeDistributionListStream(const uint8_t* data, size_t size);

// Stores members in props: the two lists and their checksum when both fit,
// else the stream; the form not used is removed. An empty list stores two
// empty lists.
void SetDistributionListMembers(PropertyBag& props, std::span<const OneOffRecipient> members);

// The members props holds: from the stream when there is one, else from the
// one-off list, else from the member list. Entries that are not one-off
// entry IDs (members linked to a contact or a directory entry) are skipped.
std::vector<OneOffRecipient> DistributionListMembers(const PropertyBag& props);

}  // namespace mapi
