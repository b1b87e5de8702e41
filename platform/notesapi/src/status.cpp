#include <notesapi/lnstatus.h>

#include <algorithm>
#include <cstring>

namespace notesapi {

const char* KindText(LNSTATUS kind) {
    switch (kind) {
    case LNNOERROR: return "No error";
    case LNERR_NOT_INITIALIZED: return "The Notes session has not been initialised";
    case LNERR_FILE_OPEN: return "The database file cannot be opened";
    case LNERR_NOT_DXL: return "The file is not a DXL export of a Notes database";
    case LNERR_BINARY_NSF: return "The file is a binary Notes database; export it to DXL first";
    case LNERR_MALFORMED: return "The DXL file is damaged or incomplete";
    case LNERR_ENTITY: return "The DXL file declares XML entities or other DOCTYPE content, or uses an undeclared entity";
    case LNERR_FORMULA: return "The formula is not supported";
    case LNERR_INDEX: return "Index out of range";
    case LNERR_ITEM_NOT_FOUND: return "Item not found";
    case LNERR_TYPE_MISMATCH: return "The item is not of the requested type";
    case LNERR_NOT_OPEN: return "The object is not open";
    case LNERR_NO_DOCUMENT: return "The entry has no document";
    case LNERR_WRITE: return "The file cannot be written";
    case LNERR_DATABASE_CHANGED: return "The database file changed while it was open; open it again";
    case LNERR_NULL_ARGUMENT: return "A required argument is missing";
    default: return "Unknown Notes error";
    }
}

NotesError::NotesError(LNSTATUS kind) : std::runtime_error(KindText(kind)), kind_(kind) {}

NotesError::NotesError(LNSTATUS kind, const std::string& text)
    : std::runtime_error(text.empty() ? std::string(KindText(kind)) : text), kind_(kind) {}

}  // namespace notesapi

size_t LNGetErrorMessageText(const notesapi::NotesError& error, char* buffer, size_t size, LNINT) {
    if (!buffer || size == 0) return 0;
    const std::string_view text = error.what();
    size_t n = std::min(text.size(), size - 1);
    // Never end inside a UTF-8 sequence.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}
