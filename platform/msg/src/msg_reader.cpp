#include <msg/msg_file.h>

#include "bytes.h"
#include "named_property_map.h"
#include "layout.h"

namespace msg {

namespace {

using mapi::PropType;

std::string FromUtf16Bytes(std::string_view bytes) {
    std::u16string w;
    w.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back(Get16(bytes, i));
    while (!w.empty() && w.back() == 0) w.pop_back();
    return mapi::Utf16ToUtf8(w);
}

}  // namespace

mapi::PropertyBag DecodeMessage(std::string_view bytes) {
    Storage root = ReadCompoundFile(bytes);
    auto propsIt = root.streams.find(propStream::kStream);
    if (propsIt == root.streams.end()) throw FormatError("not a message file: the property stream is missing");
    const std::string& props = propsIt->second;
    if (props.size() < propStream::kTopLevelHeaderSize) throw FormatError("not a message file: the property stream is truncated");

    NamedPropertyMap names;
    if (auto it = root.storages.find(nameEntry::kStorage); it != root.storages.end())
        names = NamedPropertyMap::FromStorage(it->second);

    mapi::PropertyBag bag;
    for (size_t at = propStream::kTopLevelHeaderSize; at + propStream::kEntrySize <= props.size(); at += propStream::kEntrySize) {
        uint32_t tag = Get32(props, at + propStream::kTag);
        uint16_t id = uint16_t(tag >> 16);
        auto type = PropType(tag & 0xFFFF);
        mapi::PropertyKey key = mapi::PropertyKey::Tag(id, type);
        if (id >= mapi::nameid::kFirstNamedId) {
            const mapi::NamedProperty* name = names.NameOf(id);
            if (!name) continue;
            key = mapi::PropertyKey::Named(name->propertySet, name->lid, type);
        }
        auto streamValue = [&]() -> const std::string* {
            auto it = root.streams.find(SubstgName(id, uint16_t(type)));
            return it == root.streams.end() ? nullptr : &it->second;
        };
        switch (type) {
            case PropType::Int32: bag.Set(key, int32_t(Get32(props, at + propStream::kValue))); break;
            case PropType::Boolean: bag.Set(key, props[at + propStream::kValue] != 0); break;
            case PropType::Int64: bag.Set(key, int64_t(Get64(props, at + propStream::kValue))); break;
            case PropType::SysTime: bag.Set(key, mapi::FileTime{int64_t(Get64(props, at + propStream::kValue))}); break;
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

mapi::PropertyBag ReadMsgFile(const std::string& path) { return DecodeMessage(ReadWholeFile(path)); }

}  // namespace msg
