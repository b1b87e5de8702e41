// libFuzzer target: any bytes as a selection formula must give a status or a
// formula that evaluates, never a crash, a hang or a leak.
#include "formula.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

using Doc = std::map<std::string, std::vector<std::string>>;

const Doc kDocs[] = {
    {{"form", {"Person"}}, {"categories", {"Friends", "Golf", "Golf"}}, {"fullname", {"Jane Doe"}}},
    {{"form", {"Group"}}, {"listname", {""}}},
    {},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<notesapi::Formula> formula;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (notesapi::Formula::Parse(text, &formula)) return 0;
    for (const Doc& doc : kDocs) {
        bool matches = false;
        formula->Evaluate(
            [&](const std::string& name) -> std::optional<std::vector<std::string>> {
                auto it = doc.find(name);
                if (it == doc.end()) return std::nullopt;
                return it->second;
            },
            &matches);
    }
    return 0;
}
