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

const mapi::NamedProperty& NameMap::ClosingName() {
    // A numeric name in a property set of this writer's own, which no
    // reader knows and no item carries.
    static const mapi::NamedProperty name{mapi::GuidFromString("6D2B4A1E-5C0F-4E7B-9A1D-3F2C8B7E0D51"), 0, {}};
    return name;
}

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
    bool closedByUs = false;  // the stream ends with the closing entry
    for (size_t at = 0; at < entries_.size(); at += kEntrySize) {
        const uint8_t* p = &entries_[at];
        const uint32_t key = base::Get32(p + kEntryKey);
        const uint16_t guidAndKind = base::Get16(p + kEntryGuidAndKind);
        const uint16_t index = base::Get16(p + kEntryIndex);
        const uint16_t wGuid = guidAndKind >> 1;
        mapi::NamedProperty name{};
        bool known = true;
        if (wGuid == kGuidIndexPsMapi) name.propertySet = mapi::kPsMapi;
        else if (wGuid == kGuidIndexPublicStrings) name.propertySet = mapi::kPsPublicStrings;
        else if (wGuid >= kGuidIndexFirstStream && size_t(wGuid - kGuidIndexFirstStream + 1) * kGuidSize <= guids_.size())
            std::copy_n(&guids_[size_t(wGuid - kGuidIndexFirstStream) * kGuidSize], kGuidSize, name.propertySet.begin());
        else known = false;
        if (known && (guidAndKind & kKindString)) {
            known = size_t(key) + kStringLength <= strings_.size();
            const uint32_t bytes = known ? base::Get32(&strings_[key]) : 0;
            known = known && bytes != 0 && size_t(key) + kStringLength + bytes <= strings_.size();
            std::u16string text;
            for (size_t i = 0; known && i + 1 < bytes; i += 2)
                text.push_back(char16_t(base::Get16(&strings_[key + kStringLength + i])));
            name.name = mapi::Utf16ToUtf8(text);
        } else {
            name.lid = key;
        }
        closedByUs = known && name == ClosingName() && at + kEntrySize == entries_.size();
        if (closedByUs) break;  // its index is free again
        nextIndex_ = std::max<uint16_t>(nextIndex_, uint16_t(index + 1));
        if (known && name != ClosingName()) Register(name, index);
    }
    // Encode writes the closing entry again, after any entry added since; a
    // map without one gets it with the next commit.
    if (closedByUs) entries_.resize(entries_.size() - kEntrySize);
    dirty_ = !closedByUs;
}

void NameMap::Register(const mapi::NamedProperty& name, uint16_t index) {
    const uint16_t id = uint16_t(kFirstNamedId + index);
    ids_.emplace(name, id);
    names_[id] = name;
}

uint16_t NameMap::GuidIndex(Bytes& guids, const mapi::Guid& g) const {
    if (g == mapi::kPsMapi) return kGuidIndexPsMapi;
    if (g == mapi::kPsPublicStrings) return kGuidIndexPublicStrings;
    for (size_t at = 0; at < guids.size(); at += kGuidSize)
        if (std::equal(g.begin(), g.end(), &guids[at])) return uint16_t(kGuidIndexFirstStream + at / kGuidSize);
    base::AppendBytes(guids, g.data(), kGuidSize);
    return uint16_t(kGuidIndexFirstStream + guids.size() / kGuidSize - 1);
}

uint16_t NameMap::NewIndex() {
    // One index stays free for the closing entry.
    if (nextIndex_ >= kMaxIndex - 1) throw PstError(ErrorKind::InvalidArgument, "Too many named properties in one store");
    return nextIndex_++;
}

uint16_t NameMap::IdFor(const mapi::NamedProperty& name) {
    if (auto id = Find(name)) return *id;
    if (name == ClosingName()) throw PstError(ErrorKind::InvalidArgument, "The named property is reserved by the store");
    const uint16_t index = NewIndex();
    uint32_t key = name.lid;
    uint16_t kind = 0;
    if (name.IsString()) {
        // String stream entries: byte length, UTF-16LE text, padding to 4 bytes.
        const std::u16string text = mapi::Utf8ToUtf16(name.name);
        key = uint32_t(strings_.size());
        base::Append32(strings_, uint32_t(2 * text.size()));
        for (char16_t c : text) base::Append16(strings_, uint16_t(c));
        strings_.resize((strings_.size() + kStringAlign - 1) / kStringAlign * kStringAlign, 0);
        kind = kKindString;
    }
    base::Append32(entries_, key);
    base::Append16(entries_, uint16_t(GuidIndex(guids_, name.propertySet) << 1 | kind));
    base::Append16(entries_, index);
    Register(name, index);
    dirty_ = true;
    return uint16_t(kFirstNamedId + index);
}

void NameMap::EnsureStringName(const mapi::Guid& set, const std::string& name) {
    if (!strings_.empty()) return;
    IdFor(mapi::NamedProperty{set, 0, name});
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
    Bytes guids = guids_, entries = entries_;
    base::Append32(entries, ClosingName().lid);
    base::Append16(entries, uint16_t(GuidIndex(guids, ClosingName().propertySet) << 1));
    base::Append16(entries, nextIndex_);
    PropMap p;
    p[kBucketCountId] = {PropType::Int32, int32_t(kBucketCount)};
    p[kGuidStreamId] = {PropType::Binary, guids};
    p[kEntryStreamId] = {PropType::Binary, entries};
    p[kStringStreamId] = {PropType::Binary, strings_};
    std::vector<Bytes> buckets(kBucketCount);
    for (size_t at = 0; at < entries.size(); at += kEntrySize) {
        const uint8_t* e = &entries[at];
        uint32_t key = base::Get32(e + kEntryKey);
        uint16_t guidAndKind = base::Get16(e + kEntryGuidAndKind);
        if (guidAndKind & kKindString) {
            // String names hash by the checksum of the name's UTF-16 text.
            if (size_t(key) + kStringLength > strings_.size()) continue;
            uint32_t len = base::Get32(&strings_[key]);
            if (size_t(key) + kStringLength + len > strings_.size()) continue;
            key = Crc32(&strings_[key + kStringLength], len);
        }
        uint32_t hash = key ^ guidAndKind;
        Bytes& b = buckets[hash % kBucketCount];
        base::Append32(b, key);
        base::Append16(b, guidAndKind);
        base::Append16(b, base::Get16(e + kEntryIndex));
    }
    for (uint16_t i = 0; i < kBucketCount; ++i)
        if (!buckets[i].empty()) p[uint16_t(kFirstBucketId + i)] = {PropType::Binary, buckets[i]};
    return p;
}

mapi::PropertyBag NameMap::BagOf(const PropMap& props) const {
    mapi::PropertyBag bag;
    for (const auto& [id, v] : props) {
        auto name = id >= mapi::nameid::kFirstNamedId ? NameOf(id) : std::nullopt;
        bag.Set(name ? mapi::PropertyKey::Named(*name, v.type) : mapi::PropertyKey::Tag(id, v.type), v.value);
    }
    return bag;
}

}  // namespace pst
