#include <store/msg_file.h>

#include "file_writes.h"
#include "message_class.h"

#include <mapi/tags.h>
#include <msg/msg_file.h>

#include <optional>

#include <sys/stat.h>

namespace store {

namespace {

bool IsContactClass(const std::string& cls) { return IsClassOrBelow(cls, mapi::kContactMessageClass); }

class MsgFileBackend : public ItemBackend {
public:
    explicit MsgFileBackend(std::string path) : path_(std::move(path)) {}
    void Commit(const mapi::PropertyBag& properties, const std::vector<mapi::PropertyBag>& attachments) override {
        try {
            msg::WriteMsgFile(path_, properties, attachments);
        } catch (const msg::IoError& e) {
            ThrowFileError(e.Errno(), e.what());
        } catch (const std::invalid_argument& e) {
            throw StoreError(ErrorCode::InvalidArgument, e.what());
        }
    }

private:
    std::string path_;
};

const mapi::PropertyKey kMessageClassKey = mapi::PidTagMessageClass.Key();

// The properties of the MSG file at path, or nothing when there is no file.
std::optional<mapi::PropertyBag> ReadExisting(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    try {
        return msg::ReadMsgFile(path);
    } catch (const msg::IoError& e) {
        ThrowFileError(e.Errno(), e.what());
    } catch (const msg::FormatError& e) {
        throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not an MSG file: " + e.what());
    }
}

void CheckFormat(int fileFormat) {
    if (fileFormat != kMsgFileFormat)
        throw StoreError(ErrorCode::InvalidArgument, "Unsupported MSG file format " + std::to_string(fileFormat));
}

}  // namespace

std::unique_ptr<ContactItem> CreateMessageFromMsgFile(const std::string& path, const std::string& messageClass,
                                                      int fileFormat) {
    CheckFormat(fileFormat);
    if (!IsContactClass(messageClass)) return nullptr;
    std::optional<mapi::PropertyBag> existing = ReadExisting(path);
    if (existing && !IsContactClass(existing->GetString(kMessageClassKey).value_or(std::string()))) return nullptr;

    auto item = std::make_unique<ContactItem>(std::make_unique<MsgFileBackend>(path));
    if (existing) {
        for (const auto& [key, value] : existing->All()) item->MutableProperties().Set(key, value);
    } else {
        item->MutableProperties().Set(kMessageClassKey, messageClass);
    }
    return item;
}

std::unique_ptr<DistListItem> CreateDistListFromMsgFile(const std::string& path, const std::string& messageClass,
                                                        int fileFormat) {
    CheckFormat(fileFormat);
    if (!IsDistListClass(messageClass)) return nullptr;
    std::optional<mapi::PropertyBag> existing = ReadExisting(path);
    if (!existing) return std::make_unique<DistListItem>(std::make_unique<MsgFileBackend>(path), messageClass);
    if (!IsDistListClass(existing->GetString(kMessageClassKey).value_or(std::string()))) return nullptr;
    return std::make_unique<DistListItem>(std::make_unique<MsgFileBackend>(path), std::move(*existing));
}

}  // namespace store
