#include <contacts/attachment_files.h>

#include <array>
#include <utility>

namespace contacts {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

constexpr std::array<std::pair<std::string_view, std::string_view>, 30> kTypes{{
    {"bmp", "image/bmp"},         {"csv", "text/csv"},
    {"doc", "application/msword"}, {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"eml", "message/rfc822"},    {"gif", "image/gif"},
    {"gz", "application/gzip"},   {"htm", "text/html"},
    {"html", "text/html"},        {"ics", "text/calendar"},
    {"jpeg", "image/jpeg"},       {"jpg", "image/jpeg"},
    {"json", "application/json"}, {"mp3", "audio/mpeg"},
    {"mp4", "video/mp4"},         {"odt", "application/vnd.oasis.opendocument.text"},
    {"pdf", "application/pdf"},   {"png", "image/png"},
    {"ppt", "application/vnd.ms-powerpoint"}, {"rtf", "application/rtf"},
    {"svg", "image/svg+xml"},     {"tif", "image/tiff"},
    {"tiff", "image/tiff"},       {"txt", "text/plain"},
    {"vcf", "text/vcard"},        {"webp", "image/webp"},
    {"xls", "application/vnd.ms-excel"}, {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"xml", "application/xml"},   {"zip", "application/zip"},
}};

}  // namespace

std::string CleanFileName(std::string_view name) {
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::string out;
    for (char c : name)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    const size_t first = out.find_first_not_of(' '), last = out.find_last_not_of(' ');
    out = first == std::string::npos ? std::string() : out.substr(first, last - first + 1);
    if (out.empty() || out == "." || out == "..") return "attachment";
    return out;
}

std::string MimeTypeOf(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot != std::string_view::npos) {
        std::string extension;
        for (char c : fileName.substr(dot + 1)) extension += Lower(c);
        for (const auto& [known, type] : kTypes)
            if (known == extension) return std::string(type);
    }
    return "application/octet-stream";
}

std::string ImageTypeOf(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8\xFF")) return "image/jpeg";
    if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return "image/png";
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return "image/gif";
    if (bytes.starts_with("BM") && bytes.size() > 14) return "image/bmp";
    return {};
}

std::string SizeText(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    // In whole tenths, so that the text is the same whatever the locale.
    const bool mega = bytes >= 1024 * 1024;
    const uint64_t unit = mega ? 1024 * 1024 : 1024, tenths = bytes / unit * 10 + ((bytes % unit) * 10 + unit / 2) / unit;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + (mega ? " MB" : " KB");
}

}  // namespace contacts
