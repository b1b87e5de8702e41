#include <notesapi/lnstatus.h>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

std::atomic<int> g_throwAll{0};

// Messages of the last statuses made with details; a status points at its
// slot by the bits above the low 16 and stays readable for the next 4095.
constexpr size_t kSlots = 4096;
std::mutex g_mutex;
std::array<std::string, kSlots> g_messages;
uint32_t g_next = 0;

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

}  // namespace

void LNSetThrowAllErrorsGlobal(LNBOOL flag) { g_throwAll.store(flag ? 1 : 0); }
LNBOOL LNGetThrowAllErrorsGlobal() { return g_throwAll.load(); }

std::string LNGetErrorMessage(LNSTATUS status) {
    uint32_t slot = status >> 16;
    if (slot != 0) {
        std::lock_guard lock(g_mutex);
        const std::string& text = g_messages[(slot - 1) % kSlots];
        if (!text.empty()) return text;
    }
    return KindText(notesapi::StatusKind(status));
}

size_t LNGetErrorMessageText(LNSTATUS status, char* buffer, size_t size, LNINT) {
    if (!buffer || size == 0) return 0;
    std::string text = LNGetErrorMessage(status);
    size_t n = std::min(text.size(), size - 1);
    // Never end inside a UTF-8 sequence.
    while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return n;
}

namespace notesapi {

LNSTATUS MakeStatus(LNSTATUS kind, const std::string& text) {
    std::lock_guard lock(g_mutex);
    uint32_t slot = g_next;
    g_next = (g_next + 1) % kSlots;
    g_messages[slot] = text;
    return (kind & 0xFFFF) | ((slot + 1) << 16);
}

LNSTATUS Report(LNSTATUS status) {
    if (status != LNNOERROR && LNGetThrowAllErrorsGlobal()) throw status;
    return status;
}

}  // namespace notesapi
