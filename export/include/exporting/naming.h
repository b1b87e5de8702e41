// How exported contacts are named: the subject text, the base name of the
// naming patterns, the characters removed from it, the file paths with
// their length rules, and the cut that keeps every name within what the file
// system takes (255 bytes of UTF-8, never inside a character).
#pragma once

#include <exporting/request.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace exporting {

// The longest file or folder name the file system takes, in bytes.
inline constexpr size_t kMaxNameBytes = 255;

// Length in characters (UTF-8 lead bytes), as the naming rules count.
size_t CharCount(std::string_view text);
// At most maxBytes bytes of text, cut at a character boundary.
std::string CutToBytes(std::string_view text, size_t maxBytes);

// The subject of a file export: the company name; when that is longer than
// five characters the first name; when that too is, the last name.
std::string SubjectText(const std::string& companyName, const std::string& firstName, const std::string& lastName);

// The base name of a pattern (used only while namingOn, else "Subject"):
// its parts joined by " - ", leaving out a part that is empty or blank
// together with its separator; "/" turned into "-" for the dated patterns;
// "File As" is the contact's File As text (fileAs) alone; "None Subject" when
// the subject (for "File As": the File As text) is empty; then the nine
// characters \ / : * " < > | ? deleted.
std::string BaseName(const std::string& subject, const std::string& from, const std::string& date,
                     const std::string& fileAs, bool namingOn, const std::string& pattern);

// A name taken from outside (a view's folder name) made safe as one path
// component: the nine characters and control characters deleted, blanks
// trimmed, "." and ".." and empty names replaced by "_", cut to kMaxNameBytes.
std::string SafeComponent(std::string_view name);

// The output file of one contact in directory dir: base + index + ".msg" for
// MSG, base + "--" + index + extension otherwise. When the path is longer
// than 200 (MSG) or 250 (others) characters the base is cut to 50 or 15
// characters; the file name is then cut to kMaxNameBytes keeping its suffix.
// Control characters are dropped from the base, so the name is always one
// component inside dir.
std::string ItemFilePath(const std::string& dir, const std::string& base, uint64_t index, OutputKind kind);

// The CSV file of a folder or run: dir + "/" + name + ".csv", or when that is
// longer than 250 characters dir + "/--" + index + ".csv".
std::string CsvFilePath(const std::string& dir, const std::string& name, uint64_t index);

// The extension of a file kind, with its dot (".msg", ".html", ...).
std::string_view Extension(OutputKind kind);

// True when something (a file, a directory, a link, even a dangling one) is
// at path.
bool PathTaken(const std::string& path);

// path when nothing exists there, else path with " (2)", " (3)"... put
// before the extension (or at the end of a directory name); the name before
// the number is cut so that the whole name stays within kMaxNameBytes.
std::string NextFreePath(const std::string& path, bool isDirectory);
// The same, with what counts as taken decided by the caller.
std::string NextFreePath(const std::string& path, bool isDirectory, const std::function<bool(const std::string&)>& taken);

}  // namespace exporting
