#include <msg/msg_file.h>

#include "named_property_map.h"
#include "layout.h"

#include <base/little_endian.h>

#include <algorithm>
#include <cstdlib>
#include <set>

namespace msg {

namespace {

using mapi::PropType;

std::string FromUtf16Bytes(std::string_view bytes) {
    std::u16string w;
    w.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back(base::Get16(bytes, i));
    while (!w.empty() && w.back() == 0) w.pop_back();
    return mapi::Utf16ToUtf8(w);
}

// The values of a multi-valued binary property: the length stream gives
// their number; each value is read whole from its own stream, which must be
// there.
mapi::MultiBinary ReadMultiBinary(const Storage& root, uint16_t id, uint16_t type, const std::string& lengths) {
    const size_t count = lengths.size() / 8;
    mapi::MultiBinary values;
    values.reserve(std::min(count, root.streams.size()));
    for (size_t i = 0; i < count; ++i) {
        auto it = root.streams.find(ValueStreamName(id, type, uint32_t(i)));
        if (it == root.streams.end()) throw FormatError("damaged message file: a value of a multi-valued property is missing");
        values.emplace_back(it->second.begin(), it->second.end());
    }
    return values;
}

// The top-level properties of a message's storage; with keys, only those.
mapi::PropertyBag Decode(const Storage& root, const std::vector<mapi::PropertyKey>* keys) {
    auto propsIt = root.streams.find(propStream::kStream);
    if (propsIt == root.streams.end()) throw FormatError("not a message file: the property stream is missing");
    const std::string& props = propsIt->second;
    if (props.size() < propStream::kTopLevelHeaderSize) throw FormatError("not a message file: the property stream is truncated");

    NamedPropertyMap names;
    if (auto it = root.storages.find(nameEntry::kStorage); it != root.storages.end())
        names = NamedPropertyMap::FromStorage(it->second);

    mapi::PropertyBag bag;
    for (size_t at = propStream::kTopLevelHeaderSize; at + propStream::kEntrySize <= props.size(); at += propStream::kEntrySize) {
        uint32_t tag = base::Get32(props, at + propStream::kTag);
        uint16_t id = uint16_t(tag >> 16);
        auto type = PropType(tag & 0xFFFF);
        mapi::PropertyKey key = mapi::PropertyKey::Tag(id, type);
        if (id >= mapi::nameid::kFirstNamedId) {
            const mapi::NamedProperty* name = names.NameOf(id);
            if (!name) continue;
            key = mapi::PropertyKey::Named(*name, type);
        }
        if (keys && std::find(keys->begin(), keys->end(), key) == keys->end()) continue;
        auto streamValue = [&]() -> const std::string* {
            auto it = root.streams.find(SubstgName(id, uint16_t(type)));
            return it == root.streams.end() ? nullptr : &it->second;
        };
        switch (type) {
            case PropType::Int32: bag.Set(key, int32_t(base::Get32(props, at + propStream::kValue))); break;
            case PropType::Boolean: bag.Set(key, props[at + propStream::kValue] != 0); break;
            case PropType::Int64: bag.Set(key, int64_t(base::Get64(props, at + propStream::kValue))); break;
            case PropType::SysTime: bag.Set(key, mapi::FileTime{int64_t(base::Get64(props, at + propStream::kValue))}); break;
            case PropType::Unicode:
                if (auto* s = streamValue()) bag.Set(key, FromUtf16Bytes(*s));
                break;
            case PropType::String8:
                if (auto* s = streamValue()) bag.Set(key, std::string(s->c_str()));
                break;
            case PropType::Binary:
            case PropType::MultipleInt32:
                if (auto* s = streamValue()) bag.Set(key, mapi::Binary(s->begin(), s->end()));
                break;
            case PropType::MultipleBinary:
                if (auto* s = streamValue()) bag.Set(key, ReadMultiBinary(root, id, uint16_t(type), *s));
                break;
            case PropType::MultipleUnicode:
                if (auto* lengths = streamValue()) {
                    mapi::Strings values;
                    for (uint32_t i = 0; 4 * size_t(i) + 4 <= lengths->size(); ++i) {
                        auto it = root.streams.find(ValueStreamName(id, uint16_t(type), i));
                        if (it == root.streams.end()) break;  // a value missing: the ones before it are what is left
                        values.push_back(FromUtf16Bytes(it->second));
                    }
                    bag.Set(key, std::move(values));
                }
                break;
            case PropType::Guid:
                if (auto* s = streamValue(); s && s->size() >= 16) {
                    mapi::Guid g;
                    for (size_t k = 0; k < 16; ++k) g[k] = uint8_t((*s)[k]);
                    bag.Set(key, g);
                }
                break;
            default: break;  // types the property model does not hold
        }
    }
    return bag;
}

}  // namespace

mapi::PropertyBag DecodeMessage(std::string_view bytes) { return Decode(ReadCompoundFile(bytes), nullptr); }

mapi::PropertyBag ReadMsgFile(const std::string& path) { return DecodeMessage(ReadWholeFile(path)); }

mapi::PropertyBag DecodeMessageProperties(std::string_view bytes, const std::vector<mapi::PropertyKey>& keys) {
    // The property stream and the name map, and of the value streams only
    // those a wanted key can live in: its own, or any named one of its type.
    std::set<std::string> streams;
    std::set<uint16_t> namedTypes;
    for (const auto& key : keys) {
        if (key.IsNamed()) namedTypes.insert(uint16_t(key.type));
        else streams.insert(SubstgName(key.TagId(), uint16_t(key.type)));
    }
    const std::string nameIdPrefix = std::string(nameEntry::kStorage) + "/";
    auto wanted = [&](std::string_view path) {
        if (path == propStream::kStream || path.substr(0, nameIdPrefix.size()) == nameIdPrefix) return true;
        if (streams.count(std::string(path))) return true;
        // "__substg1.0_" + 4 hex digits of the id + 4 of the type; named ids start at 0x8000.
        constexpr std::string_view kPrefix = "__substg1.0_";
        constexpr size_t kTypeAt = kPrefix.size() + 4;
        if (path.size() != kTypeAt + 4 || path.substr(0, kPrefix.size()) != kPrefix || path[kPrefix.size()] < '8')
            return false;
        return namedTypes.count(uint16_t(std::strtoul(std::string(path.substr(kTypeAt)).c_str(), nullptr, 16))) != 0;
    };
    return Decode(ReadCompoundFile(bytes, wanted), &keys);
}

mapi::PropertyBag ReadMsgProperties(const std::string& path, const std::vector<mapi::PropertyKey>& keys) {
    return DecodeMessageProperties(ReadWholeFile(path), keys);
}

}  // namespace msg
