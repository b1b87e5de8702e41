#include "contact_fields.h"
#include "formats.h"

namespace renderings {

std::string Text(const contacts::Contact& contact) {
    std::string out;
    for (const auto& f : ShownFields(contact)) {
        out.append(f.label).append(": ");
        // Further lines of a value are indented so each property stays one block.
        for (char c : f.value.View()) {
            out += c;
            if (c == '\n') out += "    ";
        }
        out += '\n';
    }
    return out;
}

}  // namespace renderings
