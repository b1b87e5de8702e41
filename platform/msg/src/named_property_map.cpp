#include "named_property_map.h"

#include "bytes.h"
#include "layout.h"

#include <mapi/tags.h>

#include <vector>

namespace msg {

namespace {
using namespace mapi::nameid;
constexpr uint16_t kBinary = uint16_t(mapi::PropType::Binary);
}  // namespace

uint16_t NamedPropertyMap::Add(const mapi::NamedProperty& name) {
    if (auto id = IdOf(name)) return *id;
    if (byName_.size() >= kMaxIndex) throw std::invalid_argument("too many named properties");
    uint16_t id = uint16_t(kFirstNamedId + byName_.size());
    byName_[name] = id;
    byId_[id] = name;
    return id;
}

std::optional<uint16_t> NamedPropertyMap::IdOf(const mapi::NamedProperty& name) const {
    auto it = byName_.find(name);
    if (it == byName_.end()) return std::nullopt;
    return it->second;
}

const mapi::NamedProperty* NamedPropertyMap::NameOf(uint16_t id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &it->second;
}

Storage NamedPropertyMap::ToStorage() const {
    std::vector<mapi::Guid> guids;
    auto guidIndex = [&guids](const mapi::Guid& g) -> uint16_t {
        if (g == mapi::kPsMapi) return kGuidIndexPsMapi;
        if (g == mapi::kPsPublicStrings) return kGuidIndexPublicStrings;
        for (size_t i = 0; i < guids.size(); ++i)
            if (guids[i] == g) return uint16_t(kGuidIndexFirstStream + i);
        guids.push_back(g);
        return uint16_t(kGuidIndexFirstStream + guids.size() - 1);
    };
    Storage s;
    std::string entries;
    std::map<uint32_t, std::string> hashStreams;
    for (const auto& [id, name] : byId_) {
        uint16_t gi = guidIndex(name.propertySet);
        uint32_t indexAndKind = (uint32_t(id - kFirstNamedId) << 16) | (uint32_t(gi) << 1);  // kind 0: numeric
        std::string entry(kEntrySize, '\0');
        Put32(entry, nameEntry::kNameOrOffset, name.lid);
        Put32(entry, nameEntry::kIndexAndKind, indexAndKind);
        entries += entry;
        uint32_t streamId = kFirstBucketId + ((name.lid ^ (uint32_t(gi) << 1)) % nameEntry::kHashBuckets);
        hashStreams[streamId] += entry;
    }
    std::string guidBytes;
    for (const auto& g : guids) guidBytes.append(reinterpret_cast<const char*>(g.data()), g.size());
    s.streams[SubstgName(kGuidStreamId, kBinary)] = guidBytes;
    s.streams[SubstgName(kEntryStreamId, kBinary)] = entries;
    s.streams[SubstgName(kStringStreamId, kBinary)] = std::string();
    for (auto& [streamId, bytes] : hashStreams) s.streams[SubstgName(uint16_t(streamId), kBinary)] = std::move(bytes);
    return s;
}

NamedPropertyMap NamedPropertyMap::FromStorage(const Storage& storage) {
    NamedPropertyMap map;
    auto stream = [&storage](uint16_t id) -> std::string_view {
        auto it = storage.streams.find(SubstgName(id, kBinary));
        return it == storage.streams.end() ? std::string_view() : std::string_view(it->second);
    };
    std::string_view guids = stream(kGuidStreamId), entries = stream(kEntryStreamId);
    for (size_t at = 0; at + kEntrySize <= entries.size(); at += kEntrySize) {
        uint32_t nameOrOffset = Get32(entries, at + nameEntry::kNameOrOffset);
        uint32_t indexAndKind = Get32(entries, at + nameEntry::kIndexAndKind);
        if (indexAndKind & kKindString) continue;  // string name: not part of the property model
        uint16_t gi = uint16_t((indexAndKind & 0xFFFF) >> 1);
        uint16_t id = uint16_t(kFirstNamedId + (indexAndKind >> 16));
        mapi::NamedProperty name;
        name.lid = nameOrOffset;
        if (gi == kGuidIndexPsMapi) name.propertySet = mapi::kPsMapi;
        else if (gi == kGuidIndexPublicStrings) name.propertySet = mapi::kPsPublicStrings;
        else {
            size_t off = size_t(gi - kGuidIndexFirstStream) * 16;
            if (gi < kGuidIndexFirstStream || off + 16 > guids.size()) continue;
            for (size_t k = 0; k < 16; ++k) name.propertySet[k] = uint8_t(guids[off + k]);
        }
        map.byName_[name] = id;
        map.byId_[id] = name;
    }
    return map;
}

}  // namespace msg
