#include <msg/msg_file.h>

#include "named_property_map.h"
#include "layout.h"

#include <base/little_endian.h>
#include <base/utf.h>

#include <stdexcept>

namespace msg {

namespace {

using mapi::PropType;

template <class T>
const T& ValueAs(const mapi::PropertyValue& v, uint16_t id) {
    if (const T* p = std::get_if<T>(&v)) return *p;
    char buf[80];
    std::snprintf(buf, sizeof buf, "property 0x%04X holds a value of another type than its key", unsigned(id));
    throw std::invalid_argument(buf);
}

std::string Utf16Bytes(const std::string& utf8) {
    // Written straight as bytes: a value may be tens of megabytes.
    std::string out;
    base::AppendUtf16Le(out, utf8);
    return out;
}

// Adds one property: its 16-byte entry in the property stream and, for
// variable-length types, the stream that holds the value.
void AddProperty(Storage& root, std::string& props, uint16_t id, PropType type, const mapi::PropertyValue& v) {
    std::string entry(propStream::kEntrySize, '\0');
    base::Put32(entry, propStream::kTag, (uint32_t(id) << 16) | uint16_t(type));
    base::Put32(entry, propStream::kFlags, propStream::kFlagsReadWrite);
    auto stream = [&](std::string bytes, uint32_t sizeField) {
        base::Put32(entry, propStream::kValue, sizeField);
        root.streams[SubstgName(id, uint16_t(type))] = std::move(bytes);
    };
    switch (type) {
        case PropType::Int32: base::Put32(entry, propStream::kValue, uint32_t(ValueAs<int32_t>(v, id))); break;
        case PropType::Boolean: entry[propStream::kValue] = ValueAs<bool>(v, id) ? 1 : 0; break;
        case PropType::Int64: base::Put64(entry, propStream::kValue, uint64_t(ValueAs<int64_t>(v, id))); break;
        case PropType::SysTime: base::Put64(entry, propStream::kValue, uint64_t(ValueAs<mapi::FileTime>(v, id).ticks)); break;
        case PropType::Unicode: {
            const std::string& text = ValueAs<std::string>(v, id);
            // A text has no more UTF-16 units than bytes: most are known
            // short without counting, and converted at once.
            const uint64_t bytes = 2 * text.size() < kMiniStreamCutoff ? 0 : 2 * uint64_t(base::Utf16Length(text));
            if (bytes < kMiniStreamCutoff) {
                std::string utf16 = Utf16Bytes(text);
                const uint32_t size = uint32_t(utf16.size() + 2);  // counts the terminating null
                stream(std::move(utf16), size);
                break;
            }
            // A long text is converted as the file is written, from the
            // value where it stands: tens of megabytes of UTF-16 are never held.
            base::Put32(entry, propStream::kValue, uint32_t(bytes + 2));
            root.madeStreams[SubstgName(id, uint16_t(type))] = {
                bytes, [&text](const std::function<void(std::string_view)>& write) { base::EachUtf16LePiece(text, write); }};
            break;
        }
        case PropType::String8: {
            std::string bytes = ValueAs<std::string>(v, id);
            uint32_t size = uint32_t(bytes.size() + 1);
            stream(std::move(bytes), size);
            break;
        }
        case PropType::Binary:
        case PropType::MultipleInt32: {
            const auto& bin = ValueAs<mapi::Binary>(v, id);
            stream(std::string(bin.begin(), bin.end()), uint32_t(bin.size()));
            break;
        }
        case PropType::Guid: {
            const auto& g = ValueAs<mapi::Guid>(v, id);
            stream(std::string(g.begin(), g.end()), 16);
            break;
        }
        case PropType::MultipleBinary: {
            // One stream per value, and a length stream of 8-byte entries
            // (the value's size, then four reserved bytes).
            const auto& values = ValueAs<mapi::MultiBinary>(v, id);
            std::string lengths(values.size() * 8, '\0');
            for (size_t i = 0; i < values.size(); ++i) {
                base::Put32(lengths, 8 * i, uint32_t(values[i].size()));
                root.streams[ValueStreamName(id, uint16_t(type), uint32_t(i))] =
                    std::string(values[i].begin(), values[i].end());
            }
            const uint32_t size = uint32_t(lengths.size());
            stream(std::move(lengths), size);
            break;
        }
        case PropType::MultipleUnicode: {
            // One stream per value, each ending with a null character, and a
            // length stream giving each value stream's size.
            const auto& values = ValueAs<mapi::Strings>(v, id);
            std::string lengths(4 * values.size(), '\0');
            for (size_t i = 0; i < values.size(); ++i) {
                std::string bytes = Utf16Bytes(values[i]) + std::string(2, '\0');
                base::Put32(lengths, 4 * i, uint32_t(bytes.size()));
                root.streams[ValueStreamName(id, uint16_t(type), uint32_t(i))] = std::move(bytes);
            }
            const uint32_t size = uint32_t(lengths.size());
            stream(std::move(lengths), size);
            break;
        }
        default: throw std::invalid_argument("property type not supported in message files");
    }
    props += entry;
}

using ByTag = std::map<uint32_t, std::pair<PropType, const mapi::PropertyValue*>>;

// The properties by their tag, named ones mapped through names.
ByTag Tagged(const mapi::PropertyBag& properties, NamedPropertyMap& names) {
    ByTag byTag;
    for (const auto& [key, value] : properties.All()) {
        uint16_t id = key.IsNamed() ? names.Add(key.Name()) : key.TagId();
        byTag[(uint32_t(id) << 16) | uint16_t(key.type)] = {key.type, &value};
    }
    return byTag;
}

// The properties into storage's property stream (after its header) and value streams.
void AddProperties(Storage& storage, std::string header, const ByTag& byTag) {
    for (const auto& [tag, tv] : byTag) AddProperty(storage, header, uint16_t(tag >> 16), tv.first, *tv.second);
    storage.streams[propStream::kStream] = std::move(header);
}

// The message as the tree of a compound file.
Storage MessageStorage(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) {
    Storage root;
    NamedPropertyMap names;
    std::string header(propStream::kTopLevelHeaderSize, '\0');  // no recipients
    base::Put32(header, propStream::kNextAttachmentId, uint32_t(attachments.size()));
    base::Put32(header, propStream::kAttachmentCount, uint32_t(attachments.size()));
    ByTag byTag = Tagged(properties, names);
    const mapi::PropertyValue unicodeOk = int32_t(kStoreUnicodeOk);
    if (!properties.Has(mapi::PidTagStoreSupportMask.Key()))
        byTag[mapi::PidTagStoreSupportMask.Tag()] = {mapi::PidTagStoreSupportMask.type, &unicodeOk};
    // The flags tell whether there are attachments.
    const mapi::PropertyValue* flags = properties.Find(mapi::PidTagMessageFlags.Key());
    const int32_t* was = flags ? std::get_if<int32_t>(flags) : nullptr;
    const mapi::PropertyValue withFlag =
        int32_t(((was ? *was : 0) & ~mapi::kMsgFlagHasAttach) | (attachments.empty() ? 0 : mapi::kMsgFlagHasAttach));
    if (was || !attachments.empty()) byTag[mapi::PidTagMessageFlags.Tag()] = {mapi::PidTagMessageFlags.type, &withFlag};
    AddProperties(root, std::move(header), byTag);
    std::vector<mapi::PropertyValue> numbers(attachments.size());
    for (size_t i = 0; i < attachments.size(); ++i) {
        ByTag attachment = Tagged(attachments[i], names);
        numbers[i] = int32_t(i);
        attachment[mapi::PidTagAttachNumber.Tag()] = {mapi::PidTagAttachNumber.type, &numbers[i]};
        AddProperties(root.storages[AttachmentStorageName(uint32_t(i))],
                      std::string(propStream::kAttachmentHeaderSize, '\0'), attachment);
    }
    root.storages[nameEntry::kStorage] = names.ToStorage();
    return root;
}

}  // namespace

std::string EncodeMessage(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) {
    return WriteCompoundFile(MessageStorage(properties, attachments));
}

void WriteMsgFile(const std::string& path, const mapi::PropertyBag& properties,
                  const std::vector<mapi::PropertyBag>& attachments) {
    // Written as it is laid out: a value of tens of megabytes is not copied
    // into the whole file first.
    const Storage root = MessageStorage(properties, attachments);
    WriteFileAtomically(path, [&](const std::function<void(std::string_view)>& write) { WriteCompoundFile(root, write); });
}

}  // namespace msg
