#include <msg/msg_file.h>

#include "compound_file_format.h"
#include "named_property_map.h"
#include "stream_names.h"

namespace msg {

namespace {

using mapi::PropType;

constexpr size_t kTopLevelHeaderSize = 32;
constexpr size_t kEntrySize = 16;

std::string FromUtf16Bytes(std::string_view bytes) {
    std::u16string w;
    w.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back(cfb::Get16(bytes, i));
    while (!w.empty() && w.back() == 0) w.pop_back();
    return mapi::Utf16ToUtf8(w);
}

}  // namespace

mapi::PropertyBag DecodeMessage(std::string_view bytes) {
    Storage root = ReadCompoundFile(bytes);
    auto propsIt = root.streams.find(kPropertiesStream);
    if (propsIt == root.streams.end()) throw FormatError("not a message file: the property stream is missing");
    const std::string& props = propsIt->second;
    if (props.size() < kTopLevelHeaderSize) throw FormatError("not a message file: the property stream is truncated");

    NamedPropertyMap names;
    if (auto it = root.storages.find(kNameIdStorage); it != root.storages.end())
        names = NamedPropertyMap::FromStorage(it->second);

    mapi::PropertyBag bag;
    for (size_t at = kTopLevelHeaderSize; at + kEntrySize <= props.size(); at += kEntrySize) {
        uint32_t tag = cfb::Get32(props, at);
        uint16_t id = uint16_t(tag >> 16);
        auto type = PropType(tag & 0xFFFF);
        mapi::PropertyKey key = mapi::PropertyKey::Tag(id, type);
        if (id >= 0x8000) {
            const mapi::NamedProperty* name = names.NameOf(id);
            if (!name) continue;
            key = mapi::PropertyKey::Named(*name, type);
        }
        auto streamValue = [&]() -> const std::string* {
            auto it = root.streams.find(SubstgName(id, uint16_t(type)));
            return it == root.streams.end() ? nullptr : &it->second;
        };
        switch (type) {
            case PropType::Int32: bag.Set(key, int32_t(cfb::Get32(props, at + 8))); break;
            case PropType::Boolean: bag.Set(key, props[at + 8] != 0); break;
            case PropType::Int64: bag.Set(key, int64_t(cfb::Get64(props, at + 8))); break;
            case PropType::SysTime: bag.Set(key, mapi::FileTime{int64_t(cfb::Get64(props, at + 8))}); break;
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

mapi::PropertyBag ReadMsgFile(const std::string& path) { return DecodeMessage(ReadWholeFile(path)); }

}  // namespace msg
