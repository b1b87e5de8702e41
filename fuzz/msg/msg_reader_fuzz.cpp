// Feeds arbitrary bytes to the MSG reader: it must either parse them or throw
// FormatError, never crash, hang or read out of bounds.
#include <msg/msg_file.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        mapi::PropertyBag bag = msg::DecodeMessage(std::string_view(reinterpret_cast<const char*>(data), size));
        (void)msg::EncodeMessage(bag);
    } catch (const msg::FormatError&) {
    } catch (const std::invalid_argument&) {
    }
    return 0;
}
