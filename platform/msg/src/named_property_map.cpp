#include "named_property_map.h"

#include "layout.h"

#include <base/little_endian.h>

#include <mapi/tags.h>

#include <array>
#include <vector>

namespace msg {

namespace {
using namespace mapi::nameid;
constexpr uint16_t kBinary = uint16_t(mapi::PropType::Binary);

// The CRC-32 that string names hash by: the reflected polynomial 0xEDB88320
// with neither pre- nor post-inversion, over the name's UTF-16LE bytes.
uint32_t NameChecksum(std::string_view utf16le) {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (char b : utf16le) crc = table[(crc ^ uint8_t(b)) & 0xFF] ^ (crc >> 8);
    return crc;
}

std::string Utf16le(const std::string& utf8) {
    std::string out;
    for (char16_t c : mapi::Utf8ToUtf16(utf8)) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}
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
    std::string entries, strings;
    std::map<uint32_t, std::string> hashStreams;
    for (const auto& [id, name] : byId_) {
        const uint16_t gi = guidIndex(name.propertySet);
        const uint32_t kind = name.IsString() ? kKindString : 0;
        const uint32_t indexAndKind = (uint32_t(id - kFirstNamedId) << 16) | (uint32_t(gi) << 1) | kind;
        // The entry names the property by its LID, or by the offset of its
        // name in the string stream; the hash streams by its LID or the
        // name's checksum.
        uint32_t key = name.lid, hashKey = name.lid;
        if (name.IsString()) {
            const std::string text = Utf16le(name.name);
            key = uint32_t(strings.size());
            hashKey = NameChecksum(text);
            std::string length(4, '\0');
            base::Put32(length, 0, uint32_t(text.size()));
            strings += length + text;
            strings.resize((strings.size() + 3) / 4 * 4, '\0');
        }
        std::string entry(kEntrySize, '\0');
        base::Put32(entry, nameEntry::kNameOrOffset, key);
        base::Put32(entry, nameEntry::kIndexAndKind, indexAndKind);
        entries += entry;
        base::Put32(entry, nameEntry::kNameOrOffset, hashKey);
        const uint32_t streamId = kFirstBucketId + ((hashKey ^ ((uint32_t(gi) << 1) | kind)) % nameEntry::kHashBuckets);
        hashStreams[streamId] += entry;
    }
    std::string guidBytes;
    for (const auto& g : guids) guidBytes.append(reinterpret_cast<const char*>(g.data()), g.size());
    s.streams[SubstgName(kGuidStreamId, kBinary)] = guidBytes;
    s.streams[SubstgName(kEntryStreamId, kBinary)] = entries;
    s.streams[SubstgName(kStringStreamId, kBinary)] = strings;
    for (auto& [streamId, bytes] : hashStreams) s.streams[SubstgName(uint16_t(streamId), kBinary)] = std::move(bytes);
    return s;
}

NamedPropertyMap NamedPropertyMap::FromStorage(const Storage& storage) {
    NamedPropertyMap map;
    auto stream = [&storage](uint16_t id) -> std::string_view {
        auto it = storage.streams.find(SubstgName(id, kBinary));
        return it == storage.streams.end() ? std::string_view() : std::string_view(it->second);
    };
    std::string_view guids = stream(kGuidStreamId), entries = stream(kEntryStreamId), strings = stream(kStringStreamId);
    for (size_t at = 0; at + kEntrySize <= entries.size(); at += kEntrySize) {
        uint32_t nameOrOffset = base::Get32(entries, at + nameEntry::kNameOrOffset);
        uint32_t indexAndKind = base::Get32(entries, at + nameEntry::kIndexAndKind);
        uint16_t gi = uint16_t((indexAndKind & 0xFFFF) >> 1);
        uint16_t id = uint16_t(kFirstNamedId + (indexAndKind >> 16));
        mapi::NamedProperty name;
        if (indexAndKind & kKindString) {
            if (size_t(nameOrOffset) + 4 > strings.size()) continue;
            const uint32_t bytes = base::Get32(strings, nameOrOffset);
            if (bytes == 0 || bytes > strings.size() - nameOrOffset - 4) continue;
            std::u16string text;
            for (size_t k = 0; k + 1 < bytes; k += 2) text.push_back(char16_t(base::Get16(strings, nameOrOffset + 4 + k)));
            name.name = mapi::Utf16ToUtf8(text);
        } else {
            name.lid = nameOrOffset;
        }
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
