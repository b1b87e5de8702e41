#include <exporting/naming.h>

#include <sys/stat.h>

#include <initializer_list>

namespace exporting {

namespace {

constexpr std::string_view kRemoved = "\\/:*\"<>|?";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool HasText(std::string_view part) { return part.find_first_not_of(' ') != std::string_view::npos; }

// The parts that have text, joined by " - ": an empty part leaves no
// separator behind (" - Acme" for an empty date would start a file name with
// a blank).
std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view part : parts) {
        if (!HasText(part)) continue;
        if (!out.empty()) out += " - ";
        out += part;
    }
    return out;
}

std::string WithoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (!IsControl(static_cast<unsigned char>(c))) out += c;
    return out;
}

}  // namespace

size_t CharCount(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string CutToBytes(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

std::string SubjectText(const std::string& companyName, const std::string& firstName, const std::string& lastName) {
    if (CharCount(companyName) <= 5) return companyName;
    if (CharCount(firstName) <= 5) return firstName;
    return lastName;
}

std::string BaseName(const std::string& subject, const std::string& from, const std::string& date,
                     const std::string& fileAs, bool namingOn, const std::string& pattern) {
    const std::string p = namingOn ? pattern : "Subject";
    std::string name;
    if (p == kFileAsNaming) {
        name = HasText(fileAs) ? fileAs : "None Subject";
    } else {
        if (p == "Date+Subject") name = Joined({date, subject});
        else if (p == "From+Date+Subject") name = Joined({from, date, subject});
        else if (p == "Subject+Date") name = Joined({subject, date});
        else if (p == "Subject+Date+From") name = Joined({subject, date, from});
        if (name.empty()) name = subject;
        else
            for (char& c : name)
                if (c == '/') c = '-';
        if (subject.empty()) name = "None Subject";
    }
    std::string out;
    out.reserve(name.size());
    for (char c : name)
        if (kRemoved.find(c) == std::string_view::npos) out += c;
    return out;
}

std::string SafeComponent(std::string_view name) {
    std::string out;
    for (char c : name)
        if (kRemoved.find(c) == std::string_view::npos && !IsControl(static_cast<unsigned char>(c))) out += c;
    size_t b = out.find_first_not_of(' ');
    size_t e = out.find_last_not_of(' ');
    out = b == std::string::npos ? std::string() : out.substr(b, e - b + 1);
    out = CutToBytes(out, kMaxNameBytes);
    if (out.empty() || out == "." || out == "..") out = "_";
    return out;
}

std::string_view Extension(OutputKind kind) {
    switch (kind) {
    case OutputKind::Msg: return ".msg";
    case OutputKind::Html: return ".html";
    case OutputKind::Txt: return ".txt";
    case OutputKind::Doc: return ".doc";
    case OutputKind::Rtf: return ".rtf";
    case OutputKind::Mhtml: return ".mhtml";
    case OutputKind::Pdf: return ".pdf";
    case OutputKind::Vcf:
    case OutputKind::CardDav: return ".vcf";
    case OutputKind::Csv: return ".csv";
    case OutputKind::Pst:
    case OutputKind::Profile: return ".pst";
    }
    return "";
}

std::string ItemFilePath(const std::string& dir, const std::string& base, uint64_t index, OutputKind kind) {
    const bool msg = kind == OutputKind::Msg;
    const std::string suffix = (msg ? "" : "--") + std::to_string(index) + std::string(Extension(kind));
    std::string name = WithoutControls(base);
    const size_t limit = msg ? 200 : 250;
    if (CharCount(dir) + 1 + CharCount(name) + CharCount(suffix) > limit) name = notes::CutToChars(name, msg ? 50 : 15);
    name = CutToBytes(name, kMaxNameBytes - suffix.size());
    // A base that is all dots would make "." or ".." only without a suffix;
    // the suffix always follows, so the name stays a plain file name.
    return dir + "/" + name + suffix;
}

std::string CsvFilePath(const std::string& dir, const std::string& name, uint64_t index) {
    std::string path = dir + "/" + SafeComponent(name) + ".csv";
    if (CharCount(path) > 250) path = dir + "/--" + std::to_string(index) + ".csv";
    return path;
}

bool PathTaken(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string NextFreePath(const std::string& path, bool isDirectory) { return NextFreePath(path, isDirectory, PathTaken); }

std::string NextFreePath(const std::string& path, bool isDirectory, const std::function<bool(const std::string&)>& taken) {
    if (!taken(path)) return path;
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = path.substr(nameStart), ext;
    if (!isDirectory) {
        size_t dot = stem.rfind('.');
        if (dot != std::string::npos && dot > 0) {
            ext = stem.substr(dot);
            stem.resize(dot);
        }
    }
    for (int n = 2;; ++n) {
        const std::string number = " (" + std::to_string(n) + ")";
        const size_t room = kMaxNameBytes > number.size() + ext.size() ? kMaxNameBytes - number.size() - ext.size() : 0;
        std::string candidate = path.substr(0, nameStart) + CutToBytes(stem, room) + number + ext;
        if (!taken(candidate)) return candidate;
    }
}

}  // namespace exporting
