// Feeds arbitrary bytes to the MSG reader, whole and for chosen properties:
// it must either parse them or throw FormatError, never crash, hang or read
// out of bounds.
#include <mapi/source_identity.h>
#include <msg/msg_file.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        mapi::PropertyBag bag = msg::DecodeMessage(bytes);
        (void)msg::EncodeMessage(bag);
    } catch (const msg::FormatError&) {
    } catch (const std::invalid_argument&) {
    }
    try {
        std::vector<mapi::PropertyKey> keys = mapi::SourceIdentityKeys();
        keys.push_back(mapi::PidTagSubject.Key());
        (void)mapi::GetSourceIdentity(msg::DecodeMessageProperties(bytes, keys));
    } catch (const msg::FormatError&) {
    }
    return 0;
}
