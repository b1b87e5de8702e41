// Errors of the Notes API. Every failing call throws one notesapi::NotesError:
// its kind (one of the LNERR_* codes below) and the text for the user, with
// the details (file name, line, formula text) of that one failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

using LNSTATUS = uint32_t;
using LNBOOL = int;
using LNINT = int;

inline constexpr LNSTATUS LNNOERROR = 0;

enum : LNSTATUS {
    LNERR_NOT_INITIALIZED = 0x0101,  // session not initialised
    LNERR_FILE_OPEN = 0x0102,        // database file cannot be opened or read
    LNERR_NOT_DXL = 0x0103,          // content is not a DXL export
    LNERR_BINARY_NSF = 0x0104,       // a binary .nsf (or other binary) file
    LNERR_MALFORMED = 0x0105,        // not well-formed XML, truncated
    LNERR_ENTITY = 0x0106,           // DOCTYPE declarations and undeclared entities are refused
    LNERR_FORMULA = 0x0107,          // formula syntax not supported
    LNERR_INDEX = 0x0108,            // index out of range
    LNERR_ITEM_NOT_FOUND = 0x0109,   // document has no such item
    LNERR_TYPE_MISMATCH = 0x010A,    // item cannot be read as that type
    LNERR_NOT_OPEN = 0x010B,         // object not open
    LNERR_NO_DOCUMENT = 0x010C,      // entry without a document (category)
    LNERR_WRITE = 0x010D,            // a file cannot be written (Detach)
    LNERR_DATABASE_CHANGED = 0x010E, // file changed since it was opened
    LNERR_NULL_ARGUMENT = 0x010F,
};

namespace notesapi {

class NotesError : public std::runtime_error {
public:
    // An error of kind with the kind's general text.
    explicit NotesError(LNSTATUS kind);
    // An error of kind whose text is text (the kind's general text when empty).
    NotesError(LNSTATUS kind, const std::string& text);
    LNSTATUS Kind() const { return kind_; }

private:
    LNSTATUS kind_;
};

// The general text of a kind of error.
const char* KindText(LNSTATUS kind);

}  // namespace notesapi

// Copies the text of error into buffer (always terminated, cut at a
// character boundary) and returns the number of bytes written.
size_t LNGetErrorMessageText(const notesapi::NotesError& error, char* buffer, size_t size, LNINT flags = 0);
