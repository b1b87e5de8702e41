// Outlook item files (.msg): a property bag stored in a compound file, with
// the property stream, one stream per variable-length value and the named
// property mapping. Unicode texts are written as PT_UNICODE (UTF-16LE).
#pragma once

#include <mapi/property.h>
#include <mapi/tags.h>
#include <msg/compound_file.h>
#include <msg/file_io.h>

#include <string>
#include <string_view>
#include <vector>

namespace msg {

// The bit of PidTagStoreSupportMask that marks Unicode-capable content.
inline constexpr int32_t kStoreUnicodeOk = 0x00040000;

// Serialises a message without recipients, with its attachments (each a
// storage of its own, numbered in order; the message's flags tell whether it
// has any). Throws std::invalid_argument when a value does not match its
// key's type.
std::string EncodeMessage(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments = {});

// Parses a message's top-level properties. Values of types the property model
// cannot hold, recipients and attachments are skipped. Throws FormatError for
// damaged files.
mapi::PropertyBag DecodeMessage(std::string_view bytes);

// EncodeMessage written atomically to path (IoError on failure).
void WriteMsgFile(const std::string& path, const mapi::PropertyBag& properties,
                  const std::vector<mapi::PropertyBag>& attachments = {});
// ReadWholeFile + DecodeMessage.
mapi::PropertyBag ReadMsgFile(const std::string& path);
// Only the properties keys names (values stored with another type are left
// out); the other value streams of the file are not read.
mapi::PropertyBag DecodeMessageProperties(std::string_view bytes, const std::vector<mapi::PropertyKey>& keys);
// ReadWholeFile + DecodeMessageProperties.
mapi::PropertyBag ReadMsgProperties(const std::string& path, const std::vector<mapi::PropertyKey>& keys);

}  // namespace msg
