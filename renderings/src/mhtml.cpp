#include "contact_fields.h"
#include "formats.h"

#include <base/base64.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace renderings {

namespace {

// A header text: as is when it is printable ASCII, else RFC 2047 encoded
// words of at most 45 octets of UTF-8 each (never splitting a character).
std::string HeaderText(const std::string& text) {
    bool plain = text.size() < 900;
    for (unsigned char c : text) plain = plain && c >= 0x20 && c < 0x7F;
    if (plain) return text;
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = std::min(text.size(), pos + 45);
        while (end < text.size() && end > pos && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (!out.empty()) out += "\r\n ";
        out += "=?utf-8?B?" + base::Base64Encode(std::string_view(text).substr(pos, end - pos)) + "?=";
        pos = end;
    }
    return out;
}

// The time of writing as an RFC 5322 date in local time with its offset,
// with English names whatever the locale.
std::string DateHeader(std::time_t now) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm t {};
    ::localtime_r(&now, &t);
    const long offset = t.tm_gmtoff / 60;
    const long zone = std::labs(offset);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[t.tm_wday], t.tm_mday,
                  kMonths[t.tm_mon], t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec, offset < 0 ? '-' : '+',
                  zone / 60, zone % 60);
    return buf;
}

// A file name as a header parameter: quoted when it is printable ASCII
// without quotes or backslashes, else in the UTF-8 form of RFC 2231.
std::string NameParameter(const std::string& parameter, const std::string& name) {
    bool plain = true;
    for (unsigned char c : name) plain = plain && c >= 0x20 && c < 0x7F && c != '"' && c != '\\';
    if (plain) return parameter + "=\"" + name + "\"";
    std::string out = parameter + "*=utf-8''";
    for (unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The part's header; its body is the file's bytes in base64.
std::string FilePartHeader(const contacts::Attachment& file, size_t index) {
    // The type is ours (a known extension's) or the generic one; never the
    // source's text, which could break the header.
    return "Content-Type: " + file.mimeType + ";\r\n\t" + NameParameter("name", file.name) +
           "\r\nContent-Transfer-Encoding: base64\r\nContent-Location: file:///attachment-" + std::to_string(index + 1) +
           "\r\nContent-Disposition: attachment;\r\n\t" + NameParameter("filename", file.name) + "\r\n\r\n";
}

}  // namespace

std::string MhtmlDocument(std::string title, const std::string& html, const std::vector<contacts::Attachment>& files) {
    const std::string boundary = "----=_Ferrywell_Contact_Part_000";
    for (char& c : title)
        if (c == '\n' || c == '\t') c = ' ';
    // A page saved from a program, not a message anyone sent: the sender is
    // an address under the reserved .invalid domain that nothing delivers to.
    std::string out = "From: Saved by Ferrywell <ferrywell@localhost.invalid>\r\nDate: " + DateHeader(std::time(nullptr)) +
                      "\r\nSubject: " + HeaderText(title) +
                      "\r\nMIME-Version: 1.0\r\n"
                      "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\"" +
                      boundary + "\"\r\n\r\nThis is a multi-part message in MIME format.\r\n\r\n--" + boundary +
                      "\r\nContent-Type: text/html; charset=\"utf-8\"\r\n"
                      "Content-Transfer-Encoding: base64\r\n"
                      "Content-Location: file:///contact.html\r\n\r\n";
    // Each part's header made first, then the whole in room of its final
    // size: the page or a file can be tens of megabytes, and encoded as
    // the document grew it would be copied and held twice.
    const std::string separator = "\r\n--" + boundary + "\r\n", end = "\r\n--" + boundary + "--\r\n";
    std::vector<std::string> headers;
    size_t size = out.size() + base::Base64Size(html.size(), 76) + end.size();
    for (size_t i = 0; i < files.size(); ++i) {
        headers.push_back(FilePartHeader(files[i], i));
        size += separator.size() + headers.back().size() + base::Base64Size(files[i].bytes.size(), 76);
    }
    out.reserve(size);
    base::AppendBase64(out, html, 76);
    for (size_t i = 0; i < files.size(); ++i) {
        out += separator;
        out += headers[i];
        base::AppendBase64(out, files[i].bytes, 76);
    }
    out += end;
    return out;
}

std::string Mhtml(contacts::Contact&& contact) {
    const std::string html = Html(contact);
    {
        // Swapped out and so freed: a string assigned an empty one keeps its room.
        contacts::Notes gone;
        std::swap(contact.notes, gone);
    }
    return MhtmlDocument(ContactTitle(contact), html, contact.attachments);
}

std::string Mhtml(const contacts::Contact& contact) {
    return MhtmlDocument(ContactTitle(contact), Html(contact), contact.attachments);
}

}  // namespace renderings
