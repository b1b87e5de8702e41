// Status codes of the Notes API. A status is a 32-bit number: the low 16 bits
// name the kind of failure, the high bits (when set) point at a message that
// carries the details (file name, line, formula text) of one occurrence.
#pragma once

#include <cstddef>
#include <cstdint>
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

// With flag 1, every failing call throws its LNSTATUS instead of returning it.
void LNSetThrowAllErrorsGlobal(LNBOOL flag);
LNBOOL LNGetThrowAllErrorsGlobal();

// Copies the message of a status into buffer (always terminated, cut at a
// character boundary) and returns the number of bytes written.
size_t LNGetErrorMessageText(LNSTATUS status, char* buffer, size_t size, LNINT flags = 0);
// The same message as a string.
std::string LNGetErrorMessage(LNSTATUS status);

namespace notesapi {
// Makes a status of the given kind whose message is text. Thread-safe.
LNSTATUS MakeStatus(LNSTATUS kind, const std::string& text);
// Kind of a status (its low 16 bits).
inline LNSTATUS StatusKind(LNSTATUS s) { return s & 0xFFFF; }
// Returns status, or throws it when thrown errors are on and it is an error.
LNSTATUS Report(LNSTATUS status);
}  // namespace notesapi
