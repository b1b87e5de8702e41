// Feeds arbitrary text to the hive parser; whatever parses must answer
// questions about its keys, take a string value and read it back, with every
// byte before the change kept.
#include <registry/hive_document.h>

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    const auto doc = registry::HiveDocument::Parse(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!doc) {
        if (error.empty()) std::abort();
        return 0;
    }
    // Questions with names taken from the input itself.
    const std::string_view text = doc->Text();
    const std::string_view probe = text.substr(text.size() / 3, 12);
    (void)doc->HasKey(probe);
    if (const auto found = doc->FindValue(probe, probe)) {
        if (found->end > text.size() || found->begin >= found->end) std::abort();
        (void)registry::ValueAsString(*found);
    }

    const std::string value = "C:\\Notes;\"\xC3\xA9\"\t1";
    const std::string written = doc->WithStringValue("Environment", "PATH", registry::kRegExpandSz, value, 1700000000);
    const auto again = registry::HiveDocument::Parse(written, error);
    if (!again) std::abort();
    const auto v = again->FindValue("environment", "path");
    if (!v || v->type != registry::kRegExpandSz || registry::ValueAsString(*v) != value) std::abort();
    const size_t kept = std::min(v->begin, doc->Text().size());
    if (written.compare(0, kept, doc->Text(), 0, kept) != 0) std::abort();
    return 0;
}
