#include "name_map.h"

#include "crc.h"
#include "layout.h"

#include <mapi/tags.h>
#include <pst/error.h>

#include <algorithm>

namespace pst {

namespace {
using namespace nameMap;
using namespace mapi::nameid;

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
    if (auto* g = BinaryOf(props, kGuidStreamId)) guids_ = *g;
    if (auto* s = BinaryOf(props, kStringStreamId)) strings_ = *s;
    if (auto* e = BinaryOf(props, kEntryStreamId)) entries_ = *e;
    guids_.resize(guids_.size() / kGuidSize * kGuidSize);
    entries_.resize(entries_.size() / kEntrySize * kEntrySize);
    for (size_t at = 0; at < entries_.size(); at += kEntrySize) {
        const uint8_t* p = &entries_[at];
        uint32_t lid = Get32(p + kEntryKey);
        uint16_t guidAndKind = Get16(p + kEntryGuidAndKind);
        uint16_t index = Get16(p + kEntryIndex);
        nextIndex_ = std::max<uint16_t>(nextIndex_, uint16_t(index + 1));
        if (guidAndKind & kKindString) continue;  // named by string: kept as it is
        uint16_t wGuid = guidAndKind >> 1;
        mapi::Guid guid{};
        if (wGuid == kGuidIndexPsMapi) guid = mapi::kPsMapi;
        else if (wGuid == kGuidIndexPublicStrings) guid = mapi::kPsPublicStrings;
        else if (wGuid >= kGuidIndexFirstStream && size_t(wGuid - kGuidIndexFirstStream + 1) * kGuidSize <= guids_.size())
            std::copy_n(&guids_[size_t(wGuid - kGuidIndexFirstStream) * kGuidSize], kGuidSize, guid.begin());
        else continue;
        mapi::NamedProperty name{guid, lid};
        uint16_t id = uint16_t(kFirstNamedId + index);
        ids_[name] = id;
        names_[id] = name;
    }
    dirty_ = false;
}

uint16_t NameMap::GuidIndex(const mapi::Guid& g) {
    if (g == mapi::kPsMapi) return kGuidIndexPsMapi;
    if (g == mapi::kPsPublicStrings) return kGuidIndexPublicStrings;
    for (size_t at = 0; at < guids_.size(); at += kGuidSize)
        if (std::equal(g.begin(), g.end(), &guids_[at])) return uint16_t(kGuidIndexFirstStream + at / kGuidSize);
    AppendBytes(guids_, g.data(), kGuidSize);
    return uint16_t(kGuidIndexFirstStream + guids_.size() / kGuidSize - 1);
}

uint16_t NameMap::IdFor(const mapi::NamedProperty& name) {
    if (auto id = Find(name)) return *id;
    if (nextIndex_ >= kMaxIndex) throw PstError(ErrorKind::InvalidArgument, "Too many named properties in one store");
    uint16_t index = nextIndex_++;
    Append32(entries_, name.lid);
    Append16(entries_, uint16_t(GuidIndex(name.propertySet) << 1));
    Append16(entries_, index);
    uint16_t id = uint16_t(kFirstNamedId + index);
    ids_[name] = id;
    names_[id] = name;
    dirty_ = true;
    return id;
}

void NameMap::EnsureStringName(const mapi::Guid& set, const std::string& name) {
    if (!strings_.empty()) return;
    if (nextIndex_ >= kMaxIndex) throw PstError(ErrorKind::InvalidArgument, "Too many named properties in one store");
    const std::u16string text = mapi::Utf8ToUtf16(name);
    const uint32_t offset = uint32_t(strings_.size());
    Append32(strings_, uint32_t(2 * text.size()));
    for (char16_t c : text) Append16(strings_, uint16_t(c));
    strings_.resize((strings_.size() + kStringAlign - 1) / kStringAlign * kStringAlign, 0);
    Append32(entries_, offset);
    Append16(entries_, uint16_t(GuidIndex(set) << 1 | kKindString));
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
    p[kBucketCountId] = {PropType::Int32, int32_t(kBucketCount)};
    p[kGuidStreamId] = {PropType::Binary, guids_};
    p[kEntryStreamId] = {PropType::Binary, entries_};
    p[kStringStreamId] = {PropType::Binary, strings_};
    std::vector<Bytes> buckets(kBucketCount);
    for (size_t at = 0; at < entries_.size(); at += kEntrySize) {
        const uint8_t* e = &entries_[at];
        uint32_t key = Get32(e + kEntryKey);
        uint16_t guidAndKind = Get16(e + kEntryGuidAndKind);
        if (guidAndKind & kKindString) {
            // String names hash by the checksum of the name's UTF-16 text.
            if (size_t(key) + kStringLength > strings_.size()) continue;
            uint32_t len = Get32(&strings_[key]);
            if (size_t(key) + kStringLength + len > strings_.size()) continue;
            key = Crc32(&strings_[key + kStringLength], len);
        }
        uint32_t hash = key ^ guidAndKind;
        Bytes& b = buckets[hash % kBucketCount];
        Append32(b, key);
        Append16(b, guidAndKind);
        Append16(b, Get16(e + kEntryIndex));
    }
    for (uint16_t i = 0; i < kBucketCount; ++i)
        if (!buckets[i].empty()) p[uint16_t(kFirstBucketId + i)] = {PropType::Binary, buckets[i]};
    return p;
}

}  // namespace pst
