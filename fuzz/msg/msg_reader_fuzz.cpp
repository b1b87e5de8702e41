// Feeds arbitrary bytes to the MSG reader, whole and for chosen properties:
// it must either parse them or throw FormatError, never crash, hang or read
// out of bounds. What it reads and the writer can write must read back the
// same from the file written (which may hold more: the writer adds the
// properties the format requires).
#include <mapi/source_identity.h>
#include <msg/msg_file.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void ReadChosenProperties(std::string_view bytes) {
    try {
        std::vector<mapi::PropertyKey> keys = mapi::SourceIdentityKeys();
        keys.push_back(mapi::PidTagSubject.Key());
        (void)mapi::GetSourceIdentity(msg::DecodeMessageProperties(bytes, keys));
    } catch (const msg::FormatError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadChosenProperties(bytes);
    mapi::PropertyBag bag;
    std::string written;
    try {
        bag = msg::DecodeMessage(bytes);
        written = msg::EncodeMessage(bag);  // may refuse what it cannot write
    } catch (const msg::FormatError&) {
        return 0;
    } catch (const std::invalid_argument&) {
        return 0;
    }
    try {
        const mapi::PropertyBag again = msg::DecodeMessage(written);
        for (const auto& [key, value] : bag.All()) {
            const mapi::PropertyValue* read = again.Find(key);
            if (!read || *read != value) std::abort();
        }
    } catch (const msg::FormatError&) {
        std::abort();  // our own file must read
    }
    return 0;
}
