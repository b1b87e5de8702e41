#include <registry/registry_key.h>

#include <registry/atomic_file.h>
#include <registry/regular_file.h>
#include <registry/win32_error.h>
#include <registry/wine_prefix.h>

#include <ctime>
#include <fcntl.h>

namespace registry {

RegistryKey::RegistryKey() : RegistryKey(UserHivePath(WinePrefixPath())) {}

RegistryKey::RegistryKey(std::filesystem::path hiveFile) : hive_(std::move(hiveFile)) {}

bool RegistryKey::Fail(uint32_t code, std::string detail) {
    error_ = code;
    detail_ = std::move(detail);
    return false;
}

bool RegistryKey::Succeed() {
    error_ = kErrorSuccess;
    detail_.clear();
    return true;
}

std::optional<HiveDocument> RegistryKey::Load() {
    std::string content;
    std::string why;
    if (const uint32_t code = ReadRegularFile(hive_, O_RDONLY, content, why); code != kErrorSuccess) {
        // A prefix without a user.reg simply has an empty hive.
        if (code == kErrorFileNotFound) return HiveDocument();
        Fail(code, std::move(why));
        return std::nullopt;
    }
    auto doc = HiveDocument::Parse(std::move(content), why);
    if (!doc) Fail(kErrorBadDatabase, hive_.string() + ": " + why);
    return doc;
}

bool RegistryKey::Open(std::string_view subkey) {
    Close();
    if (subkey.empty()) return Fail(kErrorBadArguments);
    const auto doc = Load();
    if (!doc) return false;
    if (!doc->HasKey(subkey)) return Fail(kErrorFileNotFound);
    openKey_ = std::string(subkey);
    return Succeed();
}

bool RegistryKey::Create(std::string_view subkey) {
    Close();
    if (subkey.empty()) return Fail(kErrorBadArguments);
    if (!Load()) return false;
    openKey_ = std::string(subkey);
    return Succeed();
}

void RegistryKey::Close() {
    openKey_.reset();
}

std::optional<HiveValue> RegistryKey::FindOpenValue(const HiveDocument& doc, std::string_view name) {
    auto value = doc.FindValue(*openKey_, name);
    if (!value) Fail(kErrorFileNotFound);
    return value;
}

bool RegistryKey::QueryValue(std::string_view name, uint32_t& type, uint32_t& size) {
    if (!openKey_) return Fail(kErrorInvalidHandle);
    if (name.empty()) return Fail(kErrorBadArguments);
    const auto doc = Load();
    if (!doc) return false;
    const auto value = FindOpenValue(*doc, name);
    if (!value) return false;
    type = value->type;
    const auto text = ValueAsString(*value);
    size = static_cast<uint32_t>(text ? text->size() + 1 : value->data.size());
    return Succeed();
}

bool RegistryKey::ReadString(std::string_view name, std::string& text, size_t bufferSize) {
    if (!openKey_) return Fail(kErrorInvalidHandle);
    if (name.empty()) return Fail(kErrorBadArguments);
    const auto doc = Load();
    if (!doc) return false;
    const auto value = FindOpenValue(*doc, name);
    if (!value) return false;
    auto content = ValueAsString(*value);
    if (!content) return Fail(kErrorUnsupportedType);
    if (content->size() + 1 > bufferSize) return Fail(kErrorMoreData);
    text = std::move(*content);
    return Succeed();
}

bool RegistryKey::WriteString(std::string_view name, std::string_view text, uint32_t type) {
    if (!openKey_) return Fail(kErrorInvalidHandle);
    if (name.empty()) return Fail(kErrorBadArguments);
    if (type != kRegSz && type != kRegExpandSz) return Fail(kErrorInvalidParameter);
    const auto doc = Load();
    if (!doc) return false;
    const auto prefix = hive_.parent_path();
    if (WineServerRunning(prefix)) {
        return Fail(kErrorSharingViolation,
                    "Wine is running in " + prefix.string() +
                        ", which keeps its own copy of the registry; end it (wineserver -k) and run again");
    }
    const std::string updated = doc->WithStringValue(*openKey_, name, type, text, static_cast<int64_t>(std::time(nullptr)));
    std::string why;
    if (const uint32_t code = ReplaceFileAtomically(hive_, updated, why); code != kErrorSuccess) {
        return Fail(code, std::move(why));
    }
    return Succeed();
}

}  // namespace registry
