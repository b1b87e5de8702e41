#include "name_map.h"

#include "crc.h"

#include <pst/error.h>

namespace pst {

namespace {
constexpr uint16_t kBucketCount = 251;
constexpr uint16_t kTagBucketCount = 0x0001, kTagGuids = 0x0002, kTagEntries = 0x0003, kTagStrings = 0x0004;
constexpr uint16_t kTagFirstBucket = 0x1000;

const Bytes* BinaryOf(const PropMap& props, uint16_t id) {
    auto it = props.find(id);
    if (it == props.end()) return nullptr;
    return std::get_if<mapi::Binary>(&it->second.value);
}
}  // namespace

void NameMap::Load(const PropMap& props) {
    guids_.clear();
    entries_.clear();
    strings_.clear();
    ids_.clear();
    names_.clear();
    nextIndex_ = 0;
    if (auto* g = BinaryOf(props, kTagGuids)) guids_ = *g;
    if (auto* s = BinaryOf(props, kTagStrings)) strings_ = *s;
    if (auto* e = BinaryOf(props, kTagEntries)) entries_ = *e;
    guids_.resize(guids_.size() / 16 * 16);
    entries_.resize(entries_.size() / 8 * 8);
    for (size_t at = 0; at < entries_.size(); at += 8) {
        const uint8_t* p = &entries_[at];
        uint32_t lid = Get32(p);
        uint16_t guidAndKind = Get16(p + 4);
        uint16_t index = Get16(p + 6);
        nextIndex_ = std::max<uint16_t>(nextIndex_, uint16_t(index + 1));
        if (guidAndKind & 1) continue;  // named by string: kept as it is
        uint16_t wGuid = guidAndKind >> 1;
        mapi::Guid guid{};
        if (wGuid == 1) guid = mapi::kPsMapi;
        else if (wGuid == 2) guid = mapi::kPsPublicStrings;
        else if (wGuid >= 3 && size_t(wGuid - 3) * 16 + 16 <= guids_.size())
            std::copy(&guids_[size_t(wGuid - 3) * 16], &guids_[size_t(wGuid - 3) * 16] + 16, guid.begin());
        else continue;
        mapi::NamedProperty name{guid, lid};
        uint16_t id = uint16_t(0x8000 + index);
        ids_[name] = id;
        names_[id] = name;
    }
    dirty_ = false;
}

uint16_t NameMap::GuidIndex(const mapi::Guid& g) {
    if (g == mapi::kPsMapi) return 1;
    if (g == mapi::kPsPublicStrings) return 2;
    for (size_t at = 0; at < guids_.size(); at += 16)
        if (std::equal(g.begin(), g.end(), &guids_[at])) return uint16_t(3 + at / 16);
    AppendBytes(guids_, g.data(), 16);
    return uint16_t(3 + guids_.size() / 16 - 1);
}

uint16_t NameMap::IdFor(const mapi::NamedProperty& name) {
    if (auto id = Find(name)) return *id;
    if (nextIndex_ >= 0x7FFF) throw PstError(ErrorKind::InvalidArgument, "Too many named properties in one store");
    uint16_t index = nextIndex_++;
    Append32(entries_, name.lid);
    Append16(entries_, uint16_t(GuidIndex(name.propertySet) << 1));
    Append16(entries_, index);
    uint16_t id = uint16_t(0x8000 + index);
    ids_[name] = id;
    names_[id] = name;
    dirty_ = true;
    return id;
}

void NameMap::EnsureStringName(const mapi::Guid& set, const std::string& name) {
    if (!strings_.empty()) return;
    if (nextIndex_ >= 0x7FFF) throw PstError(ErrorKind::InvalidArgument, "Too many named properties in one store");
    // String stream entries: byte length, UTF-16LE text, padded to four bytes.
    const std::u16string text = mapi::Utf8ToUtf16(name);
    const uint32_t offset = uint32_t(strings_.size());
    Append32(strings_, uint32_t(2 * text.size()));
    for (char16_t c : text) Append16(strings_, uint16_t(c));
    strings_.resize((strings_.size() + 3) / 4 * 4, 0);
    Append32(entries_, offset);
    Append16(entries_, uint16_t(GuidIndex(set) << 1 | 1));
    Append16(entries_, nextIndex_++);
    dirty_ = true;
}

std::optional<uint16_t> NameMap::Find(const mapi::NamedProperty& name) const {
    auto it = ids_.find(name);
    if (it == ids_.end()) return std::nullopt;
    return it->second;
}

std::optional<mapi::NamedProperty> NameMap::NameOf(uint16_t id) const {
    auto it = names_.find(id);
    if (it == names_.end()) return std::nullopt;
    return it->second;
}

PropMap NameMap::Encode() const {
    using mapi::PropType;
    PropMap p;
    p[kTagBucketCount] = {PropType::Int32, int32_t(kBucketCount)};
    p[kTagGuids] = {PropType::Binary, guids_};
    p[kTagEntries] = {PropType::Binary, entries_};
    p[kTagStrings] = {PropType::Binary, strings_};
    std::vector<Bytes> buckets(kBucketCount);
    for (size_t at = 0; at < entries_.size(); at += 8) {
        const uint8_t* e = &entries_[at];
        uint32_t key = Get32(e);
        uint16_t guidAndKind = Get16(e + 4);
        if (guidAndKind & 1) {
            // String names hash by the checksum of the name's UTF-16 text.
            if (size_t(key) + 4 > strings_.size()) continue;
            uint32_t len = Get32(&strings_[key]);
            if (size_t(key) + 4 + len > strings_.size()) continue;
            key = Crc32(&strings_[key + 4], len);
        }
        uint32_t hash = key ^ guidAndKind;
        Bytes& b = buckets[hash % kBucketCount];
        Append32(b, key);
        Append16(b, guidAndKind);
        Append16(b, Get16(e + 6));
    }
    for (uint16_t i = 0; i < kBucketCount; ++i)
        if (!buckets[i].empty()) p[uint16_t(kTagFirstBucket + i)] = {PropType::Binary, buckets[i]};
    return p;
}

}  // namespace pst
