// Text crossing the Notes API: UTF-8 bytes (the platform's narrow encoding).
#pragma once

#include <string>
#include <string_view>

class LNString {
public:
    LNString() = default;
    LNString(const char* s) : text_(s ? s : "") {}
    LNString(std::string s) : text_(std::move(s)) {}

    const char* GetPlatformTextPtr() const { return text_.c_str(); }
    size_t GetBufLength() const { return text_.size(); }
    size_t GetLength() const { return text_.size(); }
    bool IsNull() const { return text_.empty(); }
    const std::string& str() const { return text_; }
    // The text, moved out (a large one is not copied).
    std::string Take() && { return std::move(text_); }
    operator std::string_view() const { return text_; }
    bool operator==(const LNString&) const = default;

private:
    std::string text_;
};
