// A key of the current user's registry hive, kept by Wine as the text file
// user.reg. Every operation reads the file anew; a write replaces the file
// atomically and changes only the bytes of the value written.
//
// Errors are Win32 error numbers (see win32_error.h): 2 for a missing key or
// value, 5 when the hive cannot be read or replaced, 6 when no key is open,
// 32 for a write while a wineserver runs for the prefix (it keeps the hive in
// memory, would not see the change and may write its own copy back), 160 for
// a missing name, 234 when a string does not fit the caller's buffer, 1009
// when the hive file is truncated or malformed (ErrorDetail() then names the
// file and line), 1630 for a value that is not a string.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <registry/hive_document.h>

namespace registry {

class RegistryKey {
public:
    // The hive of the Wine prefix in $WINEPREFIX (default ~/.wine).
    RegistryKey();
    explicit RegistryKey(std::filesystem::path hiveFile);

    // Opens an existing subkey of the hive root, e.g. "Software\\Wine".
    bool Open(std::string_view subkey);
    // Opens a subkey for writing; a missing key is created by the first write.
    bool Create(std::string_view subkey);
    void Close();
    bool IsOpen() const { return openKey_.has_value(); }

    // Type and size in bytes of a value without reading it. String sizes count
    // the UTF-8 text and its terminator.
    bool QueryValue(std::string_view name, uint32_t& type, uint32_t& size);
    // Reads a string value that, with its terminator, fits `bufferSize` bytes.
    bool ReadString(std::string_view name, std::string& text, size_t bufferSize);
    // Writes a string value of type kRegSz or kRegExpandSz.
    bool WriteString(std::string_view name, std::string_view text, uint32_t type);

    uint32_t LastError() const { return error_; }
    // What went wrong, for a person to read, where there is more to say than
    // the number (for 1009 the file and line that could not be read; for 32
    // the running Wine; the file and reason of a refused read or write).
    const std::string& ErrorDetail() const { return detail_; }

private:
    std::optional<HiveDocument> Load();
    std::optional<HiveValue> FindOpenValue(const HiveDocument& doc, std::string_view name);
    bool Fail(uint32_t code, std::string detail = {});
    bool Succeed();

    std::filesystem::path hive_;
    std::optional<std::string> openKey_;
    uint32_t error_ = 0;
    std::string detail_;
};

}  // namespace registry
