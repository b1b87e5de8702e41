#include <contacts/contact.h>

#include <base/ascii.h>

namespace contacts {

namespace {

constexpr std::string_view kMoreHeading = "More from Notes:";

std::string WithoutTrailingLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

bool IsBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

const std::string* Contact::PhoneOf(PhoneKind kind) const {
    for (const Phone& phone : phones)
        if (phone.kind == kind) return &phone.number;
    return nullptr;
}

const std::vector<std::string>* Contact::Unplaced(std::string_view name) const {
    for (const SourceField& field : unplaced)
        if (field.name.size() == name.size() && base::EqualsIgnoringAsciiCase(field.name, name)) return &field.values;
    return nullptr;
}

std::string NotesText(const Notes& notes) {
    std::vector<std::string> parts{WithoutTrailingLineEnds(notes.richText), WithoutTrailingLineEnds(notes.comment)};
    if (!notes.moreFromSource.empty()) {
        std::string more(kMoreHeading);
        for (const auto& line : notes.moreFromSource) more += "\n" + line;
        parts.push_back(std::move(more));
    }
    std::string text;
    for (const auto& part : parts) {
        if (IsBlank(part)) continue;
        if (!text.empty()) text += "\n\n";
        text += part;
    }
    return text;
}

}  // namespace contacts
