// What a contact's attached files are: a name any file system takes, the
// MIME type their name or their first bytes tell, and how their size reads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace contacts {

// The largest attachment a contact carries; a larger one is left out (and
// the exporters log it), so that one file cannot take a run's memory.
inline constexpr uint64_t kMaxAttachmentBytes = 100ull * 1024 * 1024;

// The last part of a file name without folders ("a/b\c.txt" gives "c.txt"),
// control characters dropped and blanks at either end trimmed; "attachment"
// when nothing usable is left ("", ".", "..").
std::string CleanFileName(std::string_view name);

// The MIME type of a file by its extension, ignoring case; for an unknown
// one "application/octet-stream".
std::string MimeTypeOf(std::string_view fileName);

// The MIME type of a picture by its first bytes: "image/jpeg", "image/png",
// "image/gif" or "image/bmp"; empty when the bytes are none of them.
std::string ImageTypeOf(std::string_view bytes);

// "12 bytes", "3.4 KB", "1.2 MB": a size as people read it.
std::string SizeText(uint64_t bytes);

}  // namespace contacts
