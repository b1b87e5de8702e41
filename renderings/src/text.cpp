#include "contact_fields.h"
#include "formats.h"

#include <algorithm>

namespace renderings {

std::string Text(const contacts::Contact& contact) {
    constexpr std::string_view kIndent = "    ";
    const std::vector<ShownField> fields = ShownFields(contact);
    // Made in room of its final size: a long value would otherwise be
    // copied as the text grows, and held twice.
    size_t size = 0;
    for (const auto& f : fields) {
        const std::string_view value = f.value.View();
        size += f.label.size() + 2 + value.size() + 1 + kIndent.size() * size_t(std::count(value.begin(), value.end(), '\n'));
    }
    std::string out;
    out.reserve(size);
    for (const auto& f : fields) {
        out.append(f.label).append(": ");
        // Further lines of a value are indented so each property stays one block.
        for (char c : f.value.View()) {
            out += c;
            if (c == '\n') out += kIndent;
        }
        out += '\n';
    }
    return out;
}

}  // namespace renderings
