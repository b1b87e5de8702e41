#include <mapi/distribution_list.h>

#include <base/crc32.h>

namespace mapi {

namespace {

constexpr uint16_t kStreamVersion = 1;
// The business card format version (3.0) the stream says it was written with:
// major times 10,000 plus minor.
constexpr uint32_t kBuildVersion = 3 * 10000 + 0;
constexpr size_t kStreamHeaderSize = 28;
constexpr size_t kStreamTerminatorSize = 8;

void Put16(Binary& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(Binary& out, uint32_t v) {
    Put16(out, uint16_t(v));
    Put16(out, uint16_t(v >> 16));
}

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

size_t TotalSize(const MultiBinary& values) {
    size_t n = 0;
    for (const auto& v : values) n += v.size();
    return n;
}

void AppendMembers(const MultiBinary& values, std::vector<OneOffRecipient>& out) {
    for (const auto& v : values)
        if (auto r = DecodeOneOffEntryId(v)) out.push_back(std::move(*r));
}

}  // namespace

uint32_t DistributionListChecksum(const MultiBinary& members) {
    uint32_t crc = 0;
    for (const auto& value : members) crc = base::Crc32(value.data(), value.size(), crc);
    return crc;
}

Binary EncodeDistributionListStream(std::span<const MemberEntry> members) {
    size_t entryIds = 0, oneOffs = 0;
    for (const auto& m : members) {
        entryIds += m.entryId.size();
        oneOffs += m.oneOff.size();
    }
    Binary out;
    out.reserve(kStreamHeaderSize + entryIds + oneOffs + 12 * members.size() + kStreamTerminatorSize);
    Put16(out, kStreamVersion);
    Put16(out, 0);
    Put32(out, kBuildVersion);
    Put32(out, 0);  // flags: none
    Put32(out, uint32_t(members.size()));
    Put32(out, uint32_t(entryIds));
    Put32(out, uint32_t(oneOffs));
    Put32(out, 0);  // no extra member information
    for (const auto& m : members) {
        Put32(out, uint32_t(m.entryId.size()));
        out.insert(out.end(), m.entryId.begin(), m.entryId.end());
        Put32(out, uint32_t(m.oneOff.size()));
        out.insert(out.end(), m.oneOff.begin(), m.oneOff.end());
        Put32(out, 0);
    }
    Put32(out, 0);
    Put32(out, 0);
    return out;
}

std::optional<std::vector<MemberEntry>> DecodeDistributionListStream(const uint8_t* data, size_t size) {
    if (!data || size < kStreamHeaderSize || (data[0] | data[1] << 8) != kStreamVersion) return std::nullopt;
    const uint32_t count = Get32(data + 12);
    size_t at = kStreamHeaderSize;
    // Every entry takes at least its three size fields: a count beyond what
    // the bytes can hold is damage, not a reason to reserve memory.
    if (count > (size - at) / 12) return std::nullopt;
    auto take = [&](Binary* into) {
        if (size - at < 4) return false;
        const uint32_t n = Get32(data + at);
        at += 4;
        if (n > size - at) return false;
        if (into) into->assign(data + at, data + at + n);
        at += n;
        return true;
    };
    std::vector<MemberEntry> members(count);
    for (auto& m : members)
        if (!take(&m.entryId) || !take(&m.oneOff) || !take(nullptr)) return std::nullopt;
    return members;
}

void SetDistributionListMembers(PropertyBag& props, std::span<const OneOffRecipient> members) {
    MultiBinary entries;
    entries.reserve(members.size());
    for (const auto& m : members) entries.push_back(EncodeOneOffEntryId(m));
    const PropertyKey list = PidLidDistributionListMembers.Key(), oneOffs = PidLidDistributionListOneOffMembers.Key(),
                      checksum = PidLidDistributionListChecksum.Key(), stream = PidLidDistributionListStream.Key();
    if (TotalSize(entries) < kMemberListLimit) {
        props.Erase(stream);
        props.Set(checksum, int32_t(DistributionListChecksum(entries)));
        props.Set(oneOffs, entries);
        props.Set(list, std::move(entries));
        return;
    }
    std::vector<MemberEntry> both;
    both.reserve(entries.size());
    for (auto& e : entries) both.push_back({e, e});
    props.Erase(list);
    props.Erase(oneOffs);
    props.Erase(checksum);
    props.Set(stream, EncodeDistributionListStream(both));
}

std::vector<OneOffRecipient> DistributionListMembers(const PropertyBag& props) {
    std::vector<OneOffRecipient> out;
    if (const Binary* stream = props.GetBinary(PidLidDistributionListStream.Key())) {
        if (auto entries = DecodeDistributionListStream(stream->data(), stream->size())) {
            for (const auto& e : *entries) {
                auto r = DecodeOneOffEntryId(e.oneOff);
                if (!r) r = DecodeOneOffEntryId(e.entryId);
                if (r) out.push_back(std::move(*r));
            }
            return out;
        }
    }
    for (const auto& lid : {PidLidDistributionListOneOffMembers, PidLidDistributionListMembers}) {
        if (const MultiBinary* values = props.GetMultiBinary(lid.Key())) {
            AppendMembers(*values, out);
            if (!out.empty()) return out;
        }
    }
    return out;
}

}  // namespace mapi
