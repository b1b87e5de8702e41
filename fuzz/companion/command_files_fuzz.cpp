// Feeds arbitrary bytes to the command-file parsers: they either refuse them
// with StoreError or give values that can never break a line of the profile,
// that the profile accepts, and that read back unchanged when written again.
#include <store/companion.h>
#include <store/error.h>
#include <store/profile.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void RequireLineSafe(const std::string& text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) std::abort();
    }
    if (text.size() > 4096) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const store::SavingCommand c = store::ParseSavingText(text);
        RequireLineSafe(c.pstPath);
        RequireLineSafe(c.mailboxName);
        store::Profile::CheckEntry({c.mailboxName, c.pstPath});
        const store::SavingCommand again = store::ParseSavingText(store::SavingText(c.pstPath, c.mailboxName));
        if (again.pstPath != c.pstPath || again.mailboxName != c.mailboxName) std::abort();
    } catch (const store::StoreError&) {
    }
    try {
        const store::MailSavingCommand c = store::ParseMailSavingText(text);
        RequireLineSafe(c.folderPath);
        RequireLineSafe(c.folderType);
        const store::MailSavingCommand again = store::ParseMailSavingText(store::MailSavingText(c.folderPath));
        if (again.folderPath != c.folderPath) std::abort();
    } catch (const store::StoreError&) {
    }
    return 0;
}
