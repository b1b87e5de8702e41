#include "named_property_map.h"

#include "compound_file_format.h"
#include "stream_names.h"

#include <vector>

namespace msg {

namespace {
constexpr uint16_t kFirstNamedId = 0x8000;
constexpr uint16_t kGuidIndexPsMapi = 1;
constexpr uint16_t kGuidIndexPublicStrings = 2;
constexpr uint16_t kFirstGuidStreamIndex = 3;
constexpr uint32_t kHashStreamCount = 0x1F;
}  // namespace

uint16_t NamedPropertyMap::Add(const mapi::NamedProperty& name) {
    if (auto id = IdOf(name)) return *id;
    if (byName_.size() >= 0x7FFF) throw std::invalid_argument("too many named properties");
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
            if (guids[i] == g) return uint16_t(kFirstGuidStreamIndex + i);
        guids.push_back(g);
        return uint16_t(kFirstGuidStreamIndex + guids.size() - 1);
    };
    Storage s;
    std::string entries;
    std::map<uint32_t, std::string> hashStreams;
    for (const auto& [id, name] : byId_) {
        uint16_t gi = guidIndex(name.propertySet);
        uint32_t indexAndKind = (uint32_t(id - kFirstNamedId) << 16) | (uint32_t(gi) << 1);  // kind 0: numeric
        std::string entry(8, '\0');
        cfb::Put32(entry, 0, name.lid);
        cfb::Put32(entry, 4, indexAndKind);
        entries += entry;
        uint32_t streamId = 0x1000 + ((name.lid ^ (uint32_t(gi) << 1)) % kHashStreamCount);
        hashStreams[streamId] += entry;
    }
    std::string guidBytes;
    for (const auto& g : guids) guidBytes.append(reinterpret_cast<const char*>(g.data()), g.size());
    s.streams[SubstgName(0x0002, 0x0102)] = guidBytes;
    s.streams[SubstgName(0x0003, 0x0102)] = entries;
    s.streams[SubstgName(0x0004, 0x0102)] = std::string();
    for (auto& [streamId, bytes] : hashStreams) s.streams[SubstgName(uint16_t(streamId), 0x0102)] = std::move(bytes);
    return s;
}

NamedPropertyMap NamedPropertyMap::FromStorage(const Storage& storage) {
    NamedPropertyMap map;
    auto stream = [&storage](uint16_t id) -> std::string_view {
        auto it = storage.streams.find(SubstgName(id, 0x0102));
        return it == storage.streams.end() ? std::string_view() : std::string_view(it->second);
    };
    std::string_view guids = stream(0x0002), entries = stream(0x0003);
    for (size_t at = 0; at + 8 <= entries.size(); at += 8) {
        uint32_t nameOrOffset = cfb::Get32(entries, at);
        uint32_t indexAndKind = cfb::Get32(entries, at + 4);
        if (indexAndKind & 1) continue;  // string name: not part of the property model
        uint16_t gi = uint16_t((indexAndKind & 0xFFFF) >> 1);
        uint16_t id = uint16_t(kFirstNamedId + (indexAndKind >> 16));
        mapi::NamedProperty name;
        name.lid = nameOrOffset;
        if (gi == kGuidIndexPsMapi) name.propertySet = mapi::kPsMapi;
        else if (gi == kGuidIndexPublicStrings) name.propertySet = mapi::kPsPublicStrings;
        else {
            size_t off = size_t(gi - kFirstGuidStreamIndex) * 16;
            if (gi < kFirstGuidStreamIndex || off + 16 > guids.size()) continue;
            for (size_t k = 0; k < 16; ++k) name.propertySet[k] = uint8_t(guids[off + k]);
        }
        map.byName_[name] = id;
        map.byId_[id] = name;
    }
    return map;
}

}  // namespace msg
