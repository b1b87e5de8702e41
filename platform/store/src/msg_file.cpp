#include <store/msg_file.h>

#include "file_writes.h"

#include <base/ascii.h>
#include <mapi/tags.h>
#include <msg/msg_file.h>

#include <sys/stat.h>

namespace store {

namespace {

bool IsContactClass(const std::string& cls) {
    constexpr std::string_view base = mapi::kContactMessageClass;
    if (cls.size() < base.size() || !base::EqualsIgnoringAsciiCase(std::string_view(cls).substr(0, base.size()), base))
        return false;
    return cls.size() == base.size() || cls[base.size()] == '.';
}

class MsgFileBackend : public ItemBackend {
public:
    explicit MsgFileBackend(std::string path) : path_(std::move(path)) {}
    void Commit(const mapi::PropertyBag& properties) override {
        try {
            msg::WriteMsgFile(path_, properties);
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

}  // namespace

std::unique_ptr<RDOContactItem> CreateMessageFromMsgFile(const std::string& path, const std::string& messageClass,
                                                         int fileFormat) {
    if (fileFormat != kMsgFileFormat)
        throw StoreError(ErrorCode::InvalidArgument, "Unsupported MSG file format " + std::to_string(fileFormat));
    if (!IsContactClass(messageClass)) return nullptr;

    mapi::PropertyBag existing;
    bool exists = false;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        exists = true;
        try {
            existing = msg::ReadMsgFile(path);
        } catch (const msg::IoError& e) {
            ThrowFileError(e.Errno(), e.what());
        } catch (const msg::FormatError& e) {
            throw StoreError(ErrorCode::BadFormat, "\"" + path + "\" is not an MSG file: " + e.what());
        }
        if (!IsContactClass(existing.GetString(kMessageClassKey).value_or(std::string()))) return nullptr;
    }

    auto item = std::make_unique<RDOContactItem>(std::make_unique<MsgFileBackend>(path));
    if (exists) {
        for (const auto& [key, value] : existing.All()) item->MutableProperties().Set(key, value);
    } else {
        item->MutableProperties().Set(kMessageClassKey, messageClass);
    }
    return item;
}

}  // namespace store
