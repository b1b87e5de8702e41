#include "conversions_fields.h"
#include "conversions_formats.h"

namespace store::render {

std::string Text(const mapi::PropertyBag& properties) {
    std::string out;
    for (const auto& f : ShownFields(properties)) {
        out.append(f.label).append(": ");
        // Further lines of a value are indented so each property stays one block.
        for (char c : f.value) {
            out += c;
            if (c == '\n') out += "    ";
        }
        out += '\n';
    }
    return out;
}

}  // namespace store::render
