#include "derived_names.h"

#include <mapi/contact.h>

namespace store {

namespace {
using F = mapi::ContactField;

std::string Text(const mapi::PropertyBag& p, F field) {
    return p.GetString(mapi::InfoOf(field).key).value_or(std::string());
}

std::string Joined(std::initializer_list<std::string> parts, const char* separator) {
    std::string out;
    for (const auto& part : parts) {
        if (part.empty()) continue;
        if (!out.empty()) out += separator;
        out += part;
    }
    return out;
}
}  // namespace

const mapi::PropertyKey& FileUnderKey() {
    static const mapi::PropertyKey key = mapi::PropertyKey::Named(mapi::kPsetidAddress, 0x8005, mapi::PropType::Unicode);
    return key;
}

void DeriveNames(mapi::PropertyBag& p, NameChanges changes) {
    const std::string first = Text(p, F::FirstName), last = Text(p, F::LastName);
    std::string full = Text(p, F::FullName);
    if (full.empty() || (changes.parts && !changes.fullName)) {
        std::string derived = Joined({Text(p, F::Title), first, Text(p, F::MiddleName), last}, " ");
        if (!derived.empty()) p.Set(mapi::InfoOf(F::FullName).key, full = derived);
    }
    const bool renamed = changes.parts || changes.fullName;
    if (!renamed && !p.GetString(FileUnderKey()).value_or(std::string()).empty()) return;
    std::string fileUnder = Joined({last, first}, ", ");
    for (const std::string& fallback : {full, Text(p, F::CompanyName), Text(p, F::Subject)})
        if (fileUnder.empty()) fileUnder = fallback;
    if (!fileUnder.empty()) p.Set(FileUnderKey(), fileUnder);
}

}  // namespace store
